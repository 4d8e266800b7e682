# The fullscreen view in a real X server without a window manager: Alt+Enter shows the window's
# pixels doubled on a 1920 x 1080 screen, each pixel a 2 x 2 block, centred on black; Alt+Enter
# again brings the window back at its size and place showing the picture the view showed. The
# program hears neither, and its keys work as before.
source "$(dirname "$0")/lib.sh"

e2e_start_xvfb 1920x1080
cd "$(e2e_workdir)"
e2e_launch "$E2E_BIN/tests/e2e/prompt_demo"
id=$(e2e_wait_window PROMPT)
e2e_wait_title "$id" "プロンプト表示テスト"
e2e_wait_output ready
e2e_wait_size "$id" 640x490
column() { "$E2E_XWD2PNG" --column "$@"; }
# Window columns looked at: the screen's text and graphics both cross them.
columns="0 3 17 100 250 333 428 500 639"

# The 640 x 490 picture at scale 2 lies at (320, 50), every pixel a 2 x 2 block; what is left
# around it is black. The picture (every second row and column) goes to view-<column>.
view_problem() {
    xwd -silent -root >"$E2E_TMP/root.xwd"
    local box want got x
    for box in 0,0,320,1080 1600,0,320,1080 320,0,1280,50 320,1030,1280,50; do
        want=$(($(cut -d, -f3 <<<"$box") * $(cut -d, -f4 <<<"$box")))
        got=$("$E2E_XWD2PNG" --count 000000 --crop "$box" "$E2E_TMP/root.xwd")
        [ "$got" = "$want" ] || { echo "the border $box has $got black pixels of $want"; return; }
    done
    for x in $columns; do
        column $((320 + 2 * x)) --crop 0,50,1920,980 "$E2E_TMP/root.xwd" >"$E2E_TMP/left"
        column $((321 + 2 * x)) --crop 0,50,1920,980 "$E2E_TMP/root.xwd" >"$E2E_TMP/right"
        awk 'NR % 2 == 1' "$E2E_TMP/left" >"$E2E_TMP/view-$x"
        awk 'NR % 2 == 1' "$E2E_TMP/right" | cmp -s - "$E2E_TMP/view-$x" &&
            awk 'NR % 2 == 0' "$E2E_TMP/left" | cmp -s - "$E2E_TMP/view-$x" ||
            { echo "window column $x is not a column of 2 x 2 blocks"; return; }
    done
    grep -qv '^000000$' "$E2E_TMP/view-100" || echo "the picture is black"
}

e2e_key "$id" alt+Return
e2e_wait_size "$id" 1920x1080
problem="not looked at"
for i in $(seq 1 50); do
    problem=$(view_problem)
    [ -z "$problem" ] && break
    sleep 0.2
done
mkdir -p "$E2E_BIN/test-output"
shot="$E2E_BIN/test-output/fullscreen.png"
"$E2E_XWD2PNG" "$E2E_TMP/root.xwd" "$shot"
[ -z "$problem" ] || e2e_fail "fullscreen view: $problem (see $shot)"

e2e_key "$id" alt+Return
e2e_wait_size "$id" 640x490
position=$(xdotool getwindowgeometry "$id" | sed -n 's/.*Position: \([0-9]*,[0-9]*\).*/\1/p')
[ "$position" = "0,0" ] || e2e_fail "the window came back at $position, expected 0,0"
same_picture() {
    xwd -silent -id "$id" >"$E2E_TMP/window.xwd"
    for x in $columns; do
        column "$x" "$E2E_TMP/window.xwd" | cmp -s - "$E2E_TMP/view-$x" || return 1
    done
}
for i in $(seq 1 50); do
    same_picture && break
    sleep 0.2
done
same_picture || e2e_fail "the window does not show the view's picture once back"

# Neither Alt+Enter reached the program; the next key does.
e2e_key "$id" a
e2e_wait_output "key 65"
heard=$(grep '^key' "$E2E_TMP/app.out" | tr '\n' ' ')
[ "$heard" = "key 65 " ] || e2e_fail "the program heard: $heard"
e2e_key "$id" Escape
e2e_wait_exit "$APP_PID"
[ "$E2E_EXIT_CODE" = 0 ] || e2e_fail "exit code $E2E_EXIT_CODE, expected 0"
echo "ok: screenshot of the view in $shot"
