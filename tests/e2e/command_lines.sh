# The programs' command lines, run as built, with no display to reach: neither DISPLAY nor
# WAYLAND_DISPLAY nor SDL_VIDEODRIVER. --help and --version answer on stdout and exit 0 without
# touching a display, a wrong command line is refused on stderr with exit 2, and a command line
# the program takes goes on to open the window, which fails here with exit 1. The game started
# outside a play folder says so first.
source "$(dirname "$0")/lib.sh"

work=$(e2e_workdir)
cd "$work"
# A case: program | arguments | exit code | stdout holds | stderr holds ("-": stays empty).
cases=(
    "shooter|--help|0|Usage: shooter [OPTION]...|-"
    "shooter|--help|0|  --scale N |-"
    "shooter|--help|0|Alt+Plus and Alt+Minus|-"
    "shooter|--help|0|P or Pause pauses and resumes, M mutes|-"
    "shooter|--help|0|F12 saves the window's picture as a PNG|-"
    "shooter|--version|0|shooter 1.0.0|-"
    "shooter|--scale 2 --version|0|shooter 1.0.0|-"
    "shooter|--help|0|  --no-vsync |-"
    "shooter|--no-vsync=1|2||option '--no-vsync' takes no value"
    "shooter|--no-vsync --scale 3|1||there is no display to open the window on"
    "shooter|--bogus|2||unknown option '--bogus'"
    "shooter|--scale|2||option '--scale' needs a value"
    "shooter|--scale 0|2||--scale: '0' is not a whole number from 1 to 8"
    "shooter|--scale=9|2||--scale: '9' is not a whole number from 1 to 8"
    "shooter|--scale two|2||Try 'shooter --help'"
    "shooter|AREA1.csv|2||unexpected argument 'AREA1.csv'"
    "shooter||1||AREA1.csv and bmp/ are missing in $work: this is not a play folder"
    "shooter||1||'shooter-play' lays out a play folder"
    "shooter|--scale 3|1||there is no display to open the window on"
    "shooter|--help|0|  --from-row N |-"
    "shooter|--from-row 1|2||--from-row: '1' is not a row of AREA1.csv (a whole number from 0 to 0)"
    "shooter|--from-row -1|2||--from-row: '-1' is not a row"
    "shooter|--from-row 0 --replay r.run|2||--replay and --from-row cannot go together"
    "shooter|--timedemo r.run --from-row 0|2||--timedemo and --from-row cannot go together"
    "shooter|--from-row 0|1||there is no display to open the window on"
    "mapedit|--help|0|Usage: mapedit [OPTION]...|-"
    "mapedit|--help|0|  --scale N |-"
    "mapedit|--help|0|F12 saves the window's picture as a PNG|-"
    "mapedit|--version|0|mapedit 1.0.0|-"
    "mapedit|--help|0|  --no-vsync |-"
    "mapedit|--no-vsync --no-vsync|2||option '--no-vsync' given twice"
    "mapedit|-x|2||unknown option '-x'"
    "mapedit|--scale 1.5|2||--scale: '1.5' is not a whole number from 1 to 8"
    "mapedit|--scale 8|1||there is no display to open the window on"
    "mapedit|--help|0|  --export-tmx [FILE] |-"
    "mapedit|--help|0|  --import-tmx FILE |-"
    "mapedit|--export-tmx --import-tmx x.tmx|2||--export-tmx and --import-tmx cannot go together"
    "mapedit|--import-tmx|2||option '--import-tmx' needs a value"
    "mapedit|--export-tmx|1||there is no map AREA1.csv to export"
    "mapedit|--import-tmx none.tmx|1||cannot read none.tmx: No such file or directory"
)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$E2E_BIN/CMakeCache.txt")
for row in "${cases[@]}"; do
    IFS='|' read -r program arguments code out err <<<"$row"
    out=${out//1.0.0/$version}
    what="$program $arguments"
    status=0
    # shellcheck disable=SC2086 # the arguments split at blanks
    env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER XDG_RUNTIME_DIR=/nonexistent \
        "$E2E_BIN/$program/$program" $arguments >"$E2E_TMP/out" 2>"$E2E_TMP/err" || status=$?
    [ "$status" = "$code" ] || { cat "$E2E_TMP/err" >&2; e2e_fail "$what: exit code $status, expected $code"; }
    if [ -n "$out" ]; then
        grep -qF -- "$out" "$E2E_TMP/out" || e2e_fail "$what: stdout lacks \"$out\": $(cat "$E2E_TMP/out")"
    else
        [ ! -s "$E2E_TMP/out" ] || e2e_fail "$what: printed on stdout: $(cat "$E2E_TMP/out")"
    fi
    if [ "$err" = - ]; then
        [ ! -s "$E2E_TMP/err" ] || e2e_fail "$what: printed on stderr: $(cat "$E2E_TMP/err")"
    elif [ -n "$err" ]; then
        grep -qF -- "$err" "$E2E_TMP/err" || e2e_fail "$what: stderr lacks \"$err\": $(cat "$E2E_TMP/err")"
    fi
done
[ -z "$(ls -A "$work")" ] || e2e_fail "files were made: $(ls -A "$work")"
echo "ok: ${#cases[@]} command lines"
