# Every close request of the desktop ends the program with exit code 0 at once, whatever it is
# doing: starting, idle, taking keys, running the game's frames, asking mapedit's quit question.
# Races hide on a quiet machine, so two busy loops run beside the programs; each program is started
# 20 times in one X server and gets one close request per run, at a different moment each time.
source "$(dirname "$0")/lib.sh"

e2e_start_xvfb
cd "$(e2e_workdir)"
zeros='0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0'
printf '%s\r\n%s\r\n%s\r\n' "$zeros" "$zeros" "$zeros" >AREA1.csv

# Stopped with everything else when the script ends.
for _ in 1 2; do
    sh -c 'while :; do :; done' &
    E2E_PIDS+=("$!")
done

# The window's title starts with the text: the program's own start-up is over.
title_starts() {
    local title
    title=$(xdotool getwindowname "$1" 2>/dev/null || true)
    [[ "$title" == "$2"* ]] || { kill -0 "$APP_PID" 2>/dev/null || return 0; return 1; }
}
app_ended() { ! kill -0 "$APP_PID" 2>/dev/null; }

# One run: start the program, bring it to the moment, send one close request and await its end.
# Prints nothing when it ended with exit code 0, else what happened.
close_once() {
    local program=$1 title=$2 moment=$3 pause=$4 id code sent took
    e2e_launch "$E2E_BIN/$program/$program"
    id=$(e2e_wait_window PROMPT)
    case "$moment" in
    start-up) sleep "$pause" ;;
    *) await "$E2E_GAME_CAP" "$program's title" title_starts "$id" "$title" || { echo "no title"; return; } ;;
    esac
    case "$moment" in
    idle | frames) sleep "$pause" ;;
    keys) e2e_key "$id" Right Down x z ;;
    question) e2e_key "$id" Escape && sleep "$pause" ;;
    esac
    kill -0 "$APP_PID" 2>/dev/null || { echo "ended by itself before the close request"; return; }
    "$E2E_BIN/tests/e2e/xclose" "$id" || e2e_fail "the close request could not be sent"
    sent=$EPOCHREALTIME
    if ! await "$E2E_START_CAP" "$program to end after a close request ($moment)" app_ended; then
        kill -9 "$APP_PID" 2>/dev/null || true
        wait "$APP_PID" 2>/dev/null || true
        echo "still running $E2E_START_CAP s after the close request"
        return
    fi
    # At once, where the build keeps time: a Release build ends in well under a tenth of this.
    took=$(await_elapsed "$sent")
    [ -n "${E2E_SANITIZE:-}" ] || [ "${took%.*}" -lt 2 ] || echo "ended only $took s after the close request"
    code=0
    wait "$APP_PID" || code=$?
    [ "$code" = 0 ] || echo "exit code $code: $(e2e_app_errors)"
    ! e2e_app_errors | grep -q Sanitizer || echo "sanitizer report: $(e2e_app_errors)"
}

failures=0
for spec in "shooter:ガルモアっぽいモノの作成実験:start-up idle keys frames" \
    "mapedit:スクロール背景作成ツール:start-up idle keys question"; do
    IFS=: read -r program title moments <<<"$spec"
    read -r -a moments <<<"$moments"
    honoured=0
    for run in $(seq 0 19); do
        moment=${moments[$((run % 4))]}
        # From at once to nearly a second, in a different order for each moment.
        pause=0.$(((run * 7 + run / 4 * 3) % 10))
        outcome=$(close_once "$program" "$title" "$moment" "$pause")
        if [ -z "$outcome" ]; then
            honoured=$((honoured + 1))
        else
            echo "$program, run $run ($moment, pause ${pause}s): $outcome" >&2
        fi
    done
    echo "$program: $honoured of 20 close requests honoured"
    failures=$((failures + 20 - honoured))
done
[ "$failures" = 0 ] || e2e_fail "$failures close requests were not honoured"
echo "ok"
