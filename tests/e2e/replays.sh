# Runs recorded in a real X server with two busy loops beside the game, and played back. The file
# grows frame by frame while the game runs; a close at any moment (start-up, the speed measurement,
# the game) ends the game with exit code 0 and leaves a file that replays every frame in it.
# --replay in the window ignores the keyboard and ends by itself with exit code 0 and its line,
# which --timedemo repeats in the window and under the dummy driver. A file that cannot be played
# or recorded to is refused with exit code 2 before any window (without a display it gets no further).
source "$(dirname "$0")/lib.sh"

e2e_start_xvfb
cd "$(e2e_workdir)"
cp -r "$E2E_BIN/assets/data/." .
shooter="$E2E_BIN/shooter/shooter"
for _ in 1 2; do
    sh -c 'while :; do :; done' &
    E2E_PIDS+=("$!")
done
frames_in() { echo $(($(stat -c %s "$1") - 32)); }
headless() { SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy "$shooter" "$@"; }

# Closed at once, a moment later, and in the game after keys: each file replays all its frames.
for moment in 0 0.3 game; do
    e2e_launch "$shooter" --record "run-$moment"
    id=$(e2e_wait_window PROMPT)
    if [ "$moment" = game ]; then
        in_game() { [[ "$(xdotool getwindowname "$id" 2>/dev/null)" == ガルモアっぽいモノの作成実験* ]]; }
        await "$E2E_GAME_CAP" "the game's own title" in_game || e2e_fail "the game did not start"
        xdotool windowfocus --sync "$id" 2>/dev/null || xdotool windowfocus "$id"
        xdotool keydown Right keydown x; sleep 0.4; xdotool keyup x keydown z; sleep 0.1; xdotool keyup z keyup Right
        # The frames reach the file as they are played, not when some buffer fills.
        before=$(frames_in run-game)
        grown() { during=$(frames_in run-game) && [ "$during" -ge $((before + 2)) ]; }
        await "$E2E_START_CAP" "the recording to grow by two frames" grown ||
            e2e_fail "the recording grew by $((during - before)) frames"
    else
        sleep "$moment"
    fi
    "$E2E_BIN/tests/e2e/xclose" "$id" || e2e_fail "the close request could not be sent"
    e2e_wait_exit "$APP_PID"
    [ "$E2E_EXIT_CODE" = 0 ] || e2e_fail "recording closed at $moment: exit code $E2E_EXIT_CODE: $(e2e_app_errors)"
    ! e2e_app_errors | grep -q Sanitizer || e2e_fail "sanitizer report: $(e2e_app_errors)"
    line=$(headless --timedemo "run-$moment") || e2e_fail "run-$moment does not replay: $line"
    [[ "$line" == "$(frames_in "run-$moment") frames, state "* ]] || e2e_fail "run-$moment replays as: $line"
    echo "closed at $moment: $line"
done
[ "$(frames_in run-game)" -ge "$during" ] || e2e_fail "frames were lost at the close: $during, then $(frames_in run-game)"

# A run from a row of its own: a recording of version 2 that holds the row, replayed from there.
e2e_launch "$shooter" --record run-from --from-row 50
id=$(e2e_wait_window PROMPT)
measuring() { [ "$(stat -c %s run-from)" -ge 44 ]; }
await "$E2E_START_CAP" "ten frames of the run from row 50" measuring || e2e_fail "the run from row 50 did not grow"
"$E2E_BIN/tests/e2e/xclose" "$id" || e2e_fail "the close request could not be sent"
e2e_wait_exit "$APP_PID"
[ "$E2E_EXIT_CODE" = 0 ] || e2e_fail "--from-row 50: exit code $E2E_EXIT_CODE: $(e2e_app_errors)"
[ "$(od -A n -t u2 -j 8 -N 2 run-from | tr -d ' ')" = 2 ] || e2e_fail "the run from row 50 is not of version 2"
[ "$(od -A n -t u2 -j 32 -N 2 run-from | tr -d ' ')" = 50 ] || e2e_fail "the run does not hold its start row 50"
line=$(headless --timedemo run-from) || e2e_fail "run-from does not replay: $line"
[[ "$line" == "$(($(stat -c %s run-from) - 34)) frames, state "* ]] || e2e_fail "run-from replays as: $line"
echo "from row 50: $line"

# Played back in the window while keys are pressed there: the same line as without a window.
expected=$(headless --timedemo run-game)
expected=${expected%, * frames/s}
e2e_launch "$shooter" --replay run-game
id=$(e2e_wait_window PROMPT)
xdotool windowfocus --sync "$id" 2>/dev/null || xdotool windowfocus "$id"
xdotool keydown Left keydown z; sleep 0.3; xdotool keyup z keyup Left
e2e_wait_exit "$APP_PID" $((E2E_GAME_CAP + E2E_START_CAP))
[ "$E2E_EXIT_CODE" = 0 ] || e2e_fail "--replay: exit code $E2E_EXIT_CODE: $(e2e_app_errors)"
[ "$(e2e_app_output)" = "$expected" ] || e2e_fail "--replay in the window: '$(e2e_app_output)', headless: '$expected'"
timed=$("$shooter" --timedemo run-game)
[ "${timed%, * frames/s}" = "$expected" ] || e2e_fail "--timedemo in the window: '$timed', headless: '$expected'"

# Refused before any window: without a display, a program that got as far as its window would say
# that instead (exit code 1).
mkfifo fifo
mkdir folder
ln -s nowhere link
truncate -s 1T huge
cp run-game run-game.kept
sed -i '1s/^6/1/' AREA1.csv
for args in "--record run-game:exists already" "--record link:exists already" "--replay fifo:not a regular file" \
    "--timedemo folder:is a folder" "--replay huge:longer than any recording" "--timedemo missing:No such file" \
    "--replay run-game:recorded on another map" "--record a --replay b:cannot go together" \
    "--replay a --timedemo b:cannot go together"; do
    IFS=: read -r options message <<<"$args"
    code=0
    out=$(env -u DISPLAY timeout "$E2E_START_CAP" "$shooter" $options 2>&1) || code=$?
    [ "$code" = 2 ] && [[ "$out" == *"$message"* ]] || e2e_fail "$options: exit code $code, said: $out"
done
cmp -s run-game run-game.kept && [ ! -e nowhere ] || e2e_fail "--record touched an existing file"
echo "ok: $expected"
