#!/usr/bin/env bash
# Sets everything up: installs the Debian packages the project needs (only those missing),
# configures and builds, and installs the toolkit's drivers into the toolkit's state ($VODEX_HOME,
# else the XDG folders; see the README). Quiet when everything is in place; messages go to
# stderr.
#
#   scripts/setup.sh              release build with line tables in build/
#   scripts/setup.sh --sanitize   AddressSanitizer + UBSan build in build-sanitize/
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$root/build"
# Optimised, with line tables: stacks and crash reports name the lines, and the tree builds in
# about two thirds of the time full debug information takes. For a debugger that shows local
# variables, configure a tree of your own with -DCMAKE_BUILD_TYPE=Debug.
cmake_args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo
            "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG"
            "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG")
if [[ "${1:-}" == "--sanitize" ]]; then
    build="$root/build-sanitize"
    # The benchmarks time the release build; the sanitizer build only runs the tests. It is
    # built at -O1 with line tables only: the sanitizers find the same faults and name the same
    # lines, and the tree builds in about two thirds of the time.
    cmake_args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DVODEX_SANITIZE=ON -DVODEX_BUILD_BENCH=OFF
                "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG"
                "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG")
fi

packages=(g++ make cmake ninja-build lld ccache pkg-config libsqlite3-dev libsodium-dev libxxhash-dev libarchive-dev zlib1g-dev
          libcurl4-openssl-dev libpng-dev libarchive-tools libre2-dev
          qt6-base-dev qt6-charts-dev libqt6opengl6-dev qt6-translations-l10n xvfb xdotool openbox x11-utils
          fonts-dejavu-core libgtest-dev libgmock-dev
          libbenchmark-dev python3-serial desktop-file-utils dpkg-dev
          python3-dev pybind11-dev python3-pytest python3-venv python3-mesonpy meson mypy
          help2man man-db lintian appstream
          libcli11-dev nlohmann-json3-dev ser2net
          clang libclang-rt-14-dev)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if ((${#missing[@]})); then
    echo "setup: installing ${missing[*]}" >&2
    sudo=()
    if [[ "$(id -u)" -ne 0 ]]; then
        command -v sudo >/dev/null || { echo "setup: run as root or install sudo" >&2; exit 1; }
        sudo=(sudo)
    fi
    export DEBIAN_FRONTEND=noninteractive
    log="$(mktemp)"
    install() { "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}" >>"$log" 2>&1; }
    # A fresh machine has no package lists yet; an old list may name packages that are gone.
    if ! compgen -G "/var/lib/apt/lists/*_Packages*" >/dev/null || ! install; then
        if ! { "${sudo[@]}" apt-get update >>"$log" 2>&1 && install; }; then
            tail -n 30 "$log" >&2
            echo "setup: installing the packages failed" >&2
            exit 1
        fi
    fi
    rm -f "$log"
fi

source "$root/scripts/compiler-cache.sh"
# The trees are built with Ninja; a tree that an older checkout configured for make is made
# anew, as CMake cannot change a tree's generator.
if [[ -f "$build/CMakeCache.txt" ]] && ! grep -q "^CMAKE_GENERATOR:INTERNAL=Ninja$" "$build/CMakeCache.txt"; then
    rm -rf "$build"
fi
mkdir -p "$build"
log="$build/setup.log"
if ! { cmake -S "$root" -B "$build" -G Ninja "${cmake_args[@]}" "${compiler_cache[@]}" >"$log" 2>&1 &&
       cmake --build "$build" -j "$(nproc)" >>"$log" 2>&1; }; then
    grep -E "error|Error" -A5 "$log" | head -n 60 >&2 || tail -n 60 "$log" >&2
    echo "setup: the build failed; see $log" >&2
    exit 1
fi

# The toolkit's drivers (the built-in random generator, the balance, multimeter and photometer
# drivers), installed as a driver package would install them: each component registered, its
# "Devices" value written, its description file beside it. The sanitizer build only runs tests, which install
# what they need themselves.
if [[ "${1:-}" != "--sanitize" ]]; then
    for driver in Vodex_Randomizer Vodex_Balance Vodex_Scpi Vodex_HandheldDmm Vodex_Photometer; do
        if ! "$build/bin/vodex" install --quiet "$build/lib/$driver.so" >>"$log" 2>&1; then
            tail -n 5 "$log" >&2
            echo "setup: the driver $driver could not be installed; see $log" >&2
            exit 1
        fi
    done
fi
