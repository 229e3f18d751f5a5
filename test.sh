#!/usr/bin/env bash
# Sets everything up and runs every test. With --sanitize, the tests run on the
# AddressSanitizer + UBSan build.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
build="$root/build"
[[ "${1:-}" == "--sanitize" ]] && build="$root/build-sanitize"
"$root/scripts/setup.sh" "$@"
exec ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
