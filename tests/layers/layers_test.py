#!/usr/bin/env python3
"""Fails when a file of the interface library includes a header of a folder above its own.

The library's folders, lowest first: text, records, core, port, tools. A file may include
headers of its own folder and of the folders below it, never of one above.
"""
import pathlib
import re
import sys

ORDER = ["text", "records", "core", "port", "tools"]
INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]vodex/([a-z_]+)/', re.MULTILINE)


def folder_of(path, interface):
    parts = path.relative_to(interface).parts
    if parts[0] == "include":  # include/vodex/<folder>/...
        parts = parts[2:]
    return parts[0] if parts and parts[0] in ORDER else None


def main(root):
    interface = pathlib.Path(root) / "interface"
    back_steps = []
    for path in sorted(interface.rglob("*")):
        if path.suffix not in (".h", ".cpp"):
            continue
        own = folder_of(path, interface)
        if own is None:
            continue
        for included in INCLUDE.findall(path.read_text(encoding="utf-8")):
            if included in ORDER and ORDER.index(included) > ORDER.index(own):
                back_steps.append(f"{path.relative_to(root)} ({own}) includes vodex/{included}/")
    if back_steps:
        print("Includes that look up a layer:\n  " + "\n  ".join(back_steps))
        return 1
    print(f"{ORDER}: no file includes a folder above its own")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
