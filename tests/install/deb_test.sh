#!/usr/bin/env bash
# Makes the Debian package of the toolkit from the build tree, checks what it declares, and
# measures with its programs as a new user would (unpacked into a temporary root: the
# installed toolkit finds everything relative to itself).
set -euo pipefail
build="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 || {
    tail -n 20 "$work/cpack.log" >&2
    exit 1
}
deb="$(echo "$work"/out/vodex_*_*.deb)"
[[ -f "$deb" ]] || { echo "deb_test: no vodex_<version>_<arch>.deb" >&2; exit 1; }
dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 || {
    echo "deb_test: the package does not declare the libraries it needs" >&2
    exit 1
}
dpkg-deb -x "$deb" "$work/root"
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
# Its man pages are compressed, as the system's own, and still render.
for program in vodex vodex-sim vodex_msiexec; do
    MANWIDTH=80 man -l "$work/root/usr/share/man/man1/$program.1.gz" | grep -q "^SYNOPSIS" || {
        echo "deb_test: the man page of $program does not render from the package" >&2
        exit 1
    }
done
# The drivers' descriptions are current, so describing a driver does not load it.
for driver in Vodex_Randomizer Vodex_Balance; do
    [[ ! "$work/root/usr/lib/$driver.devinfo" -ot "$work/root/usr/lib/$driver.so" ]] || {
        echo "deb_test: the package's $driver.devinfo is older than its driver" >&2
        exit 1
    }
done
# One shipped driver that cannot be installed keeps the others from nothing.
rm "$work/root/usr/lib/Vodex_Randomizer.so"
export VODEX_HOME="$work/home-without-randomizer"
"$work/root/usr/bin/vodex" drivers --all --json 2>/dev/null | grep -q '"class":"Vodex_Balance"' || {
    echo "deb_test: a missing random generator kept the balance driver from being installed" >&2
    exit 1
}
