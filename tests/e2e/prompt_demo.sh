# The prompt window in a real X server: title, size, text over graphics, keys, and the end.
source "$(dirname "$0")/lib.sh"

e2e_start_xvfb
cd "$(e2e_workdir)"
e2e_open_prompt_demo
id=$DEMO_ID

# The window as the desktop sees it: class, client size, place, a frame of fixed size, the icon.
e2e_wait_size "$id" 640x490
position=$(xdotool getwindowgeometry "$id" | sed -n 's/.*Position: \([0-9]*,[0-9]*\).*/\1/p')
[ "$position" = "0,0" ] || e2e_fail "window is at $position, expected 0,0"
props=$(xprop -id "$id" WM_CLASS WM_NORMAL_HINTS _NET_WM_ICON)
grep -qF 'WM_CLASS(STRING) = "PROMPT", "PROMPT"' <<<"$props" || e2e_fail "window class is not PROMPT"
grep -q 'minimum size: 640 by 490' <<<"$props" && grep -q 'maximum size: 640 by 490' <<<"$props" ||
    e2e_fail "the frame can be resized"
grep -q 'Icon (32 x 32)' <<<"$props" || e2e_fail "no 32 x 32 icon"

mkdir -p "$E2E_BIN/test-output"
shot="$E2E_BIN/test-output/prompt_demo.png"
# The demo prints "ready" once it has drawn; the window shows it a moment later. Each look takes a
# new dump and tells what it found wrong (problem).
problem="not looked at"
demo_right() {
    xwd -silent -id "$id" >"$E2E_TMP/demo.xwd" || { problem="no dump of the window"; return 1; }
    local x y want what got box ink paper cells
    # {x y expected what}: opaque text cells are black under the glyphs, the graphics show right of
    # each row's text and through the transparent blanks that rtLocate padded with.
    while read -r x y want what; do
        got=$("$E2E_XWD2PNG" --pixel "$x,$y" "$E2E_TMP/demo.xwd")
        [ "$got" = "$want" ] || { problem="$what: pixel $x,$y is $got, expected $want"; return 1; }
    done <<'ROWS'
0 0 000000 top left of the first text cell
600 5 008080 graphics right of the first row
100 165 008080 transparent padding of row 10
321 160 000000 opaque cell over the orange box
500 170 FF8000 graphics right of row 10
5 470 0000A0 graphics below the text
ROWS
    # Crisp glyphs: over each text row (ASCII: 61 cells, Japanese: 51 cells) every pixel is ink or
    # background, nothing between.
    while read -r y cells; do
        box="0,$y,$((cells * 8)),16"
        ink=$("$E2E_XWD2PNG" --count FFFFFF --crop "$box" "$E2E_TMP/demo.xwd")
        paper=$("$E2E_XWD2PNG" --count 000000 --crop "$box" "$E2E_TMP/demo.xwd")
        [ "$ink" -gt $((cells * 10)) ] || { problem="only $ink white pixels in the row at y=$y"; return 1; }
        [ $((ink + paper)) -eq $((cells * 128)) ] ||
            { problem="row at y=$y is not crisp: $ink ink + $paper paper"; return 1; }
    done <<'ROWS'
0 61
16 51
ROWS
}
await "$E2E_START_CAP" "the demo's text over its graphics" demo_right || {
    "$E2E_XWD2PNG" "$E2E_TMP/demo.xwd" "$shot" || true
    e2e_fail "$problem (see $shot)"
}
"$E2E_XWD2PNG" "$E2E_TMP/demo.xwd" "$shot"

# Keys through the X server: letters ignore Shift, Enter is 13, Escape ends with exit code 0.
e2e_key "$id" a
e2e_wait_output "key 65"
e2e_key "$id" shift+b
e2e_wait_output "key 66"
e2e_key "$id" Return
e2e_wait_output "key 13"
# The keypad by X key code (87: keypad 1, 91: keypad decimal, 77: NumLock): navigation codes while
# NumLock is off, digits and the decimal key while it is on.
for pair in 87:35 77:144 87:97 91:110 77:144 91:46; do
    e2e_keycode "$id" "${pair%%:*}"
    e2e_wait_output "key ${pair##*:}"
    # Each line must be new: drop what was seen so that a repeated code waits for its own line.
    : >"$E2E_TMP/app.out"
done
e2e_key "$id" Escape
e2e_wait_output "key 27"
e2e_wait_exit "$APP_PID"
[ "$E2E_EXIT_CODE" = 0 ] || e2e_fail "exit code $E2E_EXIT_CODE, expected 0"
echo "ok: screenshot in $shot"
