#!/usr/bin/env python3
"""Checks that no include in src/ runs up the floors of the house.

Each folder of src/ is one library on a floor; a file may include its own
folder and the folders of lower floors, never a folder of its own floor or
one above. The table is the one docs/ARCHITECTURE.md draws.
Exit status 0 when every include keeps to it, 1 with the offending lines.
"""
import pathlib
import re
import sys

FLOORS = {
    "platform": 0,
    "settings": 1,
    "widgets": 2,
    "backup": 3, "cloud": 3, "tasks": 3,
    "ftpbackup": 4, "panels": 4,
    "window": 5, "tools/toolsupport": 5,
    "datacenter1": 6, "datacenter2": 6, "setup": 6,
    "tools/backuptool": 6, "tools/generatetool": 6, "tools/sendtool": 6,
}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def folder_of(path: str):
    """The library folder a path (relative to src/) belongs to."""
    for name in sorted(FLOORS, key=len, reverse=True):
        if path == name or path.startswith(name + "/"):
            return name
    return None


def main() -> int:
    src = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent.parent / "src")
    faults = []
    for file in sorted(src.rglob("*")):
        if file.suffix not in (".h", ".cpp"):
            continue
        own = folder_of(file.relative_to(src).as_posix())
        if own is None:
            faults.append(f"{file}: its folder has no floor")
            continue
        for number, line in enumerate(file.read_text(encoding="utf-8").splitlines(), 1):
            m = INCLUDE.match(line)
            if not m:
                continue
            target = folder_of(m.group(1))
            if target is None or target == own:
                continue
            if FLOORS[target] >= FLOORS[own]:
                faults.append(f"{file}:{number}: {own} (floor {FLOORS[own]}) includes {m.group(1)} (floor {FLOORS[target]})")
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
