#!/bin/sh
# make demo HOST=vantrel: Dockmere shown through the adaptor in the stand-in
# newer host.
#
#   scripts/demo-vantrel.sh <builddir>
#
# Lays out the host's plug-in folder <builddir>/demo-vantrel: Dockmere.vx (a
# copy of Brevlin.vx), kdx\Dockmere.kdx, KdxPanel.ini, and Dockmere's settings in
# setting\ (the host's profile folder is the plug-in folder; the settings are
# copied from demo/ the first time only, so a user's changes are kept). With a
# display the host window stays until it is closed; without one it runs under
# Xvfb for a few seconds and leaves <builddir>/demo-vantrel/screenshot.png.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)

if [ "${1:-}" = "--inside" ]; then
    # Second stage, inside the Wine session (WINEPREFIX and DISPLAY are set).
    build=$2
    mode=$3
    demo="$build/demo-vantrel"
    . "$root/scripts/demo-screenshot.sh"
    prepare_demo_prefix

    plugin=$(winepath -w "$demo/Dockmere.vx" 2>/dev/null)
    host="$build/bin/vantrelhost.exe"
    if [ "$mode" = show ]; then
        echo "demo: close the Vantrel window to end (the panel saves $demo/setting/Dockmere.ini)"
        wine "$host" "$plugin"
        exit $?
    fi

    size=900x560
    take_demo_screenshot $size "$demo/screenshot.png" vantrelhost \
        "$host" /size $size /exit 9000 "$plugin"
    exit 0
fi

build=$(cd "${1:-build}" && pwd)
demo="$build/demo-vantrel"
mkdir -p "$demo/kdx" "$demo/setting"
# The modules and the help text are the build's own: refreshed every run.
cp "$build/bin/Brevlin.vx" "$demo/Dockmere.vx"
cp "$build/bin/Dockmere.kdx" "$demo/kdx/Dockmere.kdx"
cp "$root/adaptor/KdxPanel.ini" "$demo/KdxPanel.ini"
if [ ! -f "$demo/setting/Dockmere.ini" ] && [ -f "$root/demo/Dockmere.ini" ]; then
    cp "$root/demo/Dockmere.ini" "$demo/setting/Dockmere.ini"
    echo "demo: settings $demo/setting/Dockmere.ini made from demo/"
fi

if [ -n "${DISPLAY:-}" ]; then
    mode=show
else
    mode=screenshot
fi
exec "$root/scripts/wine-session.sh" --build "$build" "$0" --inside "$build" $mode
