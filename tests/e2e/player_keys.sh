# The player's keys in a real X server, with a home folder of its own whose user-dirs.dirs names
# the pictures folder. The game, recording: P holds it (the picture stays, the recording gets no
# frame, the panel says so), M says the sound is muted, F12 saves the game's picture, pixel for
# pixel what the window shows less the signs, and P lets the game go on. Paused by the Pause key and
# closed, it ends with exit code 0 and its recording replays to the very picture it was paused on,
# also in a replay paused itself. The editor at scale 2: F12 saves its own 800 x 480 picture, at its
# quit question and in the fullscreen view too, and the editor goes on.
source "$(dirname "$0")/lib.sh"

# Room for the editor at scale 2 (1600 x 960).
e2e_start_xvfb 1920x1080
work=$(e2e_workdir)
cd "$work"
cp -r "$E2E_BIN/assets/data/." .
export HOME="$E2E_TMP/home"
unset XDG_CONFIG_HOME XDG_PICTURES_DIR
mkdir -p "$HOME/.config"
printf '# the desktop'"'"'s folders\nXDG_PICTURES_DIR="$HOME/Bilder"\n' >"$HOME/.config/user-dirs.dirs"
pictures="$HOME/Bilder"
shooter="$E2E_BIN/shooter/shooter"
xwd_tool() { "$E2E_XWD2PNG" "$@"; }
shot() { xwd -silent -id "$id" >"$1"; }
frames_in() { echo $(($(stat -c %s "$1") - 32)); }
# The game's panel right of the playfield, where the signs and notices stand.
panel=512,0,128,490
# White on the panel in the rows of the sign at y: the pause sign at 16, the mute sign at 64, the
# notice from 112.
sign_in() { [ "$(xwd_tool --count FFFFFF --crop "512,$2,128,32" "$1")" -gt 20 ]; }
# How many lines on stderr match the pattern.
lines_like() { grep -c -- "$1" "$E2E_TMP/app.err" || true; }
# Presses F12 and waits for the next line on stderr that matches the pattern. The notice that
# follows stays a few seconds, less than reading a dump may take a loaded sanitizer's build: window
# dumps are taken in a burst right after the line and read afterwards, and one of them must show
# white in the notice's box (x,y,w,h).
f12_told() {
    local pattern=$1 box=$2 before k
    before=$(lines_like "$pattern")
    e2e_key "$id" F12
    told() { [ "$(lines_like "$pattern")" -gt "$before" ]; }
    await "$E2E_START_CAP" "the line '$pattern' after F12" told || e2e_fail "F12: $(e2e_app_errors)"
    for k in $(seq 1 10); do
        shot "$E2E_TMP/burst$k.xwd"
        sleep 0.1
    done
    for k in $(seq 1 10); do
        [ "$(xwd_tool --count FFFFFF --crop "$box" "$E2E_TMP/burst$k.xwd")" -gt 20 ] && return 0
    done
    e2e_fail "F12: no notice in the window at $box"
}
# F12 that saves: the file it names ($saved) lies in the program's folder of the pictures folder.
f12() {
    local program=$1 box=$2 saying="^$1: the window's picture is saved as "
    f12_told "$saying" "$box"
    saved=$(sed -n "s/$saying//p" "$E2E_TMP/app.err" | tail -n 1)
    [[ "$saved" =~ ^$pictures/$program/$program-[0-9]{4}-[0-9]{2}-[0-9]{2}_[0-9]{2}-[0-9]{2}-[0-9]{2}(-[0-9]+)?\.png$ ]] ||
        e2e_fail "F12 in $program saved $saved"
}

e2e_launch "$shooter" --record run
id=$(e2e_wait_window PROMPT)
in_game() { [[ "$(xdotool getwindowname "$id" 2>/dev/null)" == ガルモアっぽいモノの作成実験* ]]; }
await "$E2E_GAME_CAP" "the game's own title" in_game || e2e_fail "the game did not start"
e2e_wait_size "$id" 640x490
played() { [ "$(frames_in run)" -ge 60 ]; }
await "$E2E_START_CAP" "a second of play before the pause" played || e2e_fail "the game plays no frames"

