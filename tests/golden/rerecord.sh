# Writes tests/golden/expected.txt anew: every golden run played with `shooter --timedemo` of the
# given build on its default data. With --runs, first makes the runs themselves anew with
# record_golden as runs.txt describes, and checks that each replays to the state and picture its
# recording ended in.
#   tests/golden/rerecord.sh BUILD_DIR [--runs]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bin=$(cd "${1:?usage: rerecord.sh BUILD_DIR [--runs]}" && pwd)
export SDL_VIDEODRIVER=dummy SDL_RENDER_DRIVER=software SDL_AUDIODRIVER=dummy
cd "$bin/assets/data"
if [ "${2:-}" = --runs ]; then
    grep -v '^#' "$here/runs.txt" | while read -r name ms frames seed from _; do
        [ -n "$name" ] || continue
        rm -f "$here/$name.run"
        [ "$from" = - ] && from=
        made=$("$bin/tests/golden/record_golden" "$here/$name.run" "$ms" "$frames" "$seed" $from)
        played=$("$bin/shooter/shooter" --timedemo "$here/$name.run")
        [ "${played%, * frames/s}" = "$made" ] || {
            echo "$name: recorded as '$made', replayed as '$played'" >&2
            exit 1
        }
    done
fi
out="$here/expected.txt.new"
echo "# The line each golden run ends with under --timedemo (frames/s left out). Written by make golden." >"$out"
for run in "$here"/*.run; do
    name=$(basename "$run" .run)
    line=$("$bin/shooter/shooter" --timedemo "$run")
    echo "$name: ${line%, * frames/s}" >>"$out"
done
mv "$out" "$here/expected.txt"
cat "$here/expected.txt"
