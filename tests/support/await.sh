# Waiting in the test scripts: every wait awaits a condition, up to a cap far above what a loaded
# ThreadSanitizer build needs, and says what it waited for and how long when it gives up.
# Source this file.
#
#   await CAP WHAT COMMAND [ARGS...]
#       runs COMMAND every 50 ms until it succeeds (0), or for at most CAP seconds; then returns 1
#       after printing "gave up after N s waiting for WHAT" on stderr
#
# With AWAIT_LOG set, each wait appends "seconds<TAB>cap<TAB>script: WHAT" to that file, so that the
# slowest waits of a run under load can be compared with their caps.

# Seconds since START (an EPOCHREALTIME), with three decimals.
await_elapsed() {
    local now=${EPOCHREALTIME/[.,]/} then=${1/[.,]/}
    local us=$((now - then))
    printf '%d.%03d' $((us / 1000000)) $((us % 1000000 / 1000))
}

await_note() {
    [ -n "${AWAIT_LOG:-}" ] || return 0
    mkdir -p "$(dirname "$AWAIT_LOG")" 2>/dev/null || true
    printf '%s\t%s\t%s: %s\n' "$1" "$2" "$(basename "$0" .sh)" "$3" >>"$AWAIT_LOG" 2>/dev/null || true
}

await() {
    local cap=$1 what=$2 start=$EPOCHREALTIME elapsed
    shift 2
    until "$@"; do
        elapsed=$(await_elapsed "$start")
        if [ "${elapsed%.*}" -ge "$cap" ]; then
            await_note "$elapsed" "$cap" "$what (gave up)"
            echo "gave up after $elapsed s waiting for $what" >&2
            return 1
        fi
        sleep 0.05
    done
    await_note "$(await_elapsed "$start")" "$cap" "$what"
}
