#!/usr/bin/env python3
"""Measuring from Python against the same loop in C++, in one process.

1,000 cycles of the random generator: EXECUTE, then every channel's MEASURED and VALUE read,
in Python through the module, and in C++ through the benchmark's own module vodex_baseline
(the same calls without the interpreter, on a device of its own). Seven rounds of each,
alternating; the target is a ratio of at most 1.3. Run: PYTHONPATH=build/python VODEX_HOME=... python3 bench/python_bench.py (the random
generator installed in that state).
"""
import time

import vodex
import vodex_baseline

CYCLES = 1000


def python_loop(device):
    channels = device.CHANNELS
    start = time.perf_counter()
    total = 0.0
    for _ in range(CYCLES):
        device.EXECUTE()
        for channel in channels:
            if channel.MEASURED:
                total += channel.VALUE
    return time.perf_counter() - start


def main():
    device = vodex.registry().CREATE("VODEX_RANDOMIZER")
    device.CONNECT(1)
    for channel in device.CHANNELS:
        channel.MEASURE = True
    python_loop(device)  # warm up both
    vodex_baseline.measure_in_cxx("VODEX_RANDOMIZER", CYCLES)
    rounds = []
    for _ in range(7):
        cxx = vodex_baseline.measure_in_cxx("VODEX_RANDOMIZER", CYCLES)
        py = python_loop(device)
        rounds.append((py, cxx))
    print(f"{'round':>5} {'Python ms':>10} {'C++ ms':>8} {'ratio':>6}")
    for i, (py, cxx) in enumerate(rounds, 1):
        print(f"{i:>5} {py * 1e3:>10.2f} {cxx * 1e3:>8.2f} {py / cxx:>6.2f}")
    ratios = sorted(py / cxx for py, cxx in rounds)
    print(f"ratio lowest {ratios[0]:.2f}, median {ratios[len(ratios) // 2]:.2f}, "
          f"highest {ratios[-1]:.2f} (target at most 1.3)")
    device.DISCONNECT()


if __name__ == "__main__":
    main()
