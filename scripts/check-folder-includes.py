#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Fails when a folder of src/ or a room of tools/feed/ includes a header of a folder its library does not link.

Each folder of src/ is one library, vantrel_<folder>, and each room of tools/feed/ one library,
vantrel_feed_<room>; their CMakeLists.txt name the libraries they link: those and the ones they link in turn
are the folders they may include. The tests of a folder of src/ (tests/<folder>) may include the same ones,
and the shared test support. A cycle among the libraries fails too, so no two folders can include each
other. Prints what each folder includes and every include that breaks the rule.

    scripts/check-folder-includes.py [ROOT]     (default: the folder above this script's)
"""
import pathlib
import re
import sys

root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent.parent)
trees = {"src": ("vantrel_", root / "src"), "tools/feed": ("vantrel_feed_", root / "tools" / "feed")}
folders = {(tree, path.name): path for tree, (_, base) in trees.items() for path in sorted(base.iterdir()) if path.is_dir()}
library = {f"{trees[tree][0]}{name}": (tree, name) for tree, name in folders}
include = re.compile(r'^\s*#\s*include\s+"(\w+)/', re.M)
link = re.compile(r"target_link_libraries\((vantrel_\w+)\s+([^)]*)\)")

linked = {folder: set() for folder in folders}  # folder -> the folders its library links directly
for folder, path in folders.items():
    own = f"{trees[folder[0]][0]}{folder[1]}"
    for name, libraries in link.findall((path / "CMakeLists.txt").read_text(encoding="utf-8")):
        if name == own:
            linked[folder] |= {library[lib] for lib in re.findall(r"\bvantrel_\w+", libraries) if lib in library}


def reachable(folder):
    found, todo = set(), list(linked[folder])
    while todo:
        used = todo.pop()
        if used not in found:
            found.add(used)
            todo.extend(linked[used])
    return found


def named(tree, name):
    """The folder an include "name/..." in `tree` means: a room of its own tree first, then one of src/."""
    return (tree, name) if (tree, name) in folders else ("src", name)


faults = []
for folder, path in folders.items():
    tree, name = folder
    allowed = reachable(folder)
    if folder in allowed:
        faults.append(f"{tree}/{name}: its library links itself round about")
    places = [(path, set())] + ([(root / "tests" / name, {"support"})] if tree == "src" else [])
    for place, extra in places:
        used = set()
        for source in sorted(place.glob("*")):
            if source.suffix not in (".h", ".cpp"):
                continue
            for other in include.findall(source.read_text(encoding="utf-8")):
                if other == name or other in extra:
                    continue
                target = named(tree, other)
                used.add("/".join(target))
                if target not in allowed:
                    faults.append(f"{source.relative_to(root)} includes {other}/, which "
                                  f"{trees[tree][0]}{name} does not link")
        if place == path:
            print(f"{tree}/{name}: includes {' '.join(sorted(used)) or '-'}; "
                  f"links {' '.join(sorted('/'.join(f) for f in allowed)) or '-'}")

print("\n".join(faults) or "every folder includes only what its library links")
sys.exit(1 if faults else 0)
