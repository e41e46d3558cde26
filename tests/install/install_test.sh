#!/bin/sh
# Installs the SDK into a scratch prefix and builds a small program against
# it twice: through pkg-config and through CMake's find_package.
# Usage: install_test.sh BUILD_DIR SOURCE_DIR
set -eu
build=$1
here=$2/tests/install
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --install "$build" --prefix "$work/prefix" >/dev/null
libdir=$(ls -d "$work"/prefix/lib*/ | head -n 1)
test -f "$work/prefix/include/quenlar/quenlar.h"
test -x "$work/prefix/bin/setup"

export PKG_CONFIG_PATH="$libdir/pkgconfig"
${CXX:-c++} -std=c++17 -o "$work/probe-pc" "$here/probe/probe.cpp" $(pkg-config --cflags --libs quenlar)
"$work/probe-pc"

mkdir "$work/cmake"
cp "$here/probe/probe.cpp" "$work/cmake/"
cp "$here/probe/CMakeLists.txt.in" "$work/cmake/CMakeLists.txt"
cmake -S "$work/cmake" -B "$work/cmake/build" -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
cmake --build "$work/cmake/build" >/dev/null
"$work/cmake/build/probe"
echo "install ok"
