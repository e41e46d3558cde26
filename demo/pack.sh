#!/bin/sh
# Packs the demo skin into OUT_DIR/setup.dpf with the project's dpftool.
# Usage: demo/pack.sh BIN_DIR OUT_DIR
set -eu
bin=$1
out=$2
here=$(cd "$(dirname "$0")" && pwd)
package="$out/setup.dpf"

"$bin/dpftool" create --force "$package"
"$bin/dpftool" add "$package" layout.xml FILE "$here/layout.xml"
for name in icon bggeneral bgvideo bgaudio; do
    "$bin/dpftool" add-image "$package" "demo_$name" "$here/images/$name.png"
done
