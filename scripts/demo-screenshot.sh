# Shared by scripts/demo.sh and scripts/demo-vantrel.sh (sourced, inside the Wine
# session): the prefix's demo files and the screenshot taken without a display.

# The sample document the demo's items open, and Marlett: caption buttons and
# scroll arrows are drawn with it, and this Wine does not take it from its own
# font folder.
prepare_demo_prefix() {
    docs="$WINEPREFIX/drive_c/users/Public/Documents"
    mkdir -p "$docs"
    if [ -f "$root/demo/Dockmere.txt" ] && [ ! -f "$docs/Dockmere.txt" ]; then
        cp "$root/demo/Dockmere.txt" "$docs/"
    fi
    fonts="$WINEPREFIX/drive_c/windows/Fonts"
    if [ -f /usr/share/wine/fonts/marlett.ttf ] && [ ! -f "$fonts/marlett.ttf" ]; then
        mkdir -p "$fonts"
        cp /usr/share/wine/fonts/marlett.ttf "$fonts/"
    fi
}

#   take_demo_screenshot <WxH> <picture.png> <host name> <wine arguments...>
# Starts the host (which must close itself after about 9 s and place its window
# at the screen's top left with that size), photographs that corner after 6 s and
# reports the host's exit code.
take_demo_screenshot() {
    size=$1
    picture=$2
    name=$3
    shift 3
    wine "$@" &
    pid=$!
    sleep 6
    import -window root -crop "$size+0+0" +repage "$picture"
    rc=0
    wait $pid || rc=$?
    if [ $rc -ne 0 ]; then
        echo "demo: $name ended with exit code $rc" >&2
        exit $rc
    fi
    echo "demo: wrote $picture"
}
