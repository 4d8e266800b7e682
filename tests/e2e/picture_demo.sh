# Pictures in a real X server: a BMP, a JPEG and a GIF made here, put on the window with each
# raster operation (and one stretched), and the editor's five cell figures, checked on a screenshot.
source "$(dirname "$0")/lib.sh"

e2e_start_xvfb
cd "$(e2e_workdir)"
"$E2E_BIN/tests/e2e/picture_demo" make
[ -s bmp/demo.bmp ] && [ -s bmp/demo.jpg ] && [ -s bmp/demo.gif ] || e2e_fail "the demo did not make its images"
e2e_launch "$E2E_BIN/tests/e2e/picture_demo"
e2e_wait_window PROMPT >/dev/null
e2e_wait_output ready
# The window may be replaced while it starts, so take the one that carries the program's title.
id=""
demo_titled() {
    for w in $(xdotool search --onlyvisible --class '^PROMPT$' 2>/dev/null || true); do
        [ "$(xdotool getwindowname "$w" 2>/dev/null || true)" = "画像表示テスト" ] && id=$w
    done
    [ -n "$id" ]
}
await "$E2E_START_CAP" "the demo's title" demo_titled || e2e_fail "no PROMPT window titled 画像表示テスト"

mkdir -p "$E2E_BIN/test-output"
shot="$E2E_BIN/test-output/picture_demo.png"
# The window presents on its own thread: poll until the last figure has reached the screen.
last_figure_shown() {
    xwd -silent -id "$id" >"$E2E_TMP/demo.xwd"
    [ "$("$E2E_XWD2PNG" --pixel 411,315 "$E2E_TMP/demo.xwd")" = FF0000 ]
}
await "$E2E_START_CAP" "the last figure on the screen" last_figure_shown || true
"$E2E_XWD2PNG" "$E2E_TMP/demo.xwd" "$shot"

# {x y expected what} on a grey (808080) window.
while read -r x y want what; do
    got=$("$E2E_XWD2PNG" --pixel "$x,$y" "$E2E_TMP/demo.xwd")
    [ "$got" = "$want" ] || e2e_fail "$what: pixel $x,$y is $got, expected $want (see $shot)"
done <<'ROWS'
5 5 808080 background
20 20 FF0000 BMP copy red quadrant
50 20 00FF00 BMP copy green quadrant
20 50 0000FF BMP copy blue quadrant
50 50 FFFFFF BMP copy white quadrant
100 20 800000 BMP and red
130 20 008000 BMP and green
100 50 000080 BMP and blue
130 50 808080 BMP and white
180 20 FF8080 BMP paint red
210 20 80FF80 BMP paint green
180 50 8080FF BMP paint blue
210 50 FFFFFF BMP paint white
74 20 808080 right of the BMP
20 100 000000 JPEG copy black half
50 100 FFFFFF JPEG copy white half
100 100 000000 JPEG and black half
130 100 808080 JPEG and white half
180 100 808080 JPEG paint black half
210 100 FFFFFF JPEG paint white half
20 175 FFFF00 GIF copy yellow band
20 190 FF00FF GIF copy magenta band
20 205 00FFFF GIF copy cyan band
20 225 0000FF GIF copy blue band
100 175 808000 GIF and yellow
180 175 FFFF80 GIF paint yellow
20 234 808080 below the GIF
270 20 FF0000 stretched BMP red
380 20 00FF00 stretched BMP green
270 130 0000FF stretched BMP blue
387 137 FFFFFF stretched BMP last pixel
388 20 808080 right of the stretched BMP
300 138 808080 below the stretched BMP
300 300 000000 black square corner
315 315 000000 black square far corner
316 300 808080 right of the black square
329 305 FF0000 red marker corner
334 310 FF0000 red marker far corner
328 305 808080 left of the red marker
335 310 808080 right of the red marker
355 307 0000FF blue marker corner
356 308 0000FF blue marker far corner
354 307 808080 left of the blue marker
357 308 808080 right of the blue marker
372 300 FFFF00 yellow frame corner
387 315 FFFF00 yellow frame far corner
380 308 808080 inside the yellow frame
388 300 808080 right of the yellow frame
396 300 FF0000 red frame corner
411 315 FF0000 red frame far corner
404 308 808080 inside the red frame
ROWS

e2e_key "$id" Escape
e2e_wait_exit "$APP_PID"
[ "$E2E_EXIT_CODE" = 0 ] || e2e_fail "exit code $E2E_EXIT_CODE, expected 0"
echo "ok: screenshot in $shot"
