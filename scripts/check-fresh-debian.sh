#!/usr/bin/env bash
# Installs the toolkit's Debian packages on a fresh Debian 12 root and uses them as a new user
# would: apt installs them with their dependencies, a new user lists the drivers, measures a
# cycle with the built-in driver and imports the Python module, and purging the packages leaves
# none of their files behind. It needs root, debootstrap and the network and takes a few minutes, so
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

echo "check-fresh-debian: making the packages" >&2
cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
    { tail -n 20 "$work/cpack.log" >&2; fail "cpack failed"; }
packages=(libvodex2 libvodex-dev vodex vodex-gui python3-vodex)
for package in "${packages[@]}"; do
    [[ -f "$(echo "$work"/out/${package}_*_*.deb)" ]] || fail "cpack made no ${package}_<version>_<arch>.deb"
done

echo "check-fresh-debian: making a Debian 12 root" >&2
debootstrap --variant=minbase bookworm "$fresh" "$mirror" >"$work/debootstrap.log" 2>&1 ||
    { tail -n 20 "$work/debootstrap.log" >&2; fail "debootstrap failed"; }
mount -t proc proc "$fresh/proc"
cp "$work"/out/*.deb "$fresh/tmp/"
in_root() { chroot "$fresh" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin "$@"; }

echo "check-fresh-debian: installing ${packages[*]} with apt" >&2
in_root sh -c 'apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq /tmp/*.deb' \
    >"$work/apt.log" 2>&1 || { tail -n 20 "$work/apt.log" >&2; fail "apt could not install the packages"; }

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

echo "check-fresh-debian: purging the packages" >&2
in_root dpkg -L "${packages[@]}" >"$work/files"
in_root apt-get remove --purge -y -qq "${packages[@]}" >>"$work/apt.log" 2>&1 || fail "apt could not remove them"
left=()
while read -r path; do
    [[ -f "$fresh$path" || -L "$fresh$path" ]] && left+=("$path")
done <"$work/files"
((${#left[@]} == 0)) || fail "files left behind: ${left[*]}"
echo "check-fresh-debian: the packages install, measure for a new user and purge cleanly" >&2
