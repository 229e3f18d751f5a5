#!/usr/bin/env bash
# Sets everything up and runs the main job: the channel demo.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
"$root/scripts/setup.sh"
exec "$root/build/bin/vodex_channels_demo" "$@"
