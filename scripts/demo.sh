#!/bin/sh
# make demo: the panel in the stand-in browser.
#
#   scripts/demo.sh <builddir> [kdx|vantrel]
#
# The setting folder is <builddir>/demo, copied from demo/ the first time only, so
# the pages a user arranges are kept between runs. With a display the host window
# stays until it is closed; without one it runs under Xvfb for a few seconds and
# leaves <builddir>/demo/screenshot.png.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)

if [ "${1:-}" = "--inside" ]; then
    # Second stage, inside the Wine session (WINEPREFIX and DISPLAY are set).
    build=$2
    mode=$3
    demo="$build/demo"
    . "$root/scripts/demo-screenshot.sh"
    prepare_demo_prefix

    plugin=$(winepath -w "$build/bin/Dockmere.kdx" 2>/dev/null)
    folder=$(winepath -w "$demo" 2>/dev/null)
    host="$build/bin/kdxhost.exe"
    if [ "$mode" = show ]; then
        echo "demo: close the kdxhost window to end (the panel saves $demo/Dockmere.ini)"
        wine "$host" "$plugin" "$folder"
        exit $?
    fi

    size=640x420
    take_demo_screenshot $size "$demo/screenshot.png" kdxhost \
        "$host" "$plugin" "$folder" --size $size --exit-after 9000 --quiet
    exit 0
fi

build=$(cd "${1:-build}" && pwd)
host=${2:-kdx}

if [ "$host" = vantrel ]; then
    if [ -x "$root/scripts/demo-vantrel.sh" ]; then
        exec "$root/scripts/demo-vantrel.sh" "$build"
    fi
    echo "demo: the panel through the adaptor (HOST=vantrel) is not available yet" >&2
    exit 1
fi
if [ "$host" != kdx ]; then
    echo "demo: unknown HOST '$host' (kdx or vantrel)" >&2
    exit 1
fi

if [ ! -d "$build/demo" ]; then
    cp -r "$root/demo" "$build/demo"
    echo "demo: setting folder $build/demo made from demo/"
fi

if [ -n "${DISPLAY:-}" ]; then
    mode=show
else
    mode=screenshot
fi
exec "$root/scripts/wine-session.sh" --build "$build" "$0" --inside "$build" $mode
