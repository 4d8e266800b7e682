#!/usr/bin/env bash
# The Debian package, made the way `make package` makes it (a build of its own, kept between runs in
# the build folder): its metadata, Depends naming the package of every shared library the programs
# link, Recommends with the frame drawer for Wayland, the files `cmake --install` lays out in that
# build but under /usr, the hardening and stripping lintian looks for, lintian itself without an
# error or a warning, and its launcher working where the package's tree is unpacked.
source "$(dirname "$0")/lib.sh"

pkgbuild=$build/debian-package
sh "$source/cmake/debian-package.sh" "$source" "$pkgbuild" >"$tmp/deb" 2>"$tmp/package.log" || {
    tail -40 "$tmp/package.log" >&2
    fail "cmake/debian-package.sh failed"
}
deb=$(cat "$tmp/deb")
[ -f "$deb" ] || fail "no package made: $deb"

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$pkgbuild/CMakeCache.txt")
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
    for lib in $(readelf -d "$pkgbuild/$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
        path=$(ldd "$pkgbuild/$program" | awk -v lib="$lib" '$1 == lib { print $3 }')
        package=$(owner "$path") || fail "no package owns $lib ($path)"
        [[ $depends == *", $package "* || $depends == *", $package,"* ]] ||
            fail "Depends lacks $package (for $lib): $depends"
        linked+=" $lib"
    done
done
[[ $linked == *libSDL2* ]] || fail "the programs link no SDL2 library: $linked"
# The window's frame on Wayland desktops that leave it to the programs.
[[ ", $(dpkg-deb -f "$deb" Recommends)," == *", libdecor-0-plugin-1-cairo,"* ]] ||
    fail "Recommends lacks libdecor-0-plugin-1-cairo: $(dpkg-deb -f "$deb" Recommends)"

# Files only (directories aside), under ./usr in the package, as a prefix receives them.
dpkg-deb -c "$deb" >"$tmp/contents"
awk '$1 !~ /^d/ { print $6 }' "$tmp/contents" | sort >"$tmp/packaged"
grep -v '^\./usr/' "$tmp/packaged" && fail "the package installs outside /usr"
cmake --install "$pkgbuild" --prefix "$tmp/prefix" >/dev/null
(cd "$tmp/prefix" && find . ! -type d | sed 's#^\./#./usr/#' | sort) >"$tmp/installed"
diff "$tmp/installed" "$tmp/packaged" || fail "the package's files are not what cmake --install lays out"
# Where a game's files go.
for path in games/shooter games/mapedit games/shooter-play share/games/shooter/AREA1.csv \
    share/doc/shooter/copyright share/doc/shooter/changelog.gz share/man/man6/shooter.6.gz \
    share/man/man6/mapedit.6.gz share/man/man6/shooter-play.6.gz share/metainfo/org.example.shooter.metainfo.xml; do
    grep -qx "\./usr/$path" "$tmp/packaged" || fail "the package has no /usr/$path"
done
grep -E '^\./usr/(bin|share/shooter)/' "$tmp/packaged" && fail "the package still uses /usr/bin or /usr/share/shooter"
for program in shooter mapedit shooter-play; do
    grep -Eq "^-rwxr-xr-x root/root .* \./usr/games/$program\$" "$tmp/contents" ||
        fail "usr/games/$program is not a program owned by root: $(grep "/$program\$" "$tmp/contents")"
done

# Built as a distribution builds: no -Werror, and the packaging flags reached the compiler.
grep -oE -- '-Werror(=[a-z-]+)?' "$pkgbuild/build.ninja" | grep -qx -- '-Werror' && fail "the package build uses -Werror"
grep -q -- '-fstack-protector-strong' "$pkgbuild/build.ninja" || fail "the package build lacks the stack protector"

# lintian: no error and no warning, and none of the hardening or stripping remarks either.
lintian --display-info "$deb" >"$tmp/lintian" 2>&1 || true
cat "$tmp/lintian"
grep -E '^[EW]: ' "$tmp/lintian" && fail "lintian has errors or warnings"
grep -E 'hardening-no-|binary-has-unneeded-section|unstripped-binary|no-manual-page|binary-without-manpage' \
    "$tmp/lintian" && fail "lintian finds the programs built or stripped short of a package's"

# Unpacked anywhere, the package's launcher finds its data and lays out a play folder.
dpkg-deb -x "$deb" "$tmp/root"
env -i PATH="$PATH" XDG_DATA_HOME="$tmp/data" "$tmp/root/usr/games/shooter-play" 2>"$tmp/launch.err" &&
    fail "the game started without a display"
diff -r -x .shooter-play-copied "$tmp/root/usr/share/games/shooter" "$tmp/data/shooter-play" || {
    cat "$tmp/launch.err" >&2
    fail "the unpacked package's launcher did not lay out the play folder"
}
