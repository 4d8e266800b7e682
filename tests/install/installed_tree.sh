#!/usr/bin/env bash
# `cmake --install` into a temporary prefix: the programs, the default data as the build made it,
# the icons, menu entries that desktop-file-validate takes without a remark, and the menu's
# launcher laying out play folders in temporary data homes.
source "$(dirname "$0")/lib.sh"

prefix=$tmp/prefix
cmake --install "$build" --prefix "$prefix" >"$tmp/install.log" 2>&1 || {
    cat "$tmp/install.log" >&2
    fail "cmake --install failed"
}

for program in shooter mapedit shooter-play; do
    [ -x "$prefix/bin/$program" ] || fail "bin/$program is not installed as a program"
done
diff -r "$build/assets/data" "$prefix/share/shooter" || fail "share/shooter is not the default data the build made"
for size in 16 32 48 64 128 256; do
    for app in shooter mapedit; do
        icon=$prefix/share/icons/hicolor/${size}x$size/apps/$app.png
        [ -f "$icon" ] || fail "no icon $icon"
        kind=$(file -b "$icon")
        [[ $kind == "PNG image data, $size x $size,"* ]] || fail "$icon: expected a $size x $size PNG, got $kind"
    done
done
for app in shooter mapedit; do
    entry=$prefix/share/applications/$app.desktop
    remarks=$(desktop-file-validate "$entry" 2>&1) || fail "$entry is not valid: $remarks"
    [ -z "$remarks" ] || fail "$entry: $remarks"
    for key in Name 'Name\[ja\]' Comment 'Comment\[ja\]'; do
        grep -q "^$key=." "$entry" || fail "$entry has no $key"
    done
    grep -qx "Exec=shooter-play $app" "$entry" || fail "$entry does not start $app through the launcher"
    grep -qx "Icon=$app" "$entry" || fail "$entry does not name the icon $app"
    grep -qx 'Categories=Game;ArcadeGame;' "$entry" || fail "$entry is not filed under Game;ArcadeGame;"
done

# Without a display the programs say so at once and end with a code of their own: the launcher's
# work is done by then, and its exit code and messages must be the program's.
(cd "$tmp" && env -i PATH="$PATH" "$prefix/bin/shooter" 2>"$tmp/direct.err") && fail "shooter started without a display"
direct=$?
[ -s "$tmp/direct.err" ] || fail "shooter said nothing when it found no display"

# A case: what | environment | installed tree | program | expected exit code | stderr holds | play folder
# In each case @ stands for a fresh folder of its own. An empty play folder means none may be made.
cp -a "$prefix" "$tmp/broken"
rm "$tmp/broken/share/shooter/AREA1.csv"
cases=(
    "first use|XDG_DATA_HOME=@/data HOME=@/home|$prefix|shooter|$direct||@/data/shooter-play"
    "relative XDG_DATA_HOME is ignored|XDG_DATA_HOME=data HOME=@/home|$prefix|mapedit|$direct||@/home/.local/share/shooter-play"
    "no data home at all||$prefix|shooter|1|neither XDG_DATA_HOME nor HOME|"
    "data home under a file|XDG_DATA_HOME=@/file/data|$prefix|shooter|1|cannot make the play folder|"
    "installed data missing|XDG_DATA_HOME=@/data|$tmp/broken|shooter|1|$tmp/broken/bin/../share/shooter are missing|"
    "unknown program|XDG_DATA_HOME=@/data|$prefix|game|2|usage: shooter-play|"
)
n=0
for row in "${cases[@]}"; do
    IFS='|' read -r what environment tree program code message folder <<<"$row"
    n=$((n + 1))
    at=$tmp/case$n
    mkdir -p "$at/cwd"
    : >"$at/file"
    before=$(find "$at" | sort)
    status=0
    (cd "$at/cwd" && env -i PATH="$PATH" ${environment//@/$at} "$tree/bin/shooter-play" "$program") \
        2>"$at.err" || status=$?
    [ "$status" = "$code" ] || { cat "$at.err" >&2; fail "$what: expected exit code $code, got $status"; }
    if [ -n "$message" ]; then
        grep -qF -- "$message" "$at.err" || { cat "$at.err" >&2; fail "$what: expected \"$message\" on stderr"; }
    else
        diff "$tmp/direct.err" "$at.err" >&2 || fail "$what: stderr is not the program's own"
    fi
    if [ -n "$folder" ]; then
        diff -r "$prefix/share/shooter" "${folder//@/$at}" || fail "$what: the play folder is not the default data"
        [ -z "$(ls -A "$at/cwd")" ] || fail "$what: files made in the current folder: $(ls -A "$at/cwd")"
    else
        [ "$(find "$at" | sort)" = "$before" ] || fail "$what: files were made: $(find "$at" | sort)"
    fi
done

# A second use keeps the player's map and pictures and puts back what went missing.
play=$tmp/case1/data/shooter-play
printf 'edited\r\n' >"$play/AREA1.csv"
printf 'own picture' >"$play/bmp/0.bmp"
rm "$play/bmp/chr05-2.BMP" "$play/sound/zapper.wav"
status=0
(cd "$tmp/case1/cwd" && env -i PATH="$PATH" XDG_DATA_HOME="$tmp/case1/data" "$prefix/bin/shooter-play") 2>/dev/null ||
    status=$?
[ "$status" = "$direct" ] || fail "second use: expected exit code $direct, got $status"
[ "$(cat "$play/AREA1.csv")" = $'edited\r' ] || fail "second use: the edited map was replaced"
[ "$(cat "$play/bmp/0.bmp")" = 'own picture' ] || fail "second use: the player's picture was replaced"
for file in bmp/chr05-2.BMP sound/zapper.wav; do
    cmp "$prefix/share/shooter/$file" "$play/$file" || fail "second use: $file was not put back"
done
[ -z "$(find "$play" -name '.*')" ] || fail "second use: temporaries left: $(find "$play" -name '.*')"

# The program runs as the launcher's own process, in the play folder, until it ends. It starts in
# a session of its own, so that everything it started goes with it.
setsid env -i PATH="$PATH" XDG_DATA_HOME="$tmp/case1/data" SDL_VIDEODRIVER=dummy SDL_RENDER_DRIVER=software \
    SDL_AUDIODRIVER=dummy "$prefix/bin/shooter-play" mapedit 2>"$tmp/editor.err" &
editor=$!
for _ in $(seq 1 300); do
    [ "$(readlink "/proc/$editor/exe" 2>/dev/null)" = "$prefix/bin/mapedit" ] && break
    kill -0 "$editor" 2>/dev/null || { cat "$tmp/editor.err" >&2; fail "the editor ended on its own"; }
    sleep 0.1
done
exe=$(readlink "/proc/$editor/exe" || true)
folder=$(readlink "/proc/$editor/cwd" || true)
kill -KILL -- "-$editor"
wait "$editor" 2>/dev/null || true
[ "$exe" = "$prefix/bin/mapedit" ] || fail "the launcher's process became $exe, expected $prefix/bin/mapedit"
[ "$folder" = "$play" ] || fail "the editor runs in $folder, expected $play"
[ "$(cat "$play/AREA1.csv")" = $'edited\r' ] || fail "the editor's start changed the map"
