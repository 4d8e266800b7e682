# Helpers for the end-to-end scripts: a private X server, the programs in it, keys and screenshots.
# Source this file; it sets `set -euo pipefail` and cleans up on exit.
#
#   e2e_start_xvfb [WxH]           start Xvfb on a free display (exports DISPLAY), screen 1280x1024
#   e2e_workdir                    a fresh folder for this script (echoes its path; removed at exit)
#   e2e_launch PROGRAM [ARGS...]   start a program in the background (sets APP_PID)
#   e2e_wait_window [CLASS]        wait for a mapped window of that class (default PROMPT); echoes its id
#   e2e_wait_title ID TEXT         wait until the window's title is TEXT
#   e2e_wait_size ID WxH           wait until the window's client size is WxH
#   e2e_key ID KEY...              send keys (xdotool names) to the window through XTest
#   e2e_keycode ID CODE...         send X key codes (keypad keys) to the window
#   e2e_screenshot OUT.png [ID]    screenshot of the window (or the whole screen) as PNG
#   e2e_pixel ID X Y               colour of a window pixel as RRGGBB
#   e2e_wait_exit PID [SECS]       wait for the program to end; its exit code goes to E2E_EXIT_CODE
#   e2e_wait_output TEXT           wait until the program's standard output holds a line TEXT
#   e2e_close_demo_after_a ID      type "a", check that the demo heard it and nothing before, Esc
#   e2e_open_prompt_demo           start the prompt demo and wait until it is ready (sets DEMO_ID)
#   e2e_make_tiles                 ten plain editor tiles in ./bmp, tile N of colour e2e_tile_rgb N
#   await CAP WHAT COMMAND...      wait for any condition (tests/support/await.sh)
#   e2e_fail MESSAGE               report and fail
#   e2e_stop                       stop everything this script started (also done at exit)

set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../support/await.sh"

# The caps of the waits, in seconds: each at least five times the slowest seen in a
# ThreadSanitizer build with three busy loops beside it.
E2E_START_CAP=120 # a program's window, title, first output and end
E2E_SIZE_CAP=30  # a window's new size
E2E_GAME_CAP=300 # the game's own title and picture, after the 230 frames of its speed measurement

E2E_BIN=${TEST_BINARY_DIR:?TEST_BINARY_DIR is not set}
E2E_XWD2PNG="$E2E_BIN/tests/e2e/xwd2png"
E2E_TMP=$(mktemp -d "${TMPDIR:-/tmp}/e2e.XXXXXX")
E2E_PIDS=()
XVFB_PID=""
# The editor's journals stay inside this script's own folder.
export XDG_STATE_HOME="$E2E_TMP/state"
APP_PID=""

e2e_fail() {
    echo "FAIL: $*" >&2
    exit 1
}

