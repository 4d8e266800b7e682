#!/usr/bin/env bash
# A map maker's road through Tiled: the map exported with mapedit, a row changed in the TMX and the
# map saved by the real Tiled (headless), imported again, and the game started from the row after
# it: the changed row comes in second, where the map had another tile before.
source "$(dirname "$0")/lib.sh"

e2e_start_xvfb
work=$(e2e_workdir)
cd "$work"
# Solid tiles of their own colours; row r of the map is all tile r mod 10.
"$E2E_BIN/tests/e2e/gamescene" . >"$E2E_TMP/colours" || e2e_fail "the test scene could not be written"
colour() { awk -v want="$*" '{ c = $NF; $NF = ""; sub(/ $/, ""); if ($0 == want) print c }' "$E2E_TMP/colours"; }
mapedit="$E2E_BIN/mapedit/mapedit"

"$mapedit" --export-tmx >"$E2E_TMP/out" 2>&1 || e2e_fail "the export failed: $(cat "$E2E_TMP/out")"
# Row 120 (tile 0) becomes tile 3 (gid 4): the 121st line after the tiles layer's <data>.
awk '/<layer id="1" name="tiles"/ { tiles = 1 } tiles && /<data/ { at = NR; tiles = 0 }
     at && NR == at + 121 { line = ""; for (i = 1; i <= 32; i++) line = line "4,"; $0 = line; at = 0 }
     { print }' AREA1.tmx >edited.tmx
cmp -s AREA1.tmx edited.tmx && e2e_fail "the TMX was not changed"
# A home of its own: settings a user saved in Tiled would change how it writes the map.
mkdir -p "$E2E_TMP/home"
HOME="$E2E_TMP/home" QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$E2E_TMP" tiled --export-map tmx edited.tmx saved.tmx \
    >"$E2E_TMP/tiled.log" 2>&1 || e2e_fail "Tiled could not save the map: $(cat "$E2E_TMP/tiled.log")"
"$mapedit" --import-tmx saved.tmx >"$E2E_TMP/out" 2>&1 || e2e_fail "the import failed: $(cat "$E2E_TMP/out")"
[ "$(sed -n 121p AREA1.csv | tr -d '\r')" = "$(printf '3,%.0s' $(seq 31))3" ] ||
    e2e_fail "row 120 was imported as $(sed -n 121p AREA1.csv)"
[ "$(wc -l <AREA1.csv)" = 200 ] || e2e_fail "the imported map has $(wc -l <AREA1.csv) rows"
ls AREA1.csv.changed-* 2>/dev/null && e2e_fail "an unchanged map was kept as changed"

# From row 121 (tile 1): row 120 comes in next and lies above it, then 119 (tile 9) above that.
e2e_launch "$E2E_BIN/shooter/shooter" --from-row 121
id=$(e2e_wait_window PROMPT)
# The colours of one column of the playfield as bands, top down: "RRGGBB height" each.
bands() { "$E2E_XWD2PNG" --column "$2" "$1" | head -n 460 | uniq -c | awk '{ print $2, $1 }'; }
changed_row_in() {
    local x
    xwd -silent -id "$id" >"$E2E_TMP/shot.xwd" || return 1
    for x in 8 136 264 392 504; do
        bands "$E2E_TMP/shot.xwd" "$x" >"$E2E_TMP/bands"
        awk -v t3="$(colour tile 3)" -v t1="$(colour tile 1)" -v t9="$(colour tile 9)" '
            { c[NR] = $1; h[NR] = $2 }
            END { for (i = 2; i < NR; i++) if (c[i - 1] == t9 && c[i] == t3 && h[i] == 16 && c[i + 1] == t1) exit 0; exit 1 }' \
            "$E2E_TMP/bands" && return 0
    done
    return 1
}
await "$E2E_GAME_CAP" "the changed row between rows 119 and 121 on the playfield" changed_row_in ||
    e2e_fail "the playfield shows no tile-3 row between tiles 9 and 1: $(tr '\n' ';' <"$E2E_TMP/bands")"
"$E2E_BIN/tests/e2e/xclose" "$id" || e2e_fail "the close request could not be sent"
e2e_wait_exit "$APP_PID"
[ "$E2E_EXIT_CODE" = 0 ] || e2e_fail "the game ended with $E2E_EXIT_CODE: $(e2e_app_errors)"
! e2e_app_errors | grep -q Sanitizer || e2e_fail "sanitizer report: $(e2e_app_errors)"
echo "ok: a row changed through Tiled plays in the game"
