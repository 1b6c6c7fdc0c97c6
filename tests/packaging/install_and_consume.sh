#!/bin/sh
# Installs a build into a temporary prefix and uses it as other projects and people would: the
# installed tool (its version, its bundled table, its RUNPATH, man page and completion), a C
# program built through pkg-config and a C++ one through find_package(KavroPublic), both run;
# then the Debian package cpack makes of the same build, and what it holds.
#   install_and_consume.sh BUILD_DIR CC CXX CMAKE CPACK
set -eu
build=$1 cc=$2 cxx=$3 cmake=$4 cpack=$5
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM
prefix=$work/prefix
fail() {
    echo "install_and_consume: $*" >&2
    exit 1
}

"$cmake" --install "$build" --prefix "$prefix" >/dev/null
tool=$prefix/bin/kavro
db=$prefix/share/kavro/kavro_protocols.db
"$tool" --version | grep -q '^kavro [0-9]' || fail "kavro --version"
[ "$("$tool" decoder --protocol 7 --camera 1 Up)" = "write FF 01 00 08 00 20 29" ] ||
    fail "the installed tool does not find its bundled table"
readelf -d "$tool" | grep -q 'RUNPATH.*\$ORIGIN/\.\./lib' || fail "kavro has no \$ORIGIN RUNPATH"
for f in share/man/man1/kavro.1 share/bash-completion/completions/kavro share/doc/Kavro_Public/LICENSE \
    include/kavro/kavro_public.h lib/cmake/KavroPublic/KavroPublicConfigVersion.cmake; do
    [ -f "$prefix/$f" ] || fail "not installed: $f"
done

export PKG_CONFIG_PATH="$prefix/lib/pkgconfig"
libdir=$(pkg-config --variable=libdir kavro_public)
# shellcheck disable=SC2046 # the flags are words
"$cc" -std=c11 -Wall -Wextra -Werror "$here/consumer.c" $(pkg-config --cflags --libs kavro_public) \
    -Wl,-rpath,"$libdir" -o "$work/consumer_c"
"$work/consumer_c" "$db"

"$cmake" -S "$here/cpp_consumer" -B "$work/cpp" -DCMAKE_PREFIX_PATH="$prefix" \
    -DCMAKE_CXX_COMPILER="$cxx" >/dev/null
"$cmake" --build "$work/cpp" >/dev/null
"$work/cpp/consumer_cpp" "$db"

"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/deb" >/dev/null
deb=$(ls "$work"/deb/*.deb)
contents=$(dpkg-deb -c "$deb")
for f in usr/lib/libkavro_public.so.0 usr/include/kavro/kavro_public.h usr/bin/kavro \
    usr/share/kavro/kavro_protocols.db usr/share/man/man1/kavro.1 usr/lib/pkgconfig/kavro_public.pc; do
    echo "$contents" | grep -q " \./$f" || fail "not in the package: $f"
done
echo "install_and_consume: $(basename "$deb") holds the library, headers, tool, tables and man page"
