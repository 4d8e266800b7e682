#!/usr/bin/env bash
# `cmake --install` into a temporary prefix: the programs, the default data as the build made it,
# the icons, menu entries that desktop-file-validate takes without a remark, manual pages, the
# software centres' metadata that appstreamcli takes without a remark, the menu's launcher laying
# out and updating play folders in temporary data homes, and make uninstall.
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
    grep -qx "StartupWMClass=$app" "$entry" || fail "$entry does not name its window's instance $app"
done

# Manual pages: formatted without a warning, and naming every option --help lists.
for program in shooter mapedit shooter-play; do
    page=$prefix/share/man/man6/$program.6.gz
    [ -f "$page" ] || fail "no manual page $page"
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >"$tmp/$program.txt") ||
        fail "$page cannot be formatted: $warnings"
    [ -z "$warnings" ] || fail "$page: $warnings"
    [ "$program" = shooter-play ] && continue
    for option in $("$prefix/bin/$program" --help | grep -oE '^  --[a-z-]+'); do
        grep -qF -- "$option" "$tmp/$program.txt" || fail "$page does not describe $option"
    done
done

metainfo=$prefix/share/metainfo/org.example.shooter.metainfo.xml
remarks=$(appstreamcli validate --pedantic --no-net "$metainfo" 2>&1) || fail "$metainfo is not valid: $remarks"
[ "$remarks" = "✔ Validation was successful." ] || fail "$metainfo: $remarks"
for launchable in shooter mapedit; do
    grep -q "<launchable type=\"desktop-id\">$launchable.desktop</launchable>" "$metainfo" ||
        fail "$metainfo does not launch $launchable.desktop"
done

# Without a display the programs say so at once and end with a code of their own: the launcher's
# work is done by then, and its exit code and messages must be the program's.
# Run in a play folder, as the launcher runs it.
(cd "$prefix/share/shooter" && env -i PATH="$PATH" "$prefix/bin/shooter" 2>"$tmp/direct.err") && fail "shooter started without a display"
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
        diff -r -x .shooter-play-copied "$prefix/share/shooter" "${folder//@/$at}" ||
            fail "$what: the play folder is not the default data"
        [ -z "$(ls -A "$at/cwd")" ] || fail "$what: files made in the current folder: $(ls -A "$at/cwd")"
    else
        [ "$(find "$at" | sort)" = "$before" ] || fail "$what: files were made: $(find "$at" | sort)"
    fi
done

# Later uses, after a new install changed some of the installed files. A case: file | what the
# player did to it (keep, edit, remove) | whether the install changed it | what the play folder
# holds afterwards (installed: the new installed file; copied: the first copy; player: the
# player's edit). The map is never replaced; the player's edits never.
play=$tmp/case1/data/shooter-play
installed=$prefix/share/shooter
cp -a "$play" "$tmp/first-copy"
later=(
    "bmp/1.bmp|keep|changed|installed"
    "bmp/2.bmp|edit|changed|player"
    "bmp/0.bmp|edit|same|player"
    "bmp/chr05-2.BMP|remove|same|installed"
    "bmp/chr06-1.BMP|remove|changed|installed"
    "sound/zapper.wav|keep|changed|installed"
    "bmp/3.bmp|keep|same|copied"
    "AREA1.csv|keep|changed|copied"
)
use_launcher() {
    local status=0
    (cd "$tmp/case1/cwd" && env -i PATH="$PATH" XDG_DATA_HOME="$tmp/case1/data" "$prefix/bin/shooter-play") \
        2>"$tmp/later.err" || status=$?
    [ "$status" = "$direct" ] || { cat "$tmp/later.err" >&2; fail "$1: expected exit code $direct, got $status"; }
}
expect_files() {
    local row file player install holds expected
    for row in "${later[@]}"; do
        IFS='|' read -r file player install holds <<<"$row"
        case $holds in
        installed) expected=$installed/$file ;;
        copied) expected=$tmp/first-copy/$file ;;
        player) expected=$tmp/player-$(basename "$file") ;;
        esac
        cmp -s "$expected" "$play/$file" || fail "$1: $file ($player, install $install) is not the $holds one"
    done
    [ -z "$(find "$play" -name '.*' ! -name .shooter-play-copied)" ] ||
        fail "$1: temporaries left: $(find "$play" -name '.*')"
}
for row in "${later[@]}"; do
    IFS='|' read -r file player install holds <<<"$row"
    [ "$install" = changed ] && printf 'new art\r\n' >>"$installed/$file"
    case $player in
    edit) printf 'edited by the player\r\n' >"$play/$file" && cp "$play/$file" "$tmp/player-$(basename "$file")" ;;
    remove) rm "$play/$file" ;;
    esac
