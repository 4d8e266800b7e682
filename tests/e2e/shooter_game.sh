# The game in a real X server. First in a folder with a test scene (solid tiles and framed sprites
# whose colours a screenshot can be read by, and a map whose row r is all tile r mod 10): the titles
# come in their order, the playfield shows the map's rows as 16-pixel bands in map order, the
# ground scrolls about 64 pixels a second, the ship moves while an arrow is held with the black
# around it transparent, Z shows the bomb and its marker, and closing the window ends the game with
# exit code 0. Then with the default data, for a screenshot of the real game.
source "$(dirname "$0")/lib.sh"

e2e_start_xvfb
work=$(e2e_workdir)
cd "$work"
"$E2E_BIN/tests/e2e/gamescene" . >"$E2E_TMP/colours" || e2e_fail "the test scene could not be written"
colour() { awk -v want="$*" '{ c = $NF; $NF = ""; sub(/ $/, ""); if ($0 == want) print c }' "$E2E_TMP/colours"; }
shot() { xwd -silent -id "$id" >"$1"; }
xwd_tool() { "$E2E_XWD2PNG" "$@"; }
# The box (x y w h) of a colour on a window dump, or nothing.
find_colour() { xwd_tool --find "$1" "$2"; }

# Every title the game sets, taken from the X server's own record of the requests.
"$E2E_BIN/tests/e2e/xtitles" >"$E2E_TMP/titles" &
E2E_PIDS+=($!)
await "$E2E_START_CAP" "the title recorder" grep -q '^recording$' "$E2E_TMP/titles" ||
    e2e_fail "the title recorder did not start"

e2e_launch "$E2E_BIN/shooter/shooter"
id=$(e2e_wait_window PROMPT)
final='^ガルモアっぽいモノの作成実験 (1|2|4|8|16)ドットスクロール - ウェイト\([0-9]+\)$'
# The speed measurement's 230 frames come first.
await "$E2E_GAME_CAP" "the game's own title" grep -Eq "$final" "$E2E_TMP/titles" || true
titles=$(grep -v -e '^recording$' -e '^BASIC PROMPT$' "$E2E_TMP/titles")
expected_start=$'タイトル名\nデータ読取中 しばらくお待ち下さい\nCPU速度測定中 しばらくお待ち下さい'
[ "$(sed -n 1,3p <<<"$titles")" = "$expected_start" ] && [ "$(wc -l <<<"$titles")" = 4 ] &&
    sed -n 4p <<<"$titles" | grep -Eq "$final" || e2e_fail "titles were: $titles"
speed=$(sed -n 4p <<<"$titles" | sed -E 's/.*実験 ([0-9]+)ドット.*/\1/')

e2e_wait_size "$id" 640x490

# Rows of the playfield (window rows 0..459) as bands: "tile first-row height" from the top. Each
# row's tile is the one most of five sample columns show, so a sprite on one column does not count.
# Tiles are kept as "t<n>" inside awk: a bare 0 would compare equal to a not-yet-set band.
declare -A tile_of
for t in $(seq 0 9); do tile_of[$(colour tile $t)]=$t; done
bands() {
    local x
    for x in 8 136 264 392 504; do xwd_tool --column "$x" "$1" | head -n 460 >"$E2E_TMP/col$x"; done
    paste -d' ' "$E2E_TMP"/col{8,136,264,392,504} | awk -v map="$(for c in "${!tile_of[@]}"; do printf '%s=%s ' "$c" "${tile_of[$c]}"; done)" '
        BEGIN { n = split(map, pairs, " "); for (i = 1; i <= n; i++) { split(pairs[i], kv, "="); tile[kv[1]] = "t" kv[2] } }
        {
            delete votes; best = "t-"; most = 0
            for (i = 1; i <= NF; i++) if ($i in tile) { v = ++votes[tile[$i]]; if (v > most) { most = v; best = tile[$i] } }
            if (best != cur) { if (NR > 1) print substr(cur, 2), start, NR - 1 - start; cur = best; start = NR - 1 }
        }
        END { print substr(cur, 2), start, NR - start }'
}

