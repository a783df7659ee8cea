#!/bin/sh
# Runs a command inside a Wine session: an X display (Xvfb when none is set),
# the project's own Wine prefix in the build tree, the ANSI code page 932 and
# one persistent wineserver, torn down afterwards.
#
#   scripts/wine-session.sh [--build DIR] [--wow64] command [args...]
#
# --wow64: a 64-bit prefix of its own (DIR/wineprefix64), in which 32-bit programs
# run under WOW64 as on 64-bit Windows; the tests that need it run there.
#
# Wine's background processes inherit stdin/stdout/stderr; they are started here
# with all three redirected, so that ctest does not wait on pipes they hold open.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build"
if [ "${1:-}" = "--build" ]; then
    build=$(cd "$2" && pwd)
    shift 2
fi
if [ "${1:-}" = "--wow64" ]; then
    # Also inside a session of the 32-bit prefix (ctest under make test).
    export WINEPREFIX="$build/wineprefix64"
    export WINEARCH=win64
    shift
else
    export WINEPREFIX="${WINEPREFIX:-$build/wineprefix}"
    export WINEARCH=win32
fi
export WINEDEBUG="${WINEDEBUG:--all}"
export LC_ALL=ja_JP.UTF-8
# No Mono or Gecko installer dialogs when the prefix is created.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

xvfb_pid=""
cleanup() {
    wineserver -k >/dev/null 2>&1 </dev/null || true
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
}
trap cleanup EXIT INT TERM

if [ -z "${DISPLAY:-}" ]; then
    fdfile=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fdfile" \
        </dev/null >/dev/null 2>&1 &
    xvfb_pid=$!
    i=0
    while [ ! -s "$fdfile" ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done
    display=$(cat "$fdfile")
    rm -f "$fdfile"
    if [ -z "$display" ]; then
        echo "wine-session: Xvfb did not start" >&2
        exit 1
    fi
    export DISPLAY=":$display"
fi

mkdir -p "$WINEPREFIX"
fresh=0
[ -f "$WINEPREFIX/system.reg" ] || fresh=1

wineserver -p </dev/null >/dev/null 2>&1
wine cmd /c exit </dev/null >/dev/null 2>&1 || true
if [ $fresh -eq 1 ]; then
    # Unmanaged top-level windows: destroying one costs milliseconds instead of seconds.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1 || true
fi

set +e
"$@"
rc=$?
set -e
exit $rc
