#!/usr/bin/env bash
# Sets everything up and runs the main job: a measurement with the built-in driver.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
"$root/scripts/setup.sh"
exec "$root/build/bin/vodex_measure_demo" "$@"