# The map's rows come in at the top: every whole band is 16 rows and the tile goes up by one (mod 10)
# from each band to the one below it (row r + 1 lies below row r).
# Two screenshots taken close together, and only then looked at: the first must show at least five
# whole rows, and the second the same rows lower (a build that plays no frame between them takes
# another pair). The map's colours come round every 160 rows, so the gap lets the ground move at
# most about 96 pixels at the game's pace, whatever its speed.
gap=$(awk -v s="$speed" 'BEGIN { g = 1.5 / (s > 0 ? s : 1); printf "%.3f", g < 1 ? g : 1 }')
ground_moved() {
    t1=$(date +%s%N)
    shot "$E2E_TMP/a.xwd"
    sleep "$gap"
    t2=$(date +%s%N)
    shot "$E2E_TMP/b.xwd"
    bands "$E2E_TMP/a.xwd" >"$E2E_TMP/bands-a"
    [ "$(awk 'NR > 1 && $2 + $3 < 400' "$E2E_TMP/bands-a" | wc -l)" -ge 5 ] || return 1
    read -r tile first _ < <(awk 'NR == 2' "$E2E_TMP/bands-a")
    bands "$E2E_TMP/b.xwd" >"$E2E_TMP/bands-b"
    moved=$(awk -v t="$tile" -v y="$first" '$1 == t && $2 > y && $2 - y < 160 { print $2 - y; exit }' "$E2E_TMP/bands-b")
    [ -n "$moved" ]
}
moved=""
await "$E2E_START_CAP" "five of the map's rows on the playfield, then lower" ground_moved || true
awk 'NR > 1 && $2 + $3 < 400 { whole++; if ($3 != 16) bad = bad " height " $3 " at " $2
                                if (prev != "" && $1 != (prev + 1) % 10) bad = bad " tile " $1 " after " prev }
     { prev = $1 } END { if (whole < 5 || bad != "") { print "bands:" bad " (" whole " whole)"; exit 1 } }' \
    "$E2E_TMP/bands-a" || e2e_fail "the playfield does not show the map's rows: $(tr '\n' ';' <"$E2E_TMP/bands-a")"

# The rows moved about 64 pixels a second (per unit of speed).
expect=$(( 64 * speed * (t2 - t1) / 1000000000 ))
# A sanitizer's build on a loaded machine may need several 64 Hz ticks for a frame: there the
# ground only has to move down, and never faster than the pace.
least=$(( expect * 7 / 10 ))
[ -z "${E2E_SANITIZE:-}" ] || least=1
[ -n "$moved" ] && [ "$moved" -ge "$least" ] && [ "$moved" -le $(( expect * 13 / 10 + 16 )) ] ||
    e2e_fail "the ground moved ${moved:-?} pixels in $(( (t2 - t1) / 1000000 )) ms, expected about $expect"

# The ship, its sight 150 pixels ahead, and the transparent black around the ship's square.
ship=$(colour sprite 25 1)
read -r sx sy sw sh < <(find_colour "$ship" "$E2E_TMP/b.xwd") || e2e_fail "no ship on the screen"
[ "$sw $sh" = "24 24" ] || e2e_fail "the ship shows as ${sw}x$sh, expected 24x24"
read -r _ ty _ _ < <(find_colour "$(colour sprite 25 2)" "$E2E_TMP/b.xwd") || e2e_fail "no sight on the screen"
[ $((sy - ty)) = 150 ] || e2e_fail "the sight is $((sy - ty)) pixels ahead of the ship, expected 150"
border=$(xwd_tool --pixel "$((sx - 2)),$((sy + 10))" "$E2E_TMP/b.xwd")
[ -n "${tile_of[$border]:-}" ] || e2e_fail "left of the ship shows $border, not the ground"

# Held right arrow: the ship moves right, as far as the build plays frames while it is held. (It
# stops at the right edge whole; to the left, a slow build's long steps can take it off the edge.)
xdotool windowfocus --sync "$id" 2>/dev/null || xdotool windowfocus "$id"
moved_right() {
    shot "$E2E_TMP/c.xwd"
    read -r nx _ _ _ < <(find_colour "$ship" "$E2E_TMP/c.xwd") && [ "$nx" -gt $((sx + 16)) ]
}
nx=$sx
xdotool keydown Right
await "$E2E_START_CAP" "the ship to move right while right is held" moved_right ||
    e2e_fail "the ship went from x $sx to $nx while right was held"
