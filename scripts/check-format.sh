#!/usr/bin/env bash
# Checks that every C++ file follows the repository's .clang-format.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
if ! command -v clang-format >/dev/null; then
    echo "check-format: installing clang-format" >&2
    sudo=(); [[ "$(id -u)" -ne 0 ]] && sudo=(sudo)
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends clang-format >/dev/null 2>&1 ||
        { "${sudo[@]}" apt-get update >/dev/null 2>&1 &&
          DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends clang-format >/dev/null 2>&1; }
fi
git ls-files -co --exclude-standard -- '*.cpp' '*.h' | xargs -r clang-format --dry-run --Werror
