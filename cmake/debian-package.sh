#!/bin/sh
# cmake/debian-package.sh SOURCE_DIR BUILD_DIR: makes the Debian package in BUILD_DIR and prints
# its path. The build is configured as a distribution builds its packages: a plain configure (no
# preset, so warnings stay warnings), the compiler and linker flags of dpkg-buildflags with all
# hardening (bind now, fortified functions, stack protector), no tests, the programs in games/ and
# their data in share/games/shooter.
set -eu
src=$1
build=$2
DEB_BUILD_MAINT_OPTIONS=hardening=+all
export DEB_BUILD_MAINT_OPTIONS
# CPPFLAGS (_FORTIFY_SOURCE) ride with the compiler flags: CMake has no place of its own for them.
cflags="$(dpkg-buildflags --get CFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
cxxflags="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)
cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF \
    -DCMAKE_C_FLAGS="$cflags" -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" \
    -DCMAKE_INSTALL_BINDIR=games -DSHOOTER_DATADIR=share/games/shooter >&2
cmake --build "$build" -j 2 >&2
rm -f "$build"/shooter_*.deb
(cd "$build" && cpack -G DEB) >&2
ls "$build"/shooter_*.deb