xdotool keyup Right

# Z drops a bomb: the bomb and its target marker show while it falls, about half a second at any
# speed. Screenshots are taken in a burst while Z is held and read afterwards, since reading one
# takes a slow build longer than the fall; a press whose fall none of them caught is made again.
bomb_falls() {
    local k
    xdotool keydown z
    for k in $(seq 1 20); do shot "$E2E_TMP/d$k.xwd"; done
    xdotool keyup z
    for k in $(seq 1 20); do
        bomb=$( { find_colour "$(colour sprite 28 2)" "$E2E_TMP/d$k.xwd"; find_colour "$(colour sprite 28 3)" "$E2E_TMP/d$k.xwd"; } | head -n 1)
        [ -n "$bomb" ] || continue
        marker=$(find_colour "$(colour sprite 25 3)" "$E2E_TMP/d$k.xwd")
        [ -n "$marker" ] && return 0
    done
    return 1
}
await "$E2E_START_CAP" "the bomb and its marker after Z" bomb_falls || e2e_fail "after Z: bomb '${bomb}', marker '${marker}'"

kill -0 "$APP_PID" 2>/dev/null || { e2e_app_errors >&2; e2e_fail "the game ended by itself"; }
# The close request a desktop sends: WM_DELETE_WINDOW in a WM_PROTOCOLS client message.
"$E2E_BIN/tests/e2e/xclose" "$id" || e2e_fail "the close request could not be sent"
e2e_wait_exit "$APP_PID"
[ "$E2E_EXIT_CODE" = 0 ] || e2e_fail "exit code $E2E_EXIT_CODE, expected 0: $(e2e_app_errors)"
! e2e_app_errors | grep -q Sanitizer || e2e_fail "sanitizer report: $(e2e_app_errors)"

# The real game with the default data, for a screenshot (test-output/shooter.png).
real="$E2E_TMP/real"
mkdir -p "$real"
cp -r "$E2E_BIN/assets/data/." "$real/"
cd "$real"
e2e_launch "$E2E_BIN/shooter/shooter"
id=$(e2e_wait_window PROMPT)
second_game() { [ "$(grep -Ec "$final" "$E2E_TMP/titles")" -ge 2 ]; }
await "$E2E_GAME_CAP" "the default game's own title" second_game || e2e_fail "titles: $(tail -n 3 "$E2E_TMP/titles")"
# Three seconds of play bring the first air enemies onto the screenshot.
sleep 3
xdotool windowfocus --sync "$id" 2>/dev/null || xdotool windowfocus "$id"
xdotool keydown Right; sleep 0.3; xdotool keydown x; sleep 0.1; xdotool keyup x keyup Right
xdotool keydown z; sleep 0.1; xdotool keyup z; sleep 0.15
mkdir -p "$E2E_BIN/test-output"
ground_shown() {
    e2e_screenshot "$E2E_BIN/test-output/shooter.png" "$id"
    lit=$(xwd_tool --count 000000 --crop 0,0,512,460 "$E2E_TMP/shot.xwd")
    [ "$lit" -lt 1000 ]
}
await "$E2E_START_CAP" "the default game's ground on the playfield" ground_shown ||
    e2e_fail "the default game's playfield is black in $lit places; titles: $(tail -n 3 "$E2E_TMP/titles")"
"$E2E_BIN/tests/e2e/xclose" "$id"
e2e_wait_exit "$APP_PID"
[ "$E2E_EXIT_CODE" = 0 ] || e2e_fail "exit code $E2E_EXIT_CODE with the default data: $(e2e_app_errors)"
echo "ok: speed $speed, moved $moved of $expect, ship $sx -> $nx, bomb $bomb, marker $marker"; cat "$E2E_TMP/bands-a" | tr "\n" ";"; echo
