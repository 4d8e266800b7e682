# The whole game's speed: `shooter --timedemo` of the long golden run on the default data, several
# times headless (SDL's dummy driver) and in a window of a private X server (Xvfb), each with its
# median frames/s. The frames/s the game reaches at its own pace is 64.
#   bench/timedemo.sh BUILD_DIR [RUNS]
set -euo pipefail
bin=$(cd "${1:?usage: timedemo.sh BUILD_DIR [RUNS]}" && pwd)
runs=${2:-7}
run="$(cd "$(dirname "$0")/.." && pwd)/tests/golden/long.run"
cd "$bin/assets/data"

measure() {
    local label=$1 i median all=()
    shift
    for i in $(seq 1 "$runs"); do
        all+=("$("$@" --timedemo "$run" | sed -E 's/.*, ([0-9]+) frames\/s$/\1/')")
    done
    median=$(printf '%s\n' "${all[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p")
    echo "$label: median $median frames/s, $((median / 64)) times real time (runs: ${all[*]})"
}

measure "dummy driver" env SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy "$bin/shooter/shooter"
if command -v Xvfb >/dev/null; then
    Xvfb -noreset -nolisten tcp -screen 0 1280x1024x24 -displayfd 9 9>"$bin/timedemo.display" 2>/dev/null &
    xvfb=$!
    trap 'kill $xvfb 2>/dev/null || true' EXIT
    for _ in $(seq 1 100); do [ -s "$bin/timedemo.display" ] && break; sleep 0.05; done
    measure "window (Xvfb)" env -u SDL_VIDEODRIVER DISPLAY=":$(cat "$bin/timedemo.display")" SDL_AUDIODRIVER=dummy \
        "$bin/shooter/shooter"
fi
