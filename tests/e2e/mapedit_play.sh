#!/usr/bin/env bash
# F5 in the built mapedit in a real X server: the map is saved, and the game the build tree holds
# starts beside the editor on the same play folder from the cursor's row, while the editor goes on.
# An editor that finds no game says so and goes on too.
source "$(dirname "$0")/lib.sh"

e2e_start_xvfb
work=$(e2e_workdir)
cd "$work"
cp -r "$E2E_BIN/assets/data/." .
cp AREA1.csv before.csv

editor_window() {
    local w
    for w in $(xdotool search --onlyvisible --class '^PROMPT$' 2>/dev/null); do
        [ "$(xdotool getwindowname "$w" 2>/dev/null || true)" = "スクロール背景作成ツール" ] && echo "$w" && return 0
    done
    return 1
}
# Starts an editor program and waits for its window and help lines.
start_editor() {
    e2e_launch "$@"
    editor_titled() { id=$(editor_window); }
    await "$E2E_START_CAP" "the editor's title" editor_titled || e2e_fail "no editor window"
    help_shown() {
        xwd -silent -id "$id" >"$E2E_TMP/start.xwd" &&
            [ "$("$E2E_XWD2PNG" --count FFFFFF --crop 520,368,80,16 "$E2E_TMP/start.xwd")" -gt 20 ]
    }
    await "$E2E_START_CAP" "the editor's help lines" help_shown || e2e_fail "the help lines did not appear"
}
# Sends one key and waits until the editor has shown its effect in its text area: the editor
# holds one key at a time, so the next may only come after.
text_area() {
    xwd -silent -id "$id" >"$E2E_TMP/area.xwd" &&
        "$E2E_XWD2PNG" --crop 520,304,280,112 "$E2E_TMP/area.xwd" "$E2E_TMP/area.png" &&
        md5sum <"$E2E_TMP/area.png"
}
press() {
    local before
    before=$(text_area)
    e2e_key "$id" "$1"
    area_changed() { [ "$(text_area)" != "$before" ]; }
    await "$E2E_START_CAP" "the editor to show key $1" area_changed || e2e_fail "no change on screen after key $1"
}
# The editor's children: the game it started.
game_pid() { pgrep -P "$APP_PID" -x shooter; }

start_editor "$E2E_BIN/mapedit/mapedit"
editor=$APP_PID
# Three rows down, tile 5 there (the cursor steps on to row 4, the last arrow's way), F5.
for key in Down Down Down 5 F5; do press $key; done
started() { pid=$(game_pid); }
await "$E2E_START_CAP" "the game to start" started || e2e_fail "F5 started no game: $(e2e_app_errors)"
E2E_PIDS+=("$pid")
[ "$(tr '\0' ' ' </proc/"$pid"/cmdline)" = "$E2E_BIN/mapedit/../shooter/shooter --from-row 4 " ] ||
    e2e_fail "the game was started as: $(tr '\0' ' ' </proc/"$pid"/cmdline)"
[ "$(readlink /proc/"$pid"/cwd)" = "$work" ] || e2e_fail "the game plays in $(readlink /proc/"$pid"/cwd)"
# The save came first: row 3 starts with tile 5 now, the rest is as it was.
[ "$(sed -n 4p AREA1.csv | cut -d, -f1)" = 5 ] || e2e_fail "row 3 of the saved map: $(sed -n 4p AREA1.csv)"
[ "$(sed 4d AREA1.csv | md5sum)" = "$(sed 4d before.csv | md5sum)" ] || e2e_fail "F5 changed other rows"
game_window() {
    local w
    for w in $(xdotool search --onlyvisible --class '^PROMPT$' 2>/dev/null); do
        [ "$w" != "$id" ] && game=$w && return 0
    done
    return 1
}
await "$E2E_GAME_CAP" "the game's window beside the editor's" game_window || e2e_fail "no window of the game"
kill -0 "$editor" || e2e_fail "the editor ended"
grep -q "ゲームを行 4 から始めました" "$E2E_TMP/app.err" || e2e_fail "the editor did not say so: $(e2e_app_errors)"

# The game closed, the editor goes on and quits as usual.
"$E2E_BIN/tests/e2e/xclose" "$game" || e2e_fail "the close request could not be sent"
e2e_wait_exit "$pid"
press Escape
e2e_key "$id" Return
e2e_wait_exit "$editor"
[ "$E2E_EXIT_CODE" = 0 ] || e2e_fail "the editor ended with $E2E_EXIT_CODE: $(e2e_app_errors)"
! grep -q Sanitizer "$E2E_TMP/app.err" || e2e_fail "sanitizer report: $(e2e_app_errors)"

# An editor with no game beside it nor on PATH says so at once and goes on editing.
mkdir -p alone
cp "$E2E_BIN/mapedit/mapedit" alone/
start_editor env PATH=/nonexistent "$work/alone/mapedit"
press F5
told() { grep -q "ゲーム(shooter)が見つかりません" "$E2E_TMP/app.err"; }
await "$E2E_START_CAP" "the editor to say that there is no game" told || e2e_fail "no word of the missing game: $(e2e_app_errors)"
press Escape
e2e_key "$id" Return
e2e_wait_exit "$APP_PID"
[ "$E2E_EXIT_CODE" = 0 ] || e2e_fail "the editor without a game ended with $E2E_EXIT_CODE: $(e2e_app_errors)"
echo "ok: F5 started the game from row 4 beside the editor"
