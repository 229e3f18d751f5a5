"""The Vodex toolkit for measuring instruments: registry, devices and channels.

The objects come from the compiled part of the package, ``vodex._vodex``; they are named here
as ``vodex.X``, as programs use them.
"""
from vodex._vodex import Channel, Device, Error, Manager, Registry, Session, manager, registry

__all__ = ["Channel", "Device", "Error", "Manager", "Registry", "Session", "manager", "registry"]

for _name in ("Channel", "Device", "Error", "Manager", "Registry", "Session"):
    globals()[_name].__module__ = __name__
del _name
