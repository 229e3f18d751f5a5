#!/usr/bin/env bash
# Runs every fuzz target (tests/fuzz) on its seed corpus for SECONDS each (default 60), two at a
# time, and fails when one finds a crash, a leak, an input that takes more than 10 s, or more
# than 512 MiB of memory. The targets are built first, with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer), in a tree of their own: build-fuzz/.
#
#   scripts/fuzz.sh [SECONDS]
#
# What a target finds is kept in build-fuzz/findings/<target>/ (crash-*, leak-*, timeout-*,
# oom-*); once mended, it goes into tests/fuzz/corpus/<target>/, so every later run checks it.
# Inputs that reach new code are kept in build-fuzz/corpus/<target>/ for the next run.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
seconds="${1:-60}"
[[ "$seconds" =~ ^[0-9]+$ && "$seconds" -gt 0 ]] || { echo "usage: scripts/fuzz.sh [SECONDS]" >&2; exit 2; }
build="$root/build-fuzz"
seeds="$root/tests/fuzz/corpus"

for tool in clang clang++ cmake; do
    command -v "$tool" >/dev/null || { echo "fuzz: $tool is missing; run scripts/setup.sh" >&2; exit 1; }
done
source "$root/scripts/compiler-cache.sh"
if [[ -f "$build/CMakeCache.txt" ]] && ! grep -q "^CMAKE_GENERATOR:INTERNAL=Ninja$" "$build/CMakeCache.txt"; then
    rm -rf "$build/CMakeCache.txt" "$build/CMakeFiles"  # configured for make by an older checkout
fi
mkdir -p "$build"
log="$build/build.log"
# Optimised a little and with line tables only: about a third quicker to build than with full
# debug information, and enough for the stacks of what a target finds.
if ! { CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DVODEX_FUZZ=ON -DVODEX_BUILD_TESTS=OFF \
           -DVODEX_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=Fuzz \
           -DCMAKE_C_FLAGS_FUZZ="-O1 -gline-tables-only" \
           -DCMAKE_CXX_FLAGS_FUZZ="-O1 -gline-tables-only" "${compiler_cache[@]}" >"$log" 2>&1 &&
       cmake --build "$build" -j "$(nproc)" >>"$log" 2>&1; }; then
    grep -E "error" -A5 "$log" | head -n 40 >&2 || tail -n 40 "$log" >&2
    echo "fuzz: the fuzz targets do not build; see $log" >&2
    exit 1
fi

# One target: its own temporary folder (its state lives there), its findings kept.
run() {
    local target="$1" temp status
    temp="$(mktemp -d)"
    mkdir -p "$build/corpus/$target" "$build/findings/$target"
    status=0
    TMPDIR="$temp" ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
        "$build/bin/${target}_fuzz" -max_total_time="$seconds" -rss_limit_mb=512 -timeout=10 \
        -artifact_prefix="$build/findings/$target/" -print_final_stats=1 \
        "$build/corpus/$target" "$seeds/$target" >"$build/findings/$target.log" 2>&1 || status=$?
    rm -rf "$temp"
    if [[ $status -ne 0 ]]; then
        echo "fuzz: $target failed (exit $status); see $build/findings/$target.log" >&2
        grep -E "^==[0-9]+==|SUMMARY|Test unit written" "$build/findings/$target.log" | head -n 8 >&2 || true
        return 1
    fi
    echo "fuzz: $target: $(grep -E "^Done" "$build/findings/$target.log" | head -n 1)"
}

targets=()
for dir in "$seeds"/*/; do
    targets+=("$(basename "$dir")")
done
failed=0
running=0
for target in "${targets[@]}"; do
    if ((running == 2)); then
        wait -n || failed=1
        running=$((running - 1))
    fi
    run "$target" &
    running=$((running + 1))
done
while ((running > 0)); do
    wait -n || failed=1
    running=$((running - 1))
done
exit "$failed"
