# The window's scale in a real X server. On a 3840 x 2160 screen whose desktop draws at 192 dpi
# (Xft.dpi in the X resource database) the game opens at 1280 x 980, every pixel an exact 2 x 2
# block; it names itself "shooter" of class "PROMPT" and gives icons of 32, 64 and 128 pixels;
# --scale 1 keeps it at 640 x 490; the editor opens at 1600 x 960. Alt+Minus and Alt+Plus step
# the scale without the program hearing them. On an ordinary screen the game stays at 640 x 490.
source "$(dirname "$0")/lib.sh"

work=$(e2e_workdir)
cp -r "$E2E_BIN/assets/data/." "$work/"
cd "$work"
mkdir -p "$E2E_BIN/test-output"

# The window's picture must be made of exact scale x scale blocks and show more than black.
check_blocks() {
    local id=$1 scale=$2 size=$3 name=$4 problem=""
    exact_blocks() {
        xwd -silent -id "$id" >"$E2E_TMP/window.xwd"
        problem=$("$E2E_XWD2PNG" --blocks "$scale" "$E2E_TMP/window.xwd" "$E2E_TMP/picture.png" 2>&1) &&
            [ "$("$E2E_XWD2PNG" --count 000000 "$E2E_TMP/window.xwd")" -lt $((size / 2)) ] && return 0
        problem=${problem:-mostly black}
        return 1
    }
    await "$E2E_GAME_CAP" "exact $scale x $scale blocks in $name" exact_blocks && return 0
    "$E2E_XWD2PNG" "$E2E_TMP/window.xwd" "$E2E_BIN/test-output/$name.png"
    e2e_fail "$name: not exact $scale x $scale blocks: $problem (see test-output/$name.png)"
}

# A case: screen | Xft.dpi ("" for none) | program and arguments | window size | scale | class instance
cases=(
    "3840x2160|192|shooter|1280x980|2|shooter"
    "3840x2160|192|shooter --scale 1|640x490|1|shooter"
    "3840x2160|192|mapedit|1600x960|2|mapedit"
    "1920x1080||shooter|640x490|1|shooter"
)
for row in "${cases[@]}"; do
    IFS='|' read -r screen dpi command size scale instance <<<"$row"
    what="$command on $screen${dpi:+ at $dpi dpi}"
    e2e_start_xvfb "$screen"
    [ -z "$dpi" ] || echo "Xft.dpi: $dpi" | xrdb -merge
    read -r program arguments <<<"$command"
    # shellcheck disable=SC2086 # the arguments split at blanks
    e2e_launch "$E2E_BIN/$program/$program" $arguments
    id=$(e2e_wait_window PROMPT)
    e2e_wait_size "$id" "$size"
    class=$(xprop -id "$id" WM_CLASS)
    [ "$class" = "WM_CLASS(STRING) = \"$instance\", \"PROMPT\"" ] || e2e_fail "$what: $class"
    icons=$(xprop -id "$id" _NET_WM_ICON | grep -o 'Icon ([0-9]* x [0-9]*)' | tr '\n' ' ')
    [ "$icons" = "Icon (32 x 32) Icon (64 x 64) Icon (128 x 128) " ] || e2e_fail "$what: icons $icons"
    w=${size%x*} h=${size#*x}
    check_blocks "$id" "$scale" $((w * h)) "window-scale-$program-$scale"
    [ "$scale" = 1 ] || cp "$E2E_TMP/window.xwd" "$E2E_TMP/scaled-$program.xwd"
    e2e_stop
done
"$E2E_XWD2PNG" "$E2E_TMP/scaled-shooter.xwd" "$E2E_BIN/test-output/window-scale-4k.png"

# Alt+Minus and Alt+Plus on the prompt demo, which prints every key it hears.
e2e_start_xvfb 3840x2160
echo "Xft.dpi: 192" | xrdb -merge
e2e_open_prompt_demo
id=$DEMO_ID
e2e_wait_size "$id" 1280x980
e2e_key "$id" alt+minus
e2e_wait_size "$id" 640x490
e2e_key "$id" alt+plus alt+plus
e2e_wait_size "$id" 1920x1470
e2e_key "$id" alt+KP_Subtract
e2e_wait_size "$id" 1280x980
check_blocks "$id" 2 $((1280 * 980)) window-scale-demo
e2e_close_demo_after_a "$id"
echo "ok: the game at 4K and 192 dpi in test-output/window-scale-4k.png"
