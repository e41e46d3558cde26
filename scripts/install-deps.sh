#!/usr/bin/env bash
# Installs the Debian packages the project builds, tests and runs with.
# Only what is missing is installed, and `apt-get update` runs only then, so
# a second run costs about a second.
set -euo pipefail

PACKAGES=(
  # Build tools
  build-essential cmake pkg-config clang
  # Libraries the SDK links
  libsdl1.2-dev libsdl-image1.2-dev libsdl-mixer1.2-dev libsdl-net1.2-dev
  libucl-dev libtinyxml-dev zlib1g-dev libpng-dev
  # dpftool: TrueType fonts made into game fonts, labels of its previews
  libsdl-ttf2.0-dev fonts-dejavu-core
  # sdl12-compat, SDL 1.2 over SDL 2, for `make test-compat`: it installs in
  # a folder of its own beside classic SDL 1.2 and replaces nothing
  libsdl1.2-compat
  # Tests and benchmarks; valgrind replays the fuzz inputs that reach
  # TinyXML, which the sanitizers do not see into
  googletest libgtest-dev libgmock-dev libbenchmark-dev valgrind
  # The reference of bench/screenfx.cpp (linked into that benchmark only)
  libsdl-gfx1.2-dev
  # Sound tests: Ogg Vorbis files made from the WAVE files they write
  vorbis-tools
  # The demo skin's click and music, made by its build script
  sox
  # Whole-launcher tests: a real X server, input injection, screenshots
  xvfb xauth xdotool x11-utils imagemagick
  # bench_launcher_startup watches the window through Xlib
  libx11-dev
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
    missing+=("$p")
  fi
done

[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
