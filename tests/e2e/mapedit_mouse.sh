#!/usr/bin/env bash
# The built mapedit in a real X server, used as a map maker would: a palette tile clicked, a drag
# that paints (button down, moves in steps, button up), undo and redo, a row put in and one taken
# out, a block marked with Shift and the arrows, copied, pasted and filled with a digit, Ctrl+S;
# then a second editor takes the block from the first through the desktop's clipboard, and text
# that xclip puts there. Each saved AREA1.csv is compared with what the edits make.
source "$(dirname "$0")/lib.sh"

command -v xclip >/dev/null || e2e_fail "xclip is not installed"
mkdir -p "$E2E_BIN/test-output"
e2e_start_xvfb
work=$(e2e_workdir)

# A row of the map: row VALUE [COLUMN=VALUE...], every cell VALUE but those named.
row() {
    local fill=$1 c cells=()
    shift
    for c in $(seq 0 31); do cells[c]=$fill; done
    for c in "$@"; do cells[${c%=*}]=${c#*=}; done
    local IFS=,
    printf '%s\r\n' "${cells[*]}"
}

# The editor started in a folder; its window (found by its process and its title) in EDITOR_ID.
start_editor() {
    local dir=$1
    mkdir -p "$dir" && cd "$dir" && e2e_make_tiles
    e2e_launch "$E2E_BIN/mapedit/mapedit"
    cd "$work"
    editor_titled() {
        local w
        for w in $(xdotool search --all --onlyvisible --pid "$APP_PID" --class '^PROMPT$' 2>/dev/null); do
            [ "$(xdotool getwindowname "$w" 2>/dev/null || true)" = "スクロール背景作成ツール" ] && EDITOR_ID=$w && return 0
        done
        return 1
    }
    await "$E2E_START_CAP" "the editor's window in $dir" editor_titled || e2e_fail "no editor window in $dir"
    e2e_wait_size "$EDITOR_ID" 800x480
    # The start screen is up once the last help line "Esc = 終了" is printed.
    help_shown() {
        xwd -silent -id "$EDITOR_ID" >"$E2E_TMP/start.xwd" &&
            [ "$("$E2E_XWD2PNG" --count FFFFFF --crop 520,368,80,16 "$E2E_TMP/start.xwd")" -gt 20 ]
    }
    await "$E2E_START_CAP" "the editor's help lines" help_shown || e2e_fail "the help lines did not appear"
}

# The editor's text rows 11 to 25 at column 65: the brush, the rows, the word, the status line.
texts() {
    xwd -silent -id "$1" >"$E2E_TMP/texts.xwd" &&
        "$E2E_XWD2PNG" --crop 520,176,280,240 "$E2E_TMP/texts.xwd" "$E2E_TMP/texts.png" && md5sum <"$E2E_TMP/texts.png"
}
# Does something to an editor and waits until its texts show it: act ID WHAT COMMAND...
act() {
    local id=$1 what=$2 before
    shift 2
    before=$(texts "$id")
    "$@"
    shown() { [ "$(texts "$id")" != "$before" ]; }
    if ! await "$E2E_START_CAP" "the editor to show $what" shown; then
        e2e_screenshot "$E2E_BIN/test-output/mapedit_mouse_failed.png" "$id"
        e2e_fail "no change on screen after $what (see test-output/mapedit_mouse_failed.png)"
    fi
}
keys() {
    local id=$1
    shift
    xdotool windowfocus --sync "$id" 2>/dev/null || xdotool windowfocus "$id"
    xdotool key --delay 80 "$@"
}
# Each key on its own, waiting for its effect.
press() {
    local id=$1 key
    shift
    for key in "$@"; do act "$id" "key $key" keys "$id" "$key"; done
}
pixel_is() { [ "$(e2e_pixel "$1" "$2" "$3")" = "$4" ]; }
await_pixel() {
    await "$E2E_START_CAP" "$5" pixel_is "$1" "$2" "$3" "$4" || e2e_fail "$5: pixel $2,$3 is $(e2e_pixel "$1" "$2" "$3")"
}
saved_as() { cmp -s "$1" "$2"; }
await_saved() {
    await "$E2E_START_CAP" "the save of $1" saved_as "$1" "$2" ||
        e2e_fail "$1 differs from what the edits make: $(diff <(tr -d '\r' <"$2") <(tr -d '\r' <"$1") | head -20)"
}

# Editor A: six rows, row R all tile R.
mkdir -p "$work/a"
for r in 0 1 2 3 4 5; do row "$r"; done >"$work/a/AREA1.csv"
start_editor "$work/a"
a=$EDITOR_ID
a_pid=$APP_PID

# The palette's tile 3 becomes the brush; a drag from cell (0, 0) to (5, 0), moving in steps of 4
# pixels, paints it.
act "$a" "the brush" xdotool mousemove --window "$a" 535 55 click 1
drag() {
    local x
    xdotool mousemove --window "$a" 8 8 mousedown 1
    for x in $(seq 12 4 88); do xdotool mousemove --window "$a" "$x" 9; done
    xdotool mouseup 1
}
drag
await_pixel "$a" 88 8 "$(e2e_tile_rgb 3)" "the drag to paint cell (5, 0)"
for x in 8 24 40 56 72; do pixel_is "$a" "$x" 8 "$(e2e_tile_rgb 3)" || e2e_fail "cell at $x,8 not painted"; done
pixel_is "$a" 104 8 "$(e2e_tile_rgb 0)" || e2e_fail "cell (6, 0) painted"
# The drag is one step: Ctrl+Z takes all of it back, Ctrl+Y makes it again.
keys "$a" ctrl+z
await_pixel "$a" 8 8 "$(e2e_tile_rgb 0)" "Ctrl+Z to take the drag back"
pixel_is "$a" 88 8 "$(e2e_tile_rgb 0)" || e2e_fail "Ctrl+Z left part of the drag"
keys "$a" ctrl+y
await_pixel "$a" 88 8 "$(e2e_tile_rgb 3)" "Ctrl+Y to make the drag again"

# Ctrl+Y put the cursor on the drag's first cell, (0, 0). Rows: Insert on row 2 puts a copy above
# it; Ctrl+Delete on row 4 (the old row 3) takes it out.
press "$a" Down Down Insert Down Down ctrl+Delete
await_pixel "$a" 8 72 "$(e2e_tile_rgb 4)" "row 4 after Ctrl+Delete"

# A block: Shift with the arrows marks (0, 4) to (1, 5); Ctrl+C copies it onto the clipboard.
press "$a" shift+Right shift+Down ctrl+c
clip=$(xclip -o -selection clipboard | od -An -c | tr -s ' ')
[ "$clip" = " 4 , 4 \r \n 5 , 5 \r \n" ] || e2e_fail "the clipboard holds:$clip"
# Up unmarks; Ctrl+V pastes at (1, 2); Shift+Right twice marks (1, 2) to (3, 2); 9 fills it.
press "$a" Up Up Up ctrl+v shift+Right shift+Right 9 Escape
e2e_screenshot "$E2E_BIN/test-output/mapedit_mouse.png" "$a"
keys "$a" ctrl+s
{
    row 0 0=3 1=3 2=3 3=3 4=3 5=3
    row 1
    row 2 1=9 2=9 3=9
    row 2 1=5 2=5
    row 4
    row 5
} >"$E2E_TMP/a.csv"
await_saved "$work/a/AREA1.csv" "$E2E_TMP/a.csv"

# The next start empties the output files: what A said so far is looked at now.
! e2e_app_errors | grep -q Sanitizer || e2e_fail "sanitizer report: $(e2e_app_errors)"

# Editor B, over A: a click on cell (10, 1) and Ctrl+V there take A's block from the clipboard.
mkdir -p "$work/b"
for r in 0 1 2; do row 0; done >"$work/b/AREA1.csv"
start_editor "$work/b"
b=$EDITOR_ID
b_pid=$APP_PID
act "$b" "the click on (10, 1)" xdotool mousemove --window "$b" 168 24 click 1
press "$b" ctrl+v
# Text of another program: a click on (30, 0), then Ctrl+V, cut at the map's right edge.
printf '7,8,6\r\n9,1,6\r\n' | xclip -selection clipboard 2>/dev/null
act "$b" "the click on (30, 0)" xdotool mousemove --window "$b" 488 8 click 1
press "$b" ctrl+v
keys "$b" ctrl+s
{
    row 0 30=7 31=8
    row 0 10=4 11=4 30=9 31=1
    row 0 10=5 11=5
} >"$E2E_TMP/b.csv"
await_saved "$work/b/AREA1.csv" "$E2E_TMP/b.csv"

for pair in "$b:$b_pid" "$a:$a_pid"; do
    press "${pair%%:*}" Escape
    keys "${pair%%:*}" Return
    e2e_wait_exit "${pair##*:}"
    [ "$E2E_EXIT_CODE" = 0 ] || e2e_fail "exit code $E2E_EXIT_CODE: $(e2e_app_errors)"
done
! e2e_app_errors | grep -q Sanitizer || e2e_fail "sanitizer report: $(e2e_app_errors)"
cmp -s "$work/a/AREA1.csv" "$E2E_TMP/a.csv" || e2e_fail "A's map changed at the end"
cmp -s "$work/b/AREA1.csv" "$E2E_TMP/b.csv" || e2e_fail "B's map changed at the end"
echo "mapedit_mouse: passed"