e2e_key "$id" p
paused() { shot "$E2E_TMP/held1.xwd" && sign_in "$E2E_TMP/held1.xwd" 16; }
await "$E2E_START_CAP" "the pause sign" paused || e2e_fail "no pause sign on the panel after P"
held=$(frames_in run)
# Nothing comes to await while the game is held: the pictures of a second and a half are compared.
xwd_tool "$E2E_TMP/held1.xwd" "$E2E_TMP/held1.png"
for k in 2 3 4; do
    sleep 0.5
    shot "$E2E_TMP/held$k.xwd"
    xwd_tool "$E2E_TMP/held$k.xwd" "$E2E_TMP/held$k.png"
    cmp -s "$E2E_TMP/held1.png" "$E2E_TMP/held$k.png" || e2e_fail "the picture changed during the pause"
done
[ "$(frames_in run)" = "$held" ] || e2e_fail "the recording grew from $held to $(frames_in run) frames in the pause"

e2e_key "$id" m
muted() { shot "$E2E_TMP/muted.xwd" && sign_in "$E2E_TMP/muted.xwd" 64; }
await "$E2E_START_CAP" "the mute sign" muted || e2e_fail "no mute sign on the panel after M"
# The game's own picture: what the window shows, less the signs on its panel.
xwd_tool --blank "$panel" "$E2E_TMP/muted.xwd" "$E2E_TMP/game.png"
game_notice=512,112,128,64
f12 shooter "$game_notice"
cmp -s "$saved" "$E2E_TMP/game.png" || e2e_fail "$saved is not the game's 640 x 490 picture: $(file "$saved")"
[ "$(frames_in run)" = "$held" ] || e2e_fail "the recording grew while paused, muted and pictured"

e2e_key "$id" p
goes_on() {
    shot "$E2E_TMP/on.xwd" && ! sign_in "$E2E_TMP/on.xwd" 16 && [ "$(frames_in run)" -gt $((held + 10)) ]
}
await "$E2E_START_CAP" "the game to go on after P" goes_on || e2e_fail "the game did not go on after P"
xwd_tool --blank "$panel" "$E2E_TMP/on.xwd" "$E2E_TMP/on.png"
! cmp -s "$E2E_TMP/on.png" "$E2E_TMP/game.png" || e2e_fail "the picture did not move after the pause"

# Paused again and closed: the run ends on the picture it was paused on.
e2e_key "$id" Pause
paused() { shot "$E2E_TMP/last.xwd" && sign_in "$E2E_TMP/last.xwd" 16; }
await "$E2E_START_CAP" "the pause sign after the Pause key" paused || e2e_fail "no pause sign after the Pause key"
last=$(frames_in run)
picture=$(xwd_tool --blank "$panel" --hash "$E2E_TMP/last.xwd")
"$E2E_BIN/tests/e2e/xclose" "$id" || e2e_fail "the close request could not be sent"
e2e_wait_exit "$APP_PID"
[ "$E2E_EXIT_CODE" = 0 ] || e2e_fail "closed while paused: exit code $E2E_EXIT_CODE: $(e2e_app_errors)"
! e2e_app_errors | grep -q Sanitizer || e2e_fail "sanitizer report: $(e2e_app_errors)"
[ "$(frames_in run)" = "$last" ] || e2e_fail "the recording has $(frames_in run) frames, paused at $last"
line=$(SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy "$shooter" --timedemo run) || e2e_fail "run does not replay: $line"
[[ "$line" == "$last frames, state "*", picture $picture, "* ]] ||
    e2e_fail "the run replays as '$line', paused at $last frames on picture $picture"

