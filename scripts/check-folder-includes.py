#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Fails when a folder of src/ includes a header of a folder its library does not link.

Each folder of src/ is one library, vantrel_<folder>, and its CMakeLists.txt names the libraries it links:
those and the ones they link in turn are the folders it may include. The tests of a folder (tests/<folder>)
may include the same ones, and the shared test support. A cycle among the libraries fails too, so no two
folders can include each other. Prints what each folder includes and every include that breaks the rule.

    scripts/check-folder-includes.py [ROOT]     (default: the folder above this script's)
"""
import pathlib
import re
import sys

root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent.parent)
folders = sorted(path.name for path in (root / "src").iterdir() if path.is_dir())
include = re.compile(r'^\s*#\s*include\s+"(\w+)/', re.M)
link = re.compile(r"target_link_libraries\(vantrel_(\w+)\s+([^)]*)\)")

linked = {folder: set() for folder in folders}  # folder -> the folders its library links directly
for folder in folders:
    for name, libraries in link.findall((root / "src" / folder / "CMakeLists.txt").read_text(encoding="utf-8")):
        if name == folder:
            linked[folder] |= {lib for lib in re.findall(r"\bvantrel_(\w+)", libraries) if lib in folders}


def reachable(folder):
    found, todo = set(), list(linked[folder])
    while todo:
        used = todo.pop()
        if used not in found:
            found.add(used)
            todo.extend(linked[used])
    return found


faults = []
for folder in folders:
    allowed = reachable(folder)
    if folder in allowed:
        faults.append(f"src/{folder}: its library links itself round about")
    for tree, extra in (("src", set()), ("tests", {"support"})):
        used = set()
        for source in sorted((root / tree / folder).glob("*")):
            if source.suffix not in (".h", ".cpp"):
                continue
            for other in include.findall(source.read_text(encoding="utf-8")):
                if other in (folder, *extra):
                    continue
                used.add(other)
                if other not in allowed:
                    faults.append(f"{source.relative_to(root)} includes {other}/, which vantrel_{folder} "
                                  f"does not link")
        if tree == "src":
            print(f"{folder}: includes {' '.join(sorted(used)) or '-'}; links {' '.join(sorted(allowed)) or '-'}")

print("\n".join(faults) or "every folder includes only what its library links")
sys.exit(1 if faults else 0)
