#!/bin/sh
# Installs the SDK into a scratch prefix, checks what was installed, and
# builds a small program against it twice: through pkg-config and through
# CMake's find_package.
# Usage: install_test.sh BUILD_DIR SOURCE_DIR
set -eu
build=$1
here=$2/tests/install
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "install test: $*" >&2
    exit 1
}

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
libdir=$(ls -d "$prefix"/lib*/ | head -n 1)
test -f "$prefix/include/quenlar/quenlar.h" || fail "no quenlar.h"
test -x "$prefix/bin/setup" || fail "no setup program"

# The platform layer, internal headers and empty folders stay out.
test ! -e "$prefix/include/quenlar/platform" || fail "platform headers installed"
private=$(find "$prefix/include" -name '*_private.h')
test -z "$private" || fail "internal headers installed: $private"
empty=$(find "$prefix" -type d -empty)
test -z "$empty" || fail "empty folders installed: $empty"

# The only include folder of the SDK itself is <prefix>/include: every
# installed header compiles on its own with it and the dependencies' flags.
export PKG_CONFIG_PATH="$libdir/pkgconfig"
for flag in $(pkg-config --cflags-only-I quenlar); do
    dir=${flag#-I}
    case $(realpath -m "$dir") in
    "$prefix"*) test "$(realpath -m "$dir")" = "$prefix/include" || fail "include path $dir" ;;
    esac
done
deps_cflags=$(pkg-config --cflags sdl SDL_image SDL_mixer SDL_net tinyxml zlib libpng)
headers=$(cd "$prefix/include" && find quenlar -name '*.h' | sort)
for header in $headers; do
    echo "#include <$header>" |
        ${CXX:-c++} -std=c++17 -fsyntax-only -x c++ - -I"$prefix/include" $deps_cflags ||
        fail "$header does not compile on its own"
done

${CXX:-c++} -std=c++17 -o "$work/probe-pc" "$here/probe/probe.cpp" $(pkg-config --cflags --libs quenlar)
"$work/probe-pc"

mkdir "$work/cmake"
cp "$here/probe/probe.cpp" "$work/cmake/"
cp "$here/probe/CMakeLists.txt.in" "$work/cmake/CMakeLists.txt"
cmake -S "$work/cmake" -B "$work/cmake/build" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/cmake/build" >/dev/null
"$work/cmake/build/probe"
echo "install ok: $(echo "$headers" | wc -w) headers"
