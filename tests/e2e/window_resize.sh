# A window sized from outside in a real X server, as a tiling desktop or the user sizes it (here
# xdotool, without a window manager): the prompt demo's 640 x 490 picture stays the program's and
# is shown at the largest whole factor that fits, centred on black, every pixel an exact block; a
# window smaller than the picture shows all of it shrunk to fit. Alt+Plus then gives the window
# the size of the next scale again, and the demo hears keys as before.
source "$(dirname "$0")/lib.sh"

e2e_start_xvfb 1920x1200
cd "$(e2e_workdir)"
e2e_open_prompt_demo
id=$DEMO_ID
e2e_wait_size "$id" 640x490
mkdir -p "$E2E_BIN/test-output"

# The demo's teal ground reaches every edge of its picture: its box is where the picture lies.
teal=008080
problem="not looked at"
# A window of W x H showing the picture at (X, Y) as P x Q, in exact N x N blocks (N 0: shrunk).
placed_right() {
    local w=$1 h=$2 x=$3 y=$4 p=$5 q=$6 n=$7 all inside box
    xwd -silent -id "$id" >"$E2E_TMP/window.xwd"
    box=$("$E2E_XWD2PNG" --find "$teal" "$E2E_TMP/window.xwd")
    [ "$box" = "$x $y $p $q" ] || { problem="the picture lies at ${box:-nowhere}"; return 1; }
    all=$("$E2E_XWD2PNG" --count 000000 "$E2E_TMP/window.xwd")
    inside=$("$E2E_XWD2PNG" --count 000000 --crop "$x,$y,$p,$q" "$E2E_TMP/window.xwd")
    [ $((all - inside)) = $((w * h - p * q)) ] ||
        { problem="$((all - inside)) black pixels around the picture, not $((w * h - p * q))"; return 1; }
    if [ "$n" -gt 0 ]; then
        problem=$("$E2E_XWD2PNG" --blocks "$n" --crop "$x,$y,$p,$q" "$E2E_TMP/window.xwd" "$E2E_TMP/view.png" 2>&1) ||
            return 1
    fi
    problem=""
}

# A case: window size | the picture's place and size | block size (0: shrunk)
cases=(
    "1500x1000|110,10,1280,980|2"
    "1000x1200|180,355,640,490|1"
    "400x300|4,0,392,300|0"
    "640x245|160,0,320,245|0"
)
for row in "${cases[@]}"; do
    IFS='|' read -r size place n <<<"$row"
    w=${size%x*} h=${size#*x}
    IFS=, read -r x y p q <<<"$place"
    xdotool windowsize "$id" "$w" "$h"
    e2e_wait_size "$id" "$size"
    shown() { placed_right "$w" "$h" "$x" "$y" "$p" "$q" "$n"; }
    if ! await "$E2E_START_CAP" "the picture placed in $size" shown; then
        "$E2E_XWD2PNG" "$E2E_TMP/window.xwd" "$E2E_BIN/test-output/window-resize-$size.png"
        e2e_fail "a window of $size: $problem (see test-output/window-resize-$size.png)"
    fi
done
"$E2E_XWD2PNG" "$E2E_TMP/window.xwd" "$E2E_BIN/test-output/window-resize-shrunk.png"

# The program's own scale brings the window back to a size of its own.
e2e_key "$id" alt+plus
e2e_wait_size "$id" 1280x980
twice() { placed_right 1280 980 0 0 1280 980 2; }
await "$E2E_START_CAP" "the picture at scale 2" twice || e2e_fail "at scale 2: $problem"
e2e_close_demo_after_a "$id"
echo "ok: the picture centred in exact blocks and shrunk whole, in test-output/window-resize-*.png"