e2e_stop() {
    local pid
    for pid in "${E2E_PIDS[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in "${E2E_PIDS[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
    E2E_PIDS=()
    if [ -n "$XVFB_PID" ]; then
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
        XVFB_PID=""
    fi
}

e2e_cleanup() {
    local rc=$?
    e2e_stop
    rm -rf "$E2E_TMP"
    exit $rc
}
trap e2e_cleanup EXIT

# Xvfb picks a free display itself and writes its number to the given descriptor when it is ready.
e2e_start_xvfb() {
    command -v Xvfb >/dev/null || e2e_fail "Xvfb is not installed"
    local fdfile="$E2E_TMP/displayfd"
    : >"$fdfile"
    Xvfb -noreset -nolisten tcp -screen 0 "${1:-1280x1024}x24" -displayfd 9 9>"$fdfile" 2>"$E2E_TMP/xvfb.log" &
    XVFB_PID=$!
    e2e__xvfb_ready() {
        kill -0 "$XVFB_PID" 2>/dev/null || { cat "$E2E_TMP/xvfb.log" >&2; e2e_fail "Xvfb did not start"; }
        [ -s "$fdfile" ] && grep -q '[0-9]' "$fdfile"
    }
    await "$E2E_START_CAP" "Xvfb's display number" e2e__xvfb_ready || e2e_fail "Xvfb gave no display number"
    export DISPLAY=":$(tr -dc '0-9' <"$fdfile")"
    # The desktop's scale is the X server's alone (its resource database), none of ours.
    unset WAYLAND_DISPLAY SDL_VIDEODRIVER GDK_SCALE
}

e2e_workdir() {
    local dir="$E2E_TMP/work"
    mkdir -p "$dir"
    echo "$dir"
}

# Output is appended, so a script may empty app.out to wait for a line it has seen before.
e2e_launch() {
    : >"$E2E_TMP/app.out"
    : >"$E2E_TMP/app.err"
    "$@" >>"$E2E_TMP/app.out" 2>>"$E2E_TMP/app.err" &
    APP_PID=$!
    E2E_PIDS+=("$APP_PID")
}

e2e_app_output() { cat "$E2E_TMP/app.out"; }
e2e_app_errors() { cat "$E2E_TMP/app.err"; }

e2e_wait_window() {
    local class=${1:-PROMPT}
    e2e__window_of_class() {
        E2E_FOUND=$(xdotool search --onlyvisible --class "^${class}\$" 2>/dev/null | head -n 1 || true)
        [ -n "$E2E_FOUND" ] && return 0
        if [ -n "$APP_PID" ] && ! kill -0 "$APP_PID" 2>/dev/null; then
            e2e_app_errors >&2
            e2e_fail "the program ended before its window appeared"
        fi
        return 1
    }
    await "$E2E_START_CAP" "a window of class $class" e2e__window_of_class || e2e_fail "no window of class $class"
    echo "$E2E_FOUND"
}

e2e_wait_title() {
    local id=$1 text=$2
    e2e__titled() { [ "$(xdotool getwindowname "$id" 2>/dev/null || true)" = "$text" ]; }
    await "$E2E_START_CAP" "the title \"$text\"" e2e__titled ||
        e2e_fail "title of window $id is \"$(xdotool getwindowname "$id" 2>/dev/null || true)\", expected \"$text\""
}

# The program sets its title before its size, so a title seen does not mean the size is set yet.
e2e_wait_size() {
    local id=$1 size=$2 now=""
    e2e__sized() {
        now=$(xdotool getwindowgeometry "$id" 2>/dev/null | sed -n 's/.*Geometry: //p')
        [ "$now" = "$size" ]
    }
    await "$E2E_SIZE_CAP" "the client size $size" e2e__sized || e2e_fail "client size is $now, expected $size"
}

# Without a window manager the window has the focus only when it is given it.
e2e_key() {
    local id=$1
    shift
    xdotool windowfocus --sync "$id" 2>/dev/null || xdotool windowfocus "$id"
    xdotool key --delay 60 "$@"
}

e2e_keycode() {
    local id=$1 code
    shift
    xdotool windowfocus --sync "$id" 2>/dev/null || xdotool windowfocus "$id"
    for code in "$@"; do
        xdotool key --delay 60 "$code"
    done
}

e2e_screenshot() {
    local out=$1 id=${2:-}
    if [ -n "$id" ]; then
        xwd -silent -id "$id" >"$E2E_TMP/shot.xwd"
    else
        xwd -silent -root >"$E2E_TMP/shot.xwd"
    fi
    "$E2E_XWD2PNG" "$E2E_TMP/shot.xwd" "$out"
}

e2e_pixel() {
    local id=$1 x=$2 y=$3
    xwd -silent -id "$id" >"$E2E_TMP/pixel.xwd"
    "$E2E_XWD2PNG" --pixel "$x,$y" "$E2E_TMP/pixel.xwd"
}

# Not to be called in $(...): only this shell can collect its child's exit code.
e2e_wait_exit() {
    local pid=$1 secs=${2:-$E2E_START_CAP} p rest=()
    e2e__ended() { ! kill -0 "$pid" 2>/dev/null; }
    await "$secs" "process $pid to end" e2e__ended || e2e_fail "process $pid did not end"
    E2E_EXIT_CODE=0
    wait "$pid" || E2E_EXIT_CODE=$?
    for p in "${E2E_PIDS[@]}"; do
        [ "$p" = "$pid" ] || rest+=("$p")
    done
    E2E_PIDS=("${rest[@]}")
}

e2e_wait_output() {
    local text=$1
    e2e__printed() { grep -qxF -- "$text" "$E2E_TMP/app.out" 2>/dev/null; }
    if ! await "$E2E_START_CAP" "the line \"$text\" on the program's output" e2e__printed; then
        echo "output so far:" >&2
        cat "$E2E_TMP/app.out" "$E2E_TMP/app.err" >&2 || true
        e2e_fail "the program did not print \"$text\""
    fi
}

# The prompt demo heard no key until now: "a" is the first it prints, and Escape ends it with 0.
e2e_close_demo_after_a() {
    local id=$1 heard
    e2e_key "$id" a
    e2e_wait_output "key 65"
    heard=$(grep '^key' "$E2E_TMP/app.out" | tr '\n' ' ')
    [ "$heard" = "key 65 " ] || e2e_fail "the program heard: $heard"
    e2e_key "$id" Escape
    e2e_wait_exit "$APP_PID"
    [ "$E2E_EXIT_CODE" = 0 ] || e2e_fail "exit code $E2E_EXIT_CODE, expected 0"
}

# The prompt demo started and ready for keys: its window found, titled, and "ready" printed.
e2e_open_prompt_demo() {
    e2e_launch "$E2E_BIN/tests/e2e/prompt_demo"
    DEMO_ID=$(e2e_wait_window PROMPT)
    e2e_wait_title "$DEMO_ID" "プロンプト表示テスト"
    e2e_wait_output ready
}

# A 16 x 16 BMP of one colour (24 bits): e2e__tile FILE R G B
e2e__tile() {
    local px i
    px=$(printf '\\x%02x\\x%02x\\x%02x' "$4" "$3" "$2")
    {
        printf 'BM\x36\x03\x00\x00\x00\x00\x00\x00\x36\x00\x00\x00'
        printf '\x28\x00\x00\x00\x10\x00\x00\x00\x10\x00\x00\x00\x01\x00\x18\x00'
        printf '\x00\x00\x00\x00\x00\x03\x00\x00\x13\x0b\x00\x00\x13\x0b\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00'
        for i in $(seq 256); do printf "$px"; done
    } >"$1"
}
e2e_tile_rgb() { printf '%02X%02X%02X' $((10 + 20 * $1)) $((200 - 15 * $1)) $((7 * $1)); }
e2e_make_tiles() {
    local i
    mkdir -p bmp
    for i in $(seq 0 9); do e2e__tile "bmp/$i.bmp" $((10 + 20 * i)) $((200 - 15 * i)) $((7 * i)); done
}
