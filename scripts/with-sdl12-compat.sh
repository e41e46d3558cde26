#!/usr/bin/env bash
# Runs a command on sdl12-compat (SDL 1.2 over SDL 2) instead of classic
# SDL 1.2, without rebuilding: Debian's libsdl1.2-compat installs its
# libSDL-1.2.so.0 in a folder of its own, and LD_LIBRARY_PATH makes the
# command and every program it starts (SDL_image, SDL_mixer and SDL_net
# included) load that one.
#   scripts/with-sdl12-compat.sh build/bin/setup
#   scripts/with-sdl12-compat.sh --check build/bin/setup   (exit 0 when it would load it)
set -euo pipefail

lib=$(dpkg -L libsdl1.2-compat 2>/dev/null | grep '/libSDL-1\.2\.so\.0$' | head -n 1 || true)
if [ -z "$lib" ]; then
  echo "with-sdl12-compat: libsdl1.2-compat is not installed (scripts/install-deps.sh installs it)" >&2
  exit 2
fi
export LD_LIBRARY_PATH="$(dirname "$lib")${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"

if [ "${1:-}" = "--check" ]; then
  # The dynamic linker's own answer: which libSDL-1.2.so.0 the program gets.
  got=$(ldd "$2" | awk '$1 == "libSDL-1.2.so.0" { print $3 }')
  if [ "$(readlink -f "$got")" != "$(readlink -f "$lib")" ]; then
    echo "with-sdl12-compat: $2 loads ${got:-no libSDL-1.2.so.0}, not $lib" >&2
    exit 1
  fi
  exit 0
fi
exec "$@"
