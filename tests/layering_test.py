#!/usr/bin/env python3
"""The rooms of the program and what each may use, checked on every #include.

Each room is a folder and a CMake library; a room may include its own headers
and those of the rooms it lists, never one above it or one beside it that it
does not list. The test also checks that each room's CMakeLists links exactly
the rooms listed here, so that the build and this table say the same.
Usage: layering_test.py SOURCE_DIR
"""
import pathlib
import re
import sys

# Lowest first: a room may use only rooms before it in this table, and only those it names.
ROOMS = {
    "ts": [],
    "output": ["ts"],
    "sources": ["ts", "output"],
    "psi": ["ts"],
    "codecs": ["ts"],
    "pass": ["ts", "output", "sources", "psi", "codecs"],
    "reports": ["ts", "output", "sources", "psi", "codecs", "pass"],
    "cli": ["ts", "output", "sources", "psi", "codecs", "pass", "reports"],
}

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
LINKS = re.compile(r"ostrel_room\(\s*(\w+)((?:\s+\w+)*)\s*\)")


def check(root):
    faults = []
    order = list(ROOMS)
    for room, uses in ROOMS.items():
        for used in uses:
            if order.index(used) >= order.index(room):
                faults.append(f"table: {room} uses {used}, which is not below it")
        folder = root / room
        if not folder.is_dir():
            faults.append(f"{room}/: no such room")
            continue
        cmake = (folder / "CMakeLists.txt").read_text() if (folder / "CMakeLists.txt").exists() else ""
        declared = LINKS.search(cmake)
        if not declared or declared.group(1) != room:
            faults.append(f"{room}/CMakeLists.txt: no ostrel_room({room} ...)")
        elif sorted(declared.group(2).split()) != sorted(uses):
            faults.append(f"{room}/CMakeLists.txt links {sorted(declared.group(2).split())}, the table says {sorted(uses)}")
        for path in sorted(folder.rglob("*")):
            if path.suffix not in (".cpp", ".hpp"):
                continue
            for target in INCLUDE.findall(path.read_text()):
                to = target.split("/")[0]
                where = path.relative_to(root)
                if to not in ROOMS:
                    faults.append(f"{where}: includes {target}, which is in no room")
                elif to != room and to not in uses:
                    faults.append(f"{where}: includes {target}: {room} may not use {to}")
                elif not (root / target).exists():
                    faults.append(f"{where}: includes {target}, which does not exist")
    for path in sorted(root.iterdir()):
        if path.is_dir() and path.name not in ROOMS and any(path.glob("*.cpp")) and path.name not in ("tests", "fuzz", "bench"):
            faults.append(f"{path.name}/: code outside the rooms")
    return faults


def main():
    faults = check(pathlib.Path(sys.argv[1]))
    for fault in faults:
        print(fault)
    print(f"{len(ROOMS)} rooms, {len(faults)} layering faults")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
