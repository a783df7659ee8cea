#!/bin/sh
# Installs what the build, the tests and the demo need, from Debian's archive.
# Idempotent: a package that is already installed is skipped; prints what it installs.
set -eu

need_root() {
    if [ "$(id -u)" -ne 0 ]; then
        echo "install-deps: run as root (or install these packages yourself): $*" >&2
        exit 1
    fi
}

if ! dpkg --print-foreign-architectures | grep -qx i386; then
    need_root "i386 architecture"
    echo "install-deps: adding the i386 architecture"
    dpkg --add-architecture i386
    apt-get update -qq
fi

packages="make cmake ninja-build g++ mingw-w64 g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix
binutils-mingw-w64-i686 wine wine32:i386 xvfb xauth googletest fonts-ipafont-gothic fonts-wine
imagemagick zip clang libclang-rt-14-dev lld"

missing=""
for p in $packages; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done

if [ -z "$missing" ]; then
    exit 0
fi

need_root "$missing"
echo "install-deps: installing$missing"
export DEBIAN_FRONTEND=noninteractive
if ! apt-get install -y -qq --no-install-recommends $missing >/dev/null; then
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends $missing >/dev/null
fi
echo "install-deps: done"
