#!/bin/sh
# The README's pictures, taken under Xvfb: the panel in its three views, with its
# context menu open, with the properties dialog, and through the adaptor.
#
#   scripts/screenshots.sh <builddir>      (writes docs/*.png)
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)

if [ "${1:-}" = "--inside" ]; then
    build=$2
    shots="$build/shots"
    . "$root/scripts/demo-screenshot.sh"
    prepare_demo_prefix
    plugin=$(winepath -w "$build/bin/Dockmere.kdx" 2>/dev/null)

    # shot <picture> <view style> <crop WxH> [kdxhost options...]
    shot() {
        name=$1 view=$2 crop=$3
        shift 3
        folder="$shots/$name"
        rm -rf "$folder"
        mkdir -p "$folder"
        sed "s/^ViewStyle=.*/ViewStyle=$view\r/" "$root/demo/Dockmere.ini" >"$folder/Dockmere.ini"
        wine "$build/bin/kdxhost.exe" "$plugin" "$(winepath -w "$folder")" --size 640x420 \
            --exit-after 7000 --quiet "$@" &
        pid=$!
        sleep 5
        import -window root -crop "$crop+0+0" +repage "$root/docs/$name.png"
        wait $pid || true
        echo "screenshots: docs/$name.png"
    }
    shot panel-large 10009 640x420
    shot panel-small 10010 640x420
    shot panel-list 10011 640x420
    shot panel-menu 10009 640x420 --show menu
    shot panel-properties 10009 760x560 --show properties
    exit 0
fi

build=$(cd "${1:-build}" && pwd)
unset DISPLAY
"$root/scripts/wine-session.sh" --build "$build" "$0" --inside "$build"
# The adaptor's picture comes from its own demo.
"$root/scripts/demo-vantrel.sh" "$build" >/dev/null
cp "$build/demo-vantrel/screenshot.png" "$root/docs/adaptor.png"
echo "screenshots: docs/adaptor.png"
