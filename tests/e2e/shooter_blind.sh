# The game in a real X server with a map in its folder: its window comes up with the final title
# and the client size, it keeps running its frames while keys come in, and closing the window
# (the desktop's close request) ends it with exit code 0.
source "$(dirname "$0")/lib.sh"

e2e_start_xvfb
work=$(e2e_workdir)
cd "$work"

# 40 rows of ground, with standing objects, turrets, guns, a vehicle on a path and a fortress.
{
    for row in $(seq 0 39); do
        line=""
        for col in $(seq 0 31); do
            cell=$(( (row + col) % 10 ))
            case "$(( (row * 7 + col * 3) % 53 ))" in
            1) cell=$((cell + 256)) ;;
            2) cell=$((cell + 512)) ;;
            3) cell=$((cell + 1280)) ;;
            esac
            [ "$col" = 12 ] && cell=$((cell | 4096))
            [ "$col" = 12 ] && [ "$row" = 30 ] && cell=$((cell | 1024))
            [ "$col" = 5 ] && [ "$row" = 20 ] && cell=$((cell + 2304))
            line+="$cell"
            [ "$col" -lt 31 ] && line+=","
        done
        printf '%s\r\n' "$line"
    done
} >AREA1.csv

e2e_launch "$E2E_BIN/shooter/shooter"
id=$(e2e_wait_window PROMPT)
# Speed factor 1 and no wait until the speed measurement exists.
e2e_wait_title "$id" "ガルモアっぽいモノの作成実験 1ドットスクロール - ウェイト(0)"

geometry=$(xdotool getwindowgeometry "$id" | sed -n 's/.*Geometry: //p')
[ "$geometry" = "640x490" ] || e2e_fail "client size is $geometry, expected 640x490"

# Shots, a bomb and the arrows while the frames run.
e2e_key "$id" x z Left Up x Right Down
sleep 1
kill -0 "$APP_PID" 2>/dev/null || { e2e_app_errors >&2; e2e_fail "the game ended by itself"; }

# The close request a desktop sends: WM_DELETE_WINDOW in a WM_PROTOCOLS client message.
"$E2E_BIN/tests/e2e/xclose" "$id" || e2e_fail "the close request could not be sent"

e2e_wait_exit "$APP_PID"
[ "$E2E_EXIT_CODE" = 0 ] || e2e_fail "exit code $E2E_EXIT_CODE, expected 0: $(e2e_app_errors)"
! e2e_app_errors | grep -q Sanitizer || e2e_fail "sanitizer report: $(e2e_app_errors)"
echo "ok"
