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

# apt-get update exits 100 when any one index cannot be fetched (a mirror mid-sync), yet
# keeps every list it did fetch: that is a warning here, and the install decides.
apt_update() {
    if ! apt-get update -qq >/dev/null 2>&1; then
        echo "install-deps: warning: some package lists could not be fetched; going on with the rest" >&2
    fi
}

# The release's own suite (bookworm): an install pinned to it takes both halves of each
# multi-arch pair (amd64 and i386) from one suite when another suite's lists are missing.
release_suite() {
    (. /etc/os-release 2>/dev/null && echo "${VERSION_CODENAME:-}")
}

# apt_install [-t suite] packages...: the install; unless pinned already, once more pinned
# to the release's suite when apt refuses it. When that fails too: names the packages and
# the command to run by hand, and ends the script.
apt_install() {
    export DEBIAN_FRONTEND=noninteractive
    pin=""
    if [ "$1" = -t ]; then
        pin=$2
        shift 2
    fi
    if apt-get install -y -qq --no-install-recommends ${pin:+-t "$pin"} "$@" >/dev/null; then
        return 0
    fi
    if [ -z "$pin" ]; then
        pin=$(release_suite)
        if [ -n "$pin" ]; then
            echo "install-deps: apt refused the install; trying again with every package from $pin" >&2
            if apt-get install -y -qq --no-install-recommends -t "$pin" "$@" >/dev/null; then
                return 0
            fi
        fi
    fi
    echo "install-deps: could not install: $*" >&2
    echo "install-deps: run by hand, as root: apt-get update; apt-get install${pin:+ -t $pin} $*" >&2
    exit 1
}

if ! dpkg --print-foreign-architectures | grep -qx i386; then
    need_root "i386 architecture"
    echo "install-deps: adding the i386 architecture"
    dpkg --add-architecture i386
    apt_update
fi

packages="make cmake ninja-build g++ mingw-w64 g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix
g++-mingw-w64-i686-win32 gcc-mingw-w64-i686-win32
binutils-mingw-w64-i686 g++-mingw-w64-x86-64-posix wine wine32:i386 wine64 xvfb xauth googletest fonts-ipafont-gothic fonts-wine
imagemagick zip clang libclang-rt-14-dev lld"
# Wine names files in the Unix locale's character set: without a generated UTF-8
# locale it cannot hold a file name outside ASCII.
packages="$packages locales"

missing=""
for p in $packages; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done

install() {
    need_root "$*"
    echo "install-deps: installing $*"
    # The lists may be missing or old on a fresh machine: fetch them before the first try.
    apt_update
    apt_install "$@"
    echo "install-deps: done"
}

if [ -n "$missing" ]; then
    install $missing
fi

# Wine's 32-bit side is made of i386 Linux programs. A kernel started without 32-bit
# emulation (ia32_emulation=off, as on some virtual machines) refuses them with "Exec
# format error"; there they run through qemu's user-mode i386 emulator, registered
# with the kernel's binfmt_misc for i386 ELF files.
# bookworm's qemu 7.2 walks its page table page by page on every mapping change and
# takes minutes to start one Wine process; 8.1 and later keep intervals and take a
# second or two, so the emulator comes from bookworm-backports.
# INSTALL_DEPS_I386_PROBE: the program that shows whether i386 programs start (a test
# puts a stand-in there).
i386_probe=${INSTALL_DEPS_I386_PROBE:-/lib/ld-linux.so.2}
if ! "$i386_probe" --version >/dev/null 2>&1; then
    if ! dpkg --compare-versions "$(dpkg-query -W -f='${Version}' qemu-user-static 2>/dev/null)" ge 1:8.1; then
        need_root "qemu-user-static from bookworm-backports"
        list=/etc/apt/sources.list.d/bookworm-backports.list
        if ! grep -rqs "bookworm-backports" /etc/apt/sources.list /etc/apt/sources.list.d; then
            echo "install-deps: adding bookworm-backports to $list"
            echo "deb http://deb.debian.org/debian bookworm-backports main" >"$list"
        fi
        apt_update
        echo "install-deps: installing qemu-user-static from bookworm-backports"
        apt_install -t bookworm-backports qemu-user-static
        # A registration made with an older emulator keeps that file open: make it anew.
        [ -e /proc/sys/fs/binfmt_misc/qemu-i386 ] && echo -1 >/proc/sys/fs/binfmt_misc/qemu-i386
    fi
    binfmt=/proc/sys/fs/binfmt_misc
    if [ ! -e "$binfmt/register" ]; then
        need_root "binfmt_misc"
        mount -t binfmt_misc binfmt_misc "$binfmt"
    fi
    if [ ! -e "$binfmt/qemu-i386" ]; then
        need_root "the i386 emulator"
        echo "install-deps: this kernel runs no 32-bit programs; i386 programs go through qemu-i386"
        # Executables and shared objects (e_type 2 or 3) of class 32-bit, machine 386.
        # F opens the emulator now, so it also serves other mount namespaces.
        printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386:F' \
            >"$binfmt/register"
    fi
    if ! "$i386_probe" --version >/dev/null 2>&1; then
        echo "install-deps: i386 programs still do not start; Wine cannot run here" >&2
        exit 1
    fi
fi

# The Japanese UTF-8 locale that the Wine commands run under (LC_ALL=ja_JP.UTF-8).
if ! locale -a 2>/dev/null | grep -qix 'ja_JP\.utf-\?8'; then
    need_root "the ja_JP.UTF-8 locale"
    echo "install-deps: generating the ja_JP.UTF-8 locale"
    localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi
