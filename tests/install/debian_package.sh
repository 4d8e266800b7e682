#!/usr/bin/env bash
# The Debian package CPack makes: its metadata, Depends naming the package of every shared library
# the programs link, the same files `cmake --install` lays out but under /usr, and its launcher
# working where the package's tree is unpacked.
source "$(dirname "$0")/lib.sh"

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/out" >"$tmp/cpack.log" 2>&1 || {
    cat "$tmp/cpack.log" >&2
    fail "cpack failed"
}
debs=("$tmp"/out/*.deb)
[ ${#debs[@]} = 1 ] && [ -f "${debs[0]}" ] || fail "expected one package, got: ${debs[*]}"
deb=${debs[0]}

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
fields=(
    "Package|shooter"
    "Version|$version"
    "Architecture|$(dpkg --print-architecture)"
    "Section|games"
)
for row in "${fields[@]}"; do
    IFS='|' read -r name expected <<<"$row"
    got=$(dpkg-deb -f "$deb" "$name")
    [ "$got" = "$expected" ] || fail "$name: expected \"$expected\", got \"$got\""
done
for name in Maintainer Description; do
    [ -n "$(dpkg-deb -f "$deb" "$name")" ] || fail "the package has no $name"
done

# The package owning a library file; merged /usr means a file may be known under either path.
owner() {
    local path
    for path in "$1" "$(readlink -f "$1")" "${1#/usr}" "/usr$1"; do
        dpkg -S "$path" 2>/dev/null | sed -n '1s/:.*//p' | grep . && return 0
    done
    return 1
}
depends=", $(dpkg-deb -f "$deb" Depends),"
linked=""
for program in shooter/shooter mapedit/mapedit; do
    for lib in $(readelf -d "$build/$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
        path=$(ldd "$build/$program" | awk -v lib="$lib" '$1 == lib { print $3 }')
        package=$(owner "$path") || fail "no package owns $lib ($path)"
        [[ $depends == *", $package "* || $depends == *", $package,"* ]] ||
            fail "Depends lacks $package (for $lib): $depends"
        linked+=" $lib"
    done
done
[[ $linked == *libSDL2* ]] || fail "the programs link no SDL2 library: $linked"

# Files only (directories aside), under ./usr in the package, as a prefix receives them.
dpkg-deb -c "$deb" >"$tmp/contents"
awk '$1 !~ /^d/ { print $6 }' "$tmp/contents" | sort >"$tmp/packaged"
grep -v '^\./usr/' "$tmp/packaged" && fail "the package installs outside /usr"
cmake --install "$build" --prefix "$tmp/prefix" >/dev/null
(cd "$tmp/prefix" && find . ! -type d | sed 's#^\./#./usr/#' | sort) >"$tmp/installed"
diff "$tmp/installed" "$tmp/packaged" || fail "the package's files are not what cmake --install lays out"
for program in shooter mapedit shooter-play; do
    grep -Eq "^-rwxr-xr-x root/root .* \./usr/bin/$program\$" "$tmp/contents" ||
        fail "usr/bin/$program is not a program owned by root: $(grep "/$program\$" "$tmp/contents")"
done

# Unpacked anywhere, the package's launcher finds its data and lays out a play folder.
dpkg-deb -x "$deb" "$tmp/root"
env -i PATH="$PATH" XDG_DATA_HOME="$tmp/data" "$tmp/root/usr/bin/shooter-play" 2>"$tmp/launch.err" &&
    fail "the game started without a display"
diff -r "$tmp/root/usr/share/shooter" "$tmp/data/shooter-play" || {
    cat "$tmp/launch.err" >&2
    fail "the unpacked package's launcher did not lay out the play folder"
}
