# One golden run played headless on the default data: `shooter --timedemo` must end with exit code
# 0 and the line expected.txt gives for the run (its frames/s aside). A short run is also played at
# its pace with --replay, which must end with the same line.
set -euo pipefail
name=$1
here=$(cd "$(dirname "$0")" && pwd)
bin=${TEST_BINARY_DIR:?TEST_BINARY_DIR is not set}
expected=$(sed -n "s/^$name: //p" "$here/expected.txt")
[ -n "$expected" ] || { echo "FAIL: expected.txt has no line for $name (make golden)"; exit 1; }
export SDL_VIDEODRIVER=dummy SDL_RENDER_DRIVER=software SDL_AUDIODRIVER=dummy
cd "$bin/assets/data"

play() {
    local mode=$1 out code=0
    out=$("$bin/shooter/shooter" "$mode" "$here/$name.run" 2>"$bin/golden-$name.err") || code=$?
    [ "$code" = 0 ] || { cat "$bin/golden-$name.err"; echo "FAIL: $mode ended with exit code $code"; exit 1; }
    ! grep -q Sanitizer "$bin/golden-$name.err" || { cat "$bin/golden-$name.err"; echo "FAIL: sanitizer report"; exit 1; }
    [ "$mode" = --replay ] || out=${out%, * frames/s}
    if [ "$out" != "$expected" ]; then
        echo "FAIL: $mode $name.run ended with"
        echo "  $out"
        echo "expected (tests/golden/expected.txt; \`make golden\` writes it anew when a change means it)"
        echo "  $expected"
        exit 1
    fi
}

play --timedemo
frames=${expected%% frames*}
[ "$frames" -gt 1000 ] || play --replay
echo "ok: $name: $expected"
