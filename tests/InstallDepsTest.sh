#!/bin/sh
# scripts/install-deps.sh against a scripted package archive: stand-ins for apt-get,
# dpkg, dpkg-query, locale and id come first on PATH, so nothing on the machine changes.
#
#   tests/InstallDepsTest.sh <path of install-deps.sh>
set -u

script=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
bin="$work/bin"
mkdir -p "$bin"
failures=0

# Every package counts as missing but make, so the whole list reaches apt-get install.
cat >"$bin/dpkg-query" <<'EOF'
#!/bin/sh
for last; do :; done
[ "$last" = make ] && printf 'install ok installed'
exit 0
EOF
cat >"$bin/dpkg" <<'EOF'
#!/bin/sh
[ "$1" = --print-foreign-architectures ] && echo i386
exit 0
EOF
# APT_UPDATE: the exit code of `apt-get update`; APT_INSTALL: ok, pinned (refused
# unless -t names a suite) or refuse. Every call is appended to $APT_LOG.
cat >"$bin/apt-get" <<'EOF'
#!/bin/sh
echo "apt-get $*" >>"$APT_LOG"
case "$*" in
    *update*) exit "$APT_UPDATE" ;;
esac
case "$APT_INSTALL" in
    ok) exit 0 ;;
    pinned) case " $* " in *" -t "*) exit 0 ;; esac ;;
esac
echo "E: Unable to correct problems, you have held broken packages." >&2
exit 100
EOF
printf '#!/bin/sh\necho ja_JP.utf8\n' >"$bin/locale"
printf '#!/bin/sh\necho 0\n' >"$bin/id"
printf '#!/bin/sh\nexit 0\n' >"$bin/i386-probe"
chmod +x "$bin"/*

suite=$(. /etc/os-release && echo "$VERSION_CODENAME")

# run <update exit code> <install mode>: the script's exit code in $rc, its output in $out.
run() {
    : >"$work/apt.log"
    out=$(PATH="$bin:$PATH" APT_LOG="$work/apt.log" APT_UPDATE=$1 APT_INSTALL=$2 \
          INSTALL_DEPS_I386_PROBE="$bin/i386-probe" sh "$script" 2>&1)
    rc=$?
    log=$(cat "$work/apt.log")
}

check() {
    if ! eval "$2"; then
        echo "FAILED: $1"
        echo "  output: $out"
        echo "  apt-get calls: $log"
        failures=$((failures + 1))
    fi
}

# A mirror mid-sync: the update fails, the install from the lists that came works.
run 100 ok
check "a partial update goes on" '[ $rc -eq 0 ]'
check "a partial update is one warning" '[ "$(echo "$out" | grep -c "could not be fetched")" -eq 1 ]'

# The amd64 halves newer than the i386 ones: refused, then the pinned install works.
run 100 pinned
check "a skewed archive installs pinned" '[ $rc -eq 0 ]'
check "the pinned try is announced" 'echo "$out" | grep -q "trying again with every package from $suite"'
check "the pinned install names the release" 'echo "$log" | grep -q -- "install .*-t $suite .*wine32:i386"'

# An archive that refuses everything: a non-zero exit naming the packages and the command.
run 0 refuse
check "a refused install fails" '[ $rc -ne 0 ]'
check "the failure names the packages" 'echo "$out" | grep -q "could not install: .*wine32:i386"'
check "the failure names the command" 'echo "$out" | grep -q "apt-get install -t $suite .*mingw-w64"'
check "nothing is reported as done" '! echo "$out" | grep -q "install-deps: done"'

if [ $failures -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "install-deps: all checks passed"
