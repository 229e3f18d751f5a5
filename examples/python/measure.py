#!/usr/bin/env python3
"""Measures the random generator, and the balance of `vodex-sim` when a port is given:

    vodex-sim balance --link /tmp/waage --weight 120.5 &
    vodex ports set 5 /tmp/waage
    python3 measure.py 5
"""
import sys

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
    port = int(sys.argv[1])
    manager = vodex.manager()
    try:
        balance = manager.CREATE("VODEX_BALANCE", port)
    except vodex.Error as error:
        sys.exit(f"measure.py: {error}")
    mass = balance.CHANNEL(1)
    mass.MEASURE = True
    balance.EXECUTE()
    print(balance.NAME, ":", f"{mass.VALUE} {mass.SIZE}" if mass.MEASURED else balance.STATUSTEXT)
    manager.DEINIT("VODEX_BALANCE", port)