done
use_launcher "later use"
expect_files "later use"
# A play folder laid out before the launcher kept its checksums: a file as installed is taken up
# and updated from then on; any other file is left alone, for it may be the player's.
rm "$play/.shooter-play-copied"
cp "$installed/bmp/4.bmp" "$tmp/old-4.bmp"
printf 'older art\r\n' >>"$play/bmp/5.bmp"
cp "$play/bmp/5.bmp" "$tmp/player-5.bmp"
use_launcher "use without checksums"
printf 'newer art\r\n' >>"$installed/bmp/4.bmp"
printf 'newer art\r\n' >>"$installed/bmp/5.bmp"
later+=("bmp/4.bmp|keep|changed|installed" "bmp/5.bmp|keep|changed|player")
use_launcher "use after taking up"
expect_files "use after taking up"
cmp -s "$tmp/old-4.bmp" "$play/bmp/4.bmp" && fail "a file taken up was not updated"

# The program runs as the launcher's own process, in the play folder, until it ends. It starts in
# a session of its own, so that everything it started goes with it.
setsid env -i PATH="$PATH" XDG_DATA_HOME="$tmp/case1/data" SDL_VIDEODRIVER=dummy SDL_RENDER_DRIVER=software \
    SDL_AUDIODRIVER=dummy "$prefix/bin/shooter-play" mapedit 2>"$tmp/editor.err" &
editor=$!
editor_started() {
    kill -0 "$editor" 2>/dev/null || { cat "$tmp/editor.err" >&2; fail "the editor ended on its own"; }
    [ "$(readlink "/proc/$editor/exe" 2>/dev/null)" = "$prefix/bin/mapedit" ]
}
await 60 "the launcher to become the editor" editor_started || true
exe=$(readlink "/proc/$editor/exe" || true)
folder=$(readlink "/proc/$editor/cwd" || true)
kill -KILL -- "-$editor"
wait "$editor" 2>/dev/null || true
[ "$exe" = "$prefix/bin/mapedit" ] || fail "the launcher's process became $exe, expected $prefix/bin/mapedit"
[ "$folder" = "$play" ] || fail "the editor runs in $folder, expected $play"
cmp -s "$tmp/first-copy/AREA1.csv" "$play/AREA1.csv" || fail "the editor's start changed the map"

# make uninstall removes what make install put in the prefix, folders it made included, and
# nothing else; asked for another prefix, it removes nothing.
home=$tmp/uninstall/home
mkdir -p "$home/bin" "$home/share/applications" "$home/share/icons"
echo other >"$home/bin/other"
echo other >"$home/share/applications/other.desktop"
before=$(cd "$home" && find . | sort)
make -s -C "$source" install-tree BUILD="$build" PREFIX="$home" >"$tmp/make.log" 2>&1 ||
    { cat "$tmp/make.log" >&2; fail "make install-tree failed"; }
for file in bin/shooter share/shooter/AREA1.csv share/man/man6/shooter.6.gz share/metainfo/org.example.shooter.metainfo.xml; do
    [ -f "$home/$file" ] || fail "make install put no $file in the prefix"
done
installed_tree=$(cd "$home" && find . | sort)
make -s -C "$source" uninstall BUILD="$build" PREFIX="$tmp/uninstall/elsewhere" >"$tmp/make.log" 2>&1 &&
    fail "make uninstall of a prefix never installed into succeeded"
[ "$(cd "$home" && find . | sort)" = "$installed_tree" ] || fail "make uninstall of another prefix removed files"
make -s -C "$source" uninstall BUILD="$build" PREFIX="$home" >"$tmp/make.log" 2>&1 ||
    { cat "$tmp/make.log" >&2; fail "make uninstall failed"; }
after=$(cd "$home" && find . | sort)
[ "$after" = "$before" ] || fail "make uninstall did not leave the prefix as it was: $(diff <(echo "$before") <(echo "$after"))"
fresh=$tmp/uninstall/new/prefix
make -s -C "$source" install-tree BUILD="$build" PREFIX="$fresh" >"$tmp/make.log" 2>&1 &&
    make -s -C "$source" uninstall BUILD="$build" PREFIX="$fresh" >>"$tmp/make.log" 2>&1 ||
    { cat "$tmp/make.log" >&2; fail "make install-tree and uninstall into a new prefix failed"; }
[ ! -e "$fresh" ] && [ -d "$tmp/uninstall/new" ] ||
    fail "make uninstall did not remove exactly the folders the install made: $(find "$tmp/uninstall/new")"
