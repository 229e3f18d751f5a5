#!/usr/bin/env bash
# Installs the toolkit's Debian package on a fresh Debian 12 root and uses it as a new user
# would: apt installs it with its dependencies, a new user lists the drivers, measures a cycle
# with the built-in driver and imports the Python module, and purging the package leaves none
# of its files behind. It needs root, debootstrap and the network and takes a few minutes, so
# it is run by hand before a release rather than by ./test.sh.
#
#   scripts/check-fresh-debian.sh [BUILD]     BUILD: a build tree (build/ when not given)
set -euo pipefail

root_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(cd "${1:-$root_dir/build}" && pwd)"
mirror="${VODEX_DEBIAN_MIRROR:-http://deb.debian.org/debian}"
fail() { echo "check-fresh-debian: $*" >&2; exit 1; }
[[ "$(id -u)" -eq 0 ]] || fail "run it as root (it makes a chroot)"
command -v debootstrap >/dev/null || fail "install debootstrap first"

work="$(mktemp -d /var/tmp/vodex-fresh.XXXXXX)"
fresh="$work/root"
cleanup() {
    mountpoint -q "$fresh/proc" && umount "$fresh/proc"
    rm -rf "$work"
}
trap cleanup EXIT

echo "check-fresh-debian: making the package" >&2
cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
    { tail -n 20 "$work/cpack.log" >&2; fail "cpack failed"; }
deb="$(echo "$work"/out/vodex_*_*.deb)"
[[ -f "$deb" ]] || fail "cpack made no vodex_<version>_<arch>.deb"

echo "check-fresh-debian: making a Debian 12 root" >&2
debootstrap --variant=minbase bookworm "$fresh" "$mirror" >"$work/debootstrap.log" 2>&1 ||
    { tail -n 20 "$work/debootstrap.log" >&2; fail "debootstrap failed"; }
mount -t proc proc "$fresh/proc"
cp "$deb" "$fresh/tmp/"
in_root() { chroot "$fresh" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin "$@"; }

echo "check-fresh-debian: installing $(basename "$deb") with apt" >&2
in_root sh -c 'apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq /tmp/vodex_*.deb' \
    >"$work/apt.log" 2>&1 || { tail -n 20 "$work/apt.log" >&2; fail "apt could not install the package"; }

in_root useradd -m lehrer
as_user() { in_root su - lehrer -c "$1"; }
drivers="$(as_user 'vodex drivers')" || fail "vodex drivers failed: $drivers"
for class in Vodex_Randomizer Vodex_Balance; do
    grep -q "^$class " <<<"$drivers" || fail "$class is not listed for a new user: $drivers"
done
as_user 'vodex measure VODEX_RANDOMIZER --cycles 1 --json' | grep -q '"cycle":1' ||
    fail "no cycle measured with the built-in driver"
as_user 'python3 -c "import vodex"' || fail "the Python module does not import"
[[ "$(as_user 'vodex --version')" =~ ^vodex\ [0-9] ]] || fail "vodex --version says no version"

echo "check-fresh-debian: purging the package" >&2
in_root dpkg -L vodex >"$work/files"
in_root apt-get remove --purge -y -qq vodex >>"$work/apt.log" 2>&1 || fail "apt could not remove it"
left=()
while read -r path; do
    [[ -f "$fresh$path" || -L "$fresh$path" ]] && left+=("$path")
done <"$work/files"
((${#left[@]} == 0)) || fail "files left behind: ${left[*]}"
echo "check-fresh-debian: the package installs, measures for a new user and purges cleanly" >&2
