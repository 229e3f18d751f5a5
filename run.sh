#!/usr/bin/env bash
# Sets everything up and runs `vodex ARGS...` with the toolkit's state (the built-in driver
# installed). Without ARGS: a measurement with the built-in random-generator driver.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
"$root/scripts/setup.sh"
if [[ $# -eq 0 ]]; then
    set -- measure VODEX_RANDOMIZER --cycles 5
fi
exec "$root/build/bin/vodex" "$@"
