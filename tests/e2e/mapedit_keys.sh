#!/usr/bin/env bash
# The built mapedit in a real X server: keys typed through XTest (keypad keys by keycode, NumLock
# on), the map changed on disk and read again, a screenshot checked at a few pixels, an edit
# undone and redone with Ctrl, then Esc and Enter and the saved map compared byte for byte.
source "$(dirname "$0")/lib.sh"

e2e_start_xvfb
work=$(e2e_workdir)
cd "$work"

# The folder to edit: ten plain tiles and a map of three rows.
e2e_make_tiles
zeros='0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0'
printf '%s\r\n%s\r\n%s\r\n' "$zeros" "$zeros" "$zeros" >AREA1.csv

e2e_launch "$E2E_BIN/mapedit/mapedit"
e2e_wait_window PROMPT >/dev/null
# The editor's window once it carries the editor's title (the first window id seen may not last
# until then).
editor_window() {
    local w
    for w in $(xdotool search --onlyvisible --class '^PROMPT$' 2>/dev/null); do
        [ "$(xdotool getwindowname "$w" 2>/dev/null || true)" = "スクロール背景作成ツール" ] && echo "$w" && return 0
    done
    return 1
}
editor_titled() { id=$(editor_window); }
await "$E2E_START_CAP" "the editor's title" editor_titled || e2e_fail "no window of class PROMPT titled スクロール背景作成ツール"
e2e_wait_size "$id" 800x480

# The editor's text area (rows 19 to 25 from column 65): every key below changes it.
text_area() {
    xwd -silent -id "$id" >"$E2E_TMP/area.xwd" &&
        "$E2E_XWD2PNG" --crop 520,304,280,112 "$E2E_TMP/area.xwd" "$E2E_TMP/area.png" &&
        md5sum <"$E2E_TMP/area.png"
}
# Sends one key (a name, or "code N" for an X keycode) and waits until the editor has shown its
# effect: the editor holds one key at a time, so the next may only come after.
press() {
    local before i
    before=$(text_area)
    if [ "$1" = code ]; then e2e_keycode "$id" "$2"; else e2e_key "$id" "$1"; fi
    area_changed() { [ "$(text_area)" != "$before" ]; }
    await "$E2E_START_CAP" "the editor to show key $*" area_changed || e2e_fail "no change on screen after key $*"
}

# The start screen is up once the last help line "Esc = 終了" is printed.
help_shown() {
    xwd -silent -id "$id" >"$E2E_TMP/start.xwd" &&
        [ "$("$E2E_XWD2PNG" --count FFFFFF --crop 520,368,80,16 "$E2E_TMP/start.xwd")" -gt 20 ]
}
await "$E2E_START_CAP" "the editor's help lines" help_shown || e2e_fail "the help lines did not appear"

# Another program (here a plain write, as a text editor's) changes the map while nothing is unsaved:
# the editor reads it again by itself within about two seconds.
row0_other='9,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0'
printf '%s\r\n%s\r\n%s\r\n' "$row0_other" "$zeros" "$zeros" >AREA1.csv
read_again() { [ "$(e2e_pixel "$id" 8 8)" = "$(e2e_tile_rgb 9)" ]; }
await "$E2E_START_CAP" "the editor to read the changed map again" read_again || e2e_fail "the map changed on disk was not read again"

# NumLock on, so that the keypad gives its digits (the editor shows its key code, 144).
press Num_Lock
# Right, Right, 7: tile 7 at (2, 0), the cursor steps on to (3, 0). Down: (3, 1). Enter, keypad 5
# (keycode 84): ground object 5. Tab: path mark. Left: (2, 1).
for key in Right Right 7 Down Return "code 84" Tab Left; do
    press $key
done

mkdir -p "$E2E_BIN/test-output"
shot="$E2E_BIN/test-output/mapedit_keys.png"
e2e_screenshot "$shot" "$id"
xwd -silent -id "$id" >"$E2E_TMP/editor.xwd"
while read -r x y want what; do
    if [ "$want" = tile ]; then
        want=$(e2e_tile_rgb "${what%% *}")
        what="tile $what"
    fi
    got=$("$E2E_XWD2PNG" --pixel "$x,$y" "$E2E_TMP/editor.xwd")
    [ "$got" = "$want" ] || e2e_fail "$what: pixel $x,$y is $got, expected $want (see $shot)"
done <<'ROWS'
32 16 FFFF00 cursor frame, top left
47 31 FFFF00 cursor frame, bottom right
40 8 tile 7 set by the digit
24 8 tile 0 left alone
53 21 FF0000 ground-object marker
55 23 0000FF path marker
49 17 tile 0 after the cursor frame left
528 144 tile 9 in the palette
600 470 000000 empty screen
ROWS

# Ctrl+Z takes the path mark back, Ctrl+Shift+Z makes it again, Ctrl+Z takes it back once more:
# xdotool lets go of Ctrl right after Z, before the editor reads the key.
for key in ctrl+z ctrl+shift+z ctrl+z; do
    press $key
done

press Escape
e2e_key "$id" Return
e2e_wait_exit "$APP_PID"
[ "$E2E_EXIT_CODE" = 0 ] || e2e_fail "exit code $E2E_EXIT_CODE: $(e2e_app_errors)"
! e2e_app_errors | grep -q Sanitizer || e2e_fail "sanitizer report: $(e2e_app_errors)"

row0='9,0,7,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0'
row1='0,0,0,1280,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0'
printf '%s\r\n%s\r\n%s\r\n' "$row0" "$row1" "$zeros" >"$E2E_TMP/expected.csv"
cmp "$E2E_TMP/expected.csv" AREA1.csv || e2e_fail "the saved map differs: $(od -c AREA1.csv | head -20)"
echo "mapedit_keys: passed"
