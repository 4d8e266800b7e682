# The fullscreen view in a real X server without a window manager: Alt+Enter shows the window's
# pixels doubled on a 1920 x 1080 screen, each pixel a 2 x 2 block, centred on black; Alt+Enter
# again brings the window back at its size and place showing the picture the view showed. The
# program hears neither, and its keys work as before.
source "$(dirname "$0")/lib.sh"

e2e_start_xvfb 1920x1080
cd "$(e2e_workdir)"
e2e_open_prompt_demo
id=$DEMO_ID
e2e_wait_size "$id" 640x490

# The 640 x 490 picture at scale 2 fills (320, 50, 1280, 980) with 2 x 2 blocks; every pixel
# around it is black. The picture, one pixel per block, goes to view.png.
picture=320,50,1280,980
view_problem() {
    xwd -silent -root >"$E2E_TMP/root.xwd"
    local all inside
    all=$("$E2E_XWD2PNG" --count 000000 "$E2E_TMP/root.xwd")
    inside=$("$E2E_XWD2PNG" --count 000000 --crop "$picture" "$E2E_TMP/root.xwd")
    [ $((all - inside)) = $((1920 * 1080 - 1280 * 980)) ] ||
        { echo "$((all - inside)) black pixels around the picture"; return; }
    "$E2E_XWD2PNG" --blocks 2 --crop "$picture" "$E2E_TMP/root.xwd" "$E2E_TMP/view.png" 2>&1 || return 0
    [ "$inside" != $((1280 * 980)) ] ||
        echo "the picture is black"
}

e2e_key "$id" alt+Return
e2e_wait_size "$id" 1920x1080
problem="not looked at"
view_right() { problem=$(view_problem) && [ -z "$problem" ]; }
await "$E2E_START_CAP" "the fullscreen view's picture" view_right || true
mkdir -p "$E2E_BIN/test-output"
shot="$E2E_BIN/test-output/fullscreen.png"
"$E2E_XWD2PNG" "$E2E_TMP/root.xwd" "$shot"
[ -z "$problem" ] || e2e_fail "fullscreen view: $problem (see $shot)"

e2e_key "$id" alt+Return
e2e_wait_size "$id" 640x490
position=$(xdotool getwindowgeometry "$id" | sed -n 's/.*Position: \([0-9]*,[0-9]*\).*/\1/p')
[ "$position" = "0,0" ] || e2e_fail "the window came back at $position, expected 0,0"
window_like_view() {
    e2e_screenshot "$E2E_TMP/window.png" "$id"
    cmp -s "$E2E_TMP/window.png" "$E2E_TMP/view.png"
}
await "$E2E_START_CAP" "the window's picture once back" window_like_view || true
if ! cmp -s "$E2E_TMP/window.png" "$E2E_TMP/view.png"; then
    cp "$E2E_TMP/window.png" "$E2E_BIN/test-output/fullscreen-back.png"
    cp "$E2E_TMP/view.png" "$E2E_BIN/test-output/fullscreen-view.png"
    e2e_fail "the window does not show the view's picture once back (see fullscreen-back.png and -view.png in $E2E_BIN/test-output)"
fi

# Neither Alt+Enter reached the program; the next key does.
e2e_close_demo_after_a "$id"
echo "ok: screenshot of the view in $shot"