# Played back in the window and paused there: the replay waits, and ends as it would have.
expected=${line%, * frames/s}
e2e_launch "$shooter" --replay run
id=$(e2e_wait_window PROMPT)
e2e_key "$id" p # taken at the first frame of the game, if it comes during the start
paused() { shot "$E2E_TMP/r1.xwd" && sign_in "$E2E_TMP/r1.xwd" 16; }
await "$E2E_GAME_CAP" "the paused replay" paused || e2e_fail "the replay did not pause"
sleep 0.5 # nothing to await in a pause, as above
kill -0 "$APP_PID" 2>/dev/null || e2e_fail "the replay ended while paused"
e2e_key "$id" p
e2e_wait_exit "$APP_PID" $((E2E_GAME_CAP + E2E_START_CAP))
[ "$E2E_EXIT_CODE" = 0 ] || e2e_fail "--replay: exit code $E2E_EXIT_CODE: $(e2e_app_errors)"
[ "$(e2e_app_output)" = "$expected" ] || e2e_fail "the paused replay: '$(e2e_app_output)', expected '$expected'"

# The editor at scale 2: its own picture is each 2 x 2 block of what the window shows.
e2e_launch "$E2E_BIN/mapedit/mapedit" --scale 2
id=$(e2e_wait_window PROMPT)
e2e_wait_title "$id" "スクロール背景作成ツール"
e2e_wait_size "$id" 1600x960
# The text right of the view (rows 19 to 25 from column 65), where the quit question comes.
text_area() {
    shot "$E2E_TMP/area.xwd" && xwd_tool --blocks 2 --crop 1040,608,560,224 "$E2E_TMP/area.xwd" "$E2E_TMP/area.png" &&
        md5sum <"$E2E_TMP/area.png"
}
# White in a box of the window (at scale 2).
white_in() { shot "$E2E_TMP/box.xwd" && [ "$(xwd_tool --count FFFFFF --crop "$1" "$E2E_TMP/box.xwd")" -gt 20 ]; }
# The line of the saved state (row 20), then the info lines (rows 11 and 12), are the last the start
# screen draws.
drawn() { white_in 1040,640,560,32 && white_in 1040,384,560,32; }
await "$E2E_START_CAP" "the editor's start screen" drawn || e2e_fail "the editor drew no start screen"
editor_picture() { shot "$E2E_TMP/editor.xwd" && xwd_tool --blocks 2 "$E2E_TMP/editor.xwd" "$1"; }
editor_picture "$E2E_TMP/editor.png"
# The notice stands right of the view (rows 15 to 17, below the info lines), then goes.
editor_notice=1040,480,560,96
f12 mapedit "$editor_notice"
cmp -s "$saved" "$E2E_TMP/editor.png" || e2e_fail "$saved is not the editor's 800 x 480 picture: $(file "$saved")"
gone() { ! white_in "$editor_notice"; }
await "$E2E_START_CAP" "the editor's notice to go" gone || e2e_fail "the notice stays"

before=$(text_area)
e2e_key "$id" Escape
asked() { [ "$(text_area)" != "$before" ]; }
await "$E2E_START_CAP" "the quit question" asked || e2e_fail "no quit question after Esc"
editor_picture "$E2E_TMP/question.png"
f12 mapedit "$editor_notice"
cmp -s "$saved" "$E2E_TMP/question.png" || e2e_fail "$saved is not the editor's picture at its question"
e2e_key "$id" alt+Return
e2e_wait_size "$id" 1920x1080
# The 800 x 480 picture in the middle of the 1920 x 1080 screen at scale 2: (160, 60).
f12 mapedit 1200,540,560,96
cmp -s "$saved" "$E2E_TMP/question.png" || e2e_fail "in the fullscreen view $saved is not the editor's own picture: $(file "$saved")"
e2e_key "$id" alt+Return
e2e_wait_size "$id" 1600x960

# The editor goes on: N answers its question, and a close without edits ends it.
before=$(text_area)
e2e_key "$id" n
await "$E2E_START_CAP" "the editor back from its question" asked || e2e_fail "the editor does not answer after F12"
"$E2E_BIN/tests/e2e/xclose" "$id" || e2e_fail "the close request could not be sent"
e2e_wait_exit "$APP_PID"
[ "$E2E_EXIT_CODE" = 0 ] || e2e_fail "mapedit: exit code $E2E_EXIT_CODE: $(e2e_app_errors)"
! e2e_app_errors | grep -q Sanitizer || e2e_fail "sanitizer report: $(e2e_app_errors)"
echo "ok: paused at $last frames, $line"
