#!/usr/bin/env python3
"""Measures the random generator, and the balance of `vodex-sim` in a measuring session when a
port is given:

    vodex-sim balance --link /tmp/waage --weight 120.5 &
    vodex ports set 5 /tmp/waage
    python3 measure.py 5
"""
import sys
import time

import vodex

registry = vodex.registry()
print("Installed:", ", ".join(registry.CONTENTALL()))

randomizer = registry.CREATE("VODEX_RANDOMIZER")
randomizer.CONNECT(1)
for channel in randomizer.CHANNELS:
    channel.MEASURE = True
for cycle in range(3):
    randomizer.EXECUTE()
    print(cycle + 1, "  ".join(f"{c.NAME}: {c.VALUE:.3f}" if c.MEASURED else
                               f"{c.NAME}: {c.STATUSTEXTSHORT}" for c in randomizer.CHANNELS))
randomizer.DISCONNECT()

if len(sys.argv) > 1:
    # A measuring session does what `vodex measure` does: connect, measure, give back.
    try:
        with vodex.Session("VODEX_BALANCE", int(sys.argv[1])) as session:
            if session.replaced:
                print("measure.py:", session.replaced, file=sys.stderr)
            names = {id: f"{name} ({unit})" for id, name, unit in session.channels}
            for cycle in range(3):
                if cycle:
                    time.sleep(0.5)
                seconds, values = session.measure()
                print(f"{seconds:6.2f} s", "  ".join(
                    f"{names[id]}: {value}" if value is not None else f"{names[id]}: -"
                    for id, value in values.items()))
    except vodex.Error as error:
        sys.exit(f"measure.py: {error}")
