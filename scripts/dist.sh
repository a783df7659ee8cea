#!/bin/sh
# make dist: the files a user installs, in <builddir>/dist/ and a zip beside it.
#
#   scripts/dist.sh <builddir>
#
# Dockmere.kdx goes into the browser's kdx\ folder; Dockmere.vx (a copy of the
# adaptor named after the plug-in) and KdxPanel.ini go into the newer host's
# plug-in folder, with Dockmere.kdx in its kdx\ subfolder. VantrelLib.vx is the
# host's own library and is not shipped.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-build}" && pwd)
bin="$build/bin"
dist="$build/dist"
zip="$build/Dockmere-1.5.zip"

for f in Dockmere.kdx Brevlin.vx; do
    if [ ! -f "$bin/$f" ]; then
        echo "dist: $bin/$f is missing; run make build first" >&2
        exit 1
    fi
done

rm -rf "$dist" "$zip"
mkdir -p "$dist"
cp "$bin/Dockmere.kdx" "$dist/Dockmere.kdx"
cp "$bin/Brevlin.vx" "$dist/Dockmere.vx"
cp "$root/adaptor/KdxPanel.ini" "$dist/KdxPanel.ini"
cp "$root/dist/INSTALL.txt" "$dist/INSTALL.txt"
# Shipped without symbols; the build folder keeps the unstripped modules.
i686-w64-mingw32-strip --strip-unneeded "$dist/Dockmere.kdx" "$dist/Dockmere.vx"

(cd "$dist" && zip -q -X "$zip" Dockmere.kdx Dockmere.vx KdxPanel.ini INSTALL.txt)
echo "dist: $dist"
echo "dist: $zip"
(cd "$dist" && ls -l)
