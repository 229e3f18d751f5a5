#!/usr/bin/env bash
# Makes the Debian packages of the toolkit from the build tree, checks them as a distribution
# would (lintian without errors, the AppStream files valid), checks what they declare, and
# measures with their programs as a new user would (unpacked into a temporary root: the
# installed toolkit finds everything relative to itself).
set -euo pipefail
build="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 || {
    tail -n 20 "$work/cpack.log" >&2
    exit 1
}
fail() { echo "deb_test: $*" >&2; exit 1; }
for package in libvodex2 libvodex-dev vodex vodex-gui python3-vodex; do
    deb="$(echo "$work"/out/${package}_*_*.deb)"
    [[ -f "$deb" ]] || fail "no ${package}_<version>_<arch>.deb"
    dpkg-deb -x "$deb" "$work/root"
done
dpkg-deb -f "$work"/out/vodex-gui_*.deb Depends | grep -q libqt6widgets6 ||
    fail "the window package does not declare the libraries it needs"
dpkg-deb -f "$work"/out/vodex_*.deb Depends | grep -q "libvodex2 (= " ||
    fail "the command line does not depend on its libraries' package"
[[ -z "$(dpkg-deb -c "$work"/out/vodex_*.deb | grep -v ' ./usr/\(\(bin\|share\)/.*\)\?$')" ]] ||
    fail "the command line's package holds files outside usr/bin and usr/share"
if ! lintian --no-tag-display-limit "$work"/out/*.deb >"$work/lintian.log" 2>&1 ||
    grep -q '^E: ' "$work/lintian.log"; then
    grep '^E: ' "$work/lintian.log" >&2 || tail -n 20 "$work/lintian.log" >&2
    fail "lintian finds errors in the packages"
fi
appstreamcli validate --no-net "$work"/root/usr/share/metainfo/*.metainfo.xml >"$work/appstream.log" 2>&1 ||
    { cat "$work/appstream.log" >&2; fail "the AppStream files are not valid"; }
export VODEX_HOME="$work/home"
drivers="$("$work/root/usr/bin/vodex" drivers --json)"
for class in Vodex_Randomizer Vodex_Balance; do
    grep -q "\"class\":\"$class\"" <<<"$drivers" || {
        echo "deb_test: $class is not installed on first use: $drivers" >&2
        exit 1
    }
done
"$work/root/usr/bin/vodex" measure VODEX_RANDOMIZER --cycles 1 --json | grep -q '"cycle":1'
# The Python module comes with it.
PYTHONPATH="$work/root/usr/lib/python3/dist-packages" /usr/bin/python3 -c \
    "import vodex; assert 'Vodex_Randomizer' in vodex.registry().CONTENTALL()"
# Every program has its man page, compressed as the system's own, and it renders.
for program in "$work"/root/usr/bin/*; do
    program="$(basename "$program")"
    MANWIDTH=80 man -l "$work/root/usr/share/man/man1/$program.1.gz" 2>/dev/null | grep -q "^SYNOPSIS" ||
        fail "the man page of $program does not render from the package"
done
# The drivers' descriptions are current, so describing a driver does not load it.
for driver in Vodex_Randomizer Vodex_Balance; do
    [[ ! "$work/root/usr/lib/vodex/drivers/$driver.devinfo" -ot "$work/root/usr/lib/vodex/drivers/$driver.so" ]] || {
        echo "deb_test: the package's $driver.devinfo is older than its driver" >&2
        exit 1
    }
done
# One shipped driver that cannot be installed keeps the others from nothing.
rm "$work/root/usr/lib/vodex/drivers/Vodex_Randomizer.so"
export VODEX_HOME="$work/home-without-randomizer"
"$work/root/usr/bin/vodex" drivers --all --json 2>/dev/null | grep -q '"class":"Vodex_Balance"' || {
    echo "deb_test: a missing random generator kept the balance driver from being installed" >&2
    exit 1
}
