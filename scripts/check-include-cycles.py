#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Fails when the folders of src/ include each other in a cycle.

Each folder of src/ is one library that may use the folders below it only; a file including a header of
another folder is an edge from its folder to that one. Prints every edge and, on a cycle, the files that
make it.

    scripts/check-include-cycles.py [SRC]     (default: src/ beside this script's folder)
"""
import pathlib
import re
import sys

src = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent.parent / "src")
folders = sorted(path.name for path in src.iterdir() if path.is_dir())
include = re.compile(r'^\s*#\s*include\s+"(\w+)/', re.M)

edges = {}  # folder -> {included folder: a file that includes it}
for folder in folders:
    for source in sorted((src / folder).glob("*")):
        if source.suffix not in (".h", ".cpp"):
            continue
        for used in include.findall(source.read_text(encoding="utf-8")):
            if used != folder and used in folders:
                edges.setdefault(folder, {}).setdefault(used, source.relative_to(src))

for folder in folders:
    print(f"{folder}: {' '.join(sorted(edges.get(folder, {}))) or '-'}")


def cycle_from(start, path, seen):
    for used in sorted(edges.get(start, {})):
        if used in path:
            return path[path.index(used):] + [used]
        if used not in seen:
            seen.add(used)
            found = cycle_from(used, path + [used], seen)
            if found:
                return found
    return None


seen = set()
for folder in folders:
    cycle = cycle_from(folder, [folder], seen)
    if cycle:
        print("include cycle: " + " -> ".join(cycle))
        for a, b in zip(cycle, cycle[1:]):
            print(f"  {a} -> {b}: {edges[a][b]}")
        sys.exit(1)
print("no include cycle between the folders of src/")
