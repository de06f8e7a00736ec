#!/usr/bin/env python3
"""Checks the include graph of src/: a file includes headers of its own
folder by their bare names and headers of a lower subsystem as FOLDER/NAME,
never a header of its own floor's other folders or of a higher one, and no
unit (a .h and its .cpp) reaches itself again through the includes.

    src_layers_test.py SRC_FOLDER
"""
import os
import re
import sys

# The subsystems from the bottom up; folders on one floor are peers that
# never include each other.
FLOORS = [
    ["platform"],
    ["mib"],
    ["dispatch"],
    ["channel", "agentx", "traps"],
    ["agent"],
]
FLOOR_OF = {folder: level for level, folders in enumerate(FLOORS) for folder in folders}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def units_and_arrows(src):
    """Every unit of src/ (FOLDER/STEM) and the arrows its includes draw."""
    arrows = {}
    problems = []
    for folder in sorted(os.listdir(src)):
        if not os.path.isdir(os.path.join(src, folder)):
            continue
        if folder not in FLOOR_OF:
            problems.append(f"src/{folder}/ is on no floor of the layering")
            continue
        for name in sorted(os.listdir(os.path.join(src, folder))):
            if not re.search(r"\.(h|cpp)$", name):
                continue
            unit = f"{folder}/{os.path.splitext(name)[0]}"
            arrows.setdefault(unit, set())
            with open(os.path.join(src, folder, name), encoding="utf-8") as source:
                text = source.read()
            for header in INCLUDE.findall(text):
                target = header if "/" in header else f"{folder}/{header}"
                if not os.path.isfile(os.path.join(src, target)):
                    continue  # the interface header, the configured version header
                to_folder = target.split("/")[0]
                to_unit = os.path.splitext(target)[0]
                where = f"src/{folder}/{name} includes {header}"
                if to_folder not in FLOOR_OF:
                    continue
                if "/" in header and to_folder == folder:
                    problems.append(f"{where}: a header of its own folder goes by its bare name")
                elif FLOOR_OF[to_folder] > FLOOR_OF[folder]:
                    problems.append(f"{where}: an arrow up, from {folder} to {to_folder}")
                elif to_folder != folder and FLOOR_OF[to_folder] == FLOOR_OF[folder]:
                    problems.append(f"{where}: {folder} and {to_folder} are peers")
                if to_unit != unit:
                    arrows[unit].add(to_unit)
    return arrows, problems


def circles(arrows):
    """The units that reach themselves again, one circle each."""
    found = []
    state = {}

    def visit(unit, path):
        state[unit] = "open"
        path.append(unit)
        for to_unit in sorted(arrows.get(unit, ())):
            if state.get(to_unit) == "open":
                found.append(path[path.index(to_unit):] + [to_unit])
            elif to_unit not in state:
                visit(to_unit, path)
        path.pop()
        state[unit] = "done"

    for unit in sorted(arrows):
        if unit not in state:
            visit(unit, [])
    return found


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    arrows, problems = units_and_arrows(sys.argv[1])
    problems += ["an include circle: " + " -> ".join(circle) for circle in circles(arrows)]
    for problem in problems:
        print(problem)
    count = sum(len(to) for to in arrows.values())
    print(f"{len(arrows)} units, {count} arrows, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
