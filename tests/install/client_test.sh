#!/usr/bin/env bash
# Installs the toolkit from the build tree into a temporary prefix, builds the client example
# against it with find_package(Vodex) and with pkg-config, and measures the random generator
# with both (a fresh state folder, the built-in driver installed from the prefix); then builds
# the Python package against it with pip and measures from Python.
set -euo pipefail
build="$1"
source="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cmake --install "$build" --prefix "$work/prefix" >"$work/install.log"
# Nothing in the prefix may lead back into the build tree.
if grep -rl --exclude='*.so*' --exclude-dir=include "$build" "$work/prefix/lib/cmake" \
        "$work/prefix/lib/pkgconfig"; then
    echo "client_test: the installed files name the build tree" >&2
    exit 1
fi
export VODEX_HOME="$work/home"
# A new user measures at once: the built-in driver installs itself on first use.
"$work/prefix/bin/vodex" measure VODEX_RANDOMIZER --cycles 1 --json | grep -q '"cycle":1'

cmake -S "$source/examples/client" -B "$work/client" -DCMAKE_PREFIX_PATH="$work/prefix" \
    >"$work/client.log"
cmake --build "$work/client" >>"$work/client.log"
"$work/client/vodex_client" | tee "$work/cmake.out"

export PKG_CONFIG_PATH="$work/prefix/lib/pkgconfig"
# shellcheck disable=SC2046
g++ -std=c++20 "$source/examples/client/main.cpp" $(pkg-config --cflags --libs vodex) \
    -o "$work/vodex_client_pc"
"$work/vodex_client_pc" | tee "$work/pc.out"

for out in "$work/cmake.out" "$work/pc.out"; do
    [[ "$(grep -c '^[123] pH a 0 - 14=' "$out")" == 3 ]] || {
        echo "client_test: no three cycles in $out" >&2
        exit 1
    }
done

# A Python client: the package builds against the installed toolkit with pip, in a virtual
# environment. Without the network the build system comes from the system (meson-python,
# pybind11), so the build is not isolated and no index is asked.
# Debian's interpreter, whose packages the build system comes from.
python="$(command -v /usr/bin/python3 || command -v python3)"
"$python" -m venv --system-site-packages "$work/venv"
cp -r "$source/python" "$work/python-source"
"$work/venv/bin/pip" install --no-build-isolation --no-index "$work/python-source" \
    >"$work/pip.log" 2>&1 || {
    tail -n 30 "$work/pip.log" >&2
    echo "client_test: pip cannot build the Python package against the installed toolkit" >&2
    exit 1
}
site="$("$work/venv/bin/python" -c 'import sysconfig; print(sysconfig.get_paths()["platlib"])')"
for file in __init__.py __init__.pyi py.typed; do
    [[ -f "$site/vodex/$file" ]] || { echo "client_test: the package lacks $file" >&2; exit 1; }
done
(cd "$work" && "$work/venv/bin/python" -c '
import vodex
device = vodex.registry().CREATE("VODEX_RANDOMIZER")
assert device.CONNECT(1)
device.CHANNEL(1).MEASURE = True
device.EXECUTE()
assert device.CHANNEL(1).MEASURED, device.STATUSTEXT
print("python client:", device.CHANNEL(1).VALUE)
')
# The package's types, as a program's type check finds them installed.
mypy --strict --no-error-summary --cache-dir "$work/mypy" \
    --python-executable "$work/venv/bin/python" "$source/examples/python/measure.py"
