#!/bin/sh
# Builds the demo into OUT_DIR: draws the skin's pictures and sounds into
# OUT_DIR/skin (again only when make-art.sh changed), copies the skin's
# text sources beside them, packs the demo game's demo-game.dpf and the
# launcher's setup.dpf from their manifests, and links the demo game there
# as the layout's target_win names it.
# Usage: demo/pack.sh BIN_DIR OUT_DIR
set -eu
bin=$(cd "$1" && pwd)
out=$2
here=$(cd "$(dirname "$0")" && pwd)
skin="$out/skin"

mkdir -p "$skin"
if [ ! -f "$skin/.drawn" ] || [ "$here/make-art.sh" -nt "$skin/.drawn" ]; then
    rm -f "$skin/.drawn"
    "$here/make-art.sh" "$skin"
    touch "$skin/.drawn"
fi
cp "$here/layout.xml" "$here/logo.xml" "$here/setup-manifest.xml" "$here/game-manifest.xml" "$skin/"

ln -sf "$bin/demo-game" "$out/demo-game"
"$bin/dpftool" pack "$skin/game-manifest.xml" "$out/demo-game.dpf"
"$bin/dpftool" pack "$skin/setup-manifest.xml" "$out/setup.dpf"
