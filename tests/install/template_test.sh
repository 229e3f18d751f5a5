#!/usr/bin/env bash
# A driver made from the template: built out of tree against the installed toolkit, packaged,
# installed, and measuring the virtual balance of vodex-sim.
set -euo pipefail
build="$1"
source="$2"
work="$(mktemp -d)"
sim=""
trap '[[ -n "$sim" ]] && kill -INT "$sim" 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
cmake --install "$build" --prefix "$work/prefix" >"$work/install.log"
cp -r "$source/templates/driver" "$work/mymeter"
cmake -S "$work/mymeter" -B "$work/mymeter/build" -DCMAKE_PREFIX_PATH="$work/prefix" \
    >"$work/driver.log" 2>&1 || { tail -n 20 "$work/driver.log" >&2; exit 1; }
cmake --build "$work/mymeter/build" --target package >>"$work/driver.log" 2>&1 ||
    { tail -n 20 "$work/driver.log" >&2; exit 1; }
export VODEX_HOME="$work/home"
"$work/prefix/bin/vodex" install --quiet "$work/mymeter/build/packages/vodex_mymeter.msi"
"$work/prefix/bin/vodex-sim" balance --link "$work/waage" --weight 120.5 >"$work/sim.out" &
sim=$!
for _ in $(seq 50); do [[ -s "$work/sim.out" ]] && break; sleep 0.1; done
"$work/prefix/bin/vodex" ports set 5 "$work/waage"
out="$("$work/prefix/bin/vodex" measure Vodex_MyMeter --port 5 --cycles 2 --json)"
[[ "$(grep -c '"value":120.5,"status":0,"measured":true' <<<"$out")" == 2 ]] || {
    echo "template_test: the template's driver did not measure the balance: $out" >&2
    exit 1
}
