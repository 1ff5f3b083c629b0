#!/usr/bin/env python3
"""Checks that every include in src/ points down the layers:
base (and xdg beside it) -> formats -> medialist -> protocols -> record ->
capture/tools/schedule -> qtprofile -> cli and the desktop front end. A folder may include itself and
any folder below it, never one above or beside it. Prints each offending
include and exits 1 when there is one."""

import pathlib
import re
import sys

# Rank of each folder of src/; a folder includes only lower ranks (and itself).
RANKS = {
    "base": 0,
    "xdg": 0,  # freedesktop registration, standard library only, for the front end
    "formats": 1,
    "medialist": 2,
    "protocols": 3,
    "record": 4,
    "capture": 5,
    "tools": 5,
    "schedule": 5,  # recordings at their time, as systemd user timers
    "qtprofile": 6,
    "cli": 7,
    # The desktop program: one front end in three folders.
    "app": 8,
    "ui": 8,
    "player": 8,
}
# Folders of equal rank that may use each other (one front end).
SAME_RANK_GROUPS = [{"app", "ui", "player"}]

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"/]+)/')


def allowed(source, target):
    if source == target:
        return True
    if RANKS[target] < RANKS[source]:
        return True
    return any(source in g and target in g for g in SAME_RANK_GROUPS)


def main():
    src = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else "src")
    problems = []
    for path in sorted(src.rglob("*")):
        if path.suffix not in (".h", ".cpp") or not path.is_file():
            continue
        folder = path.relative_to(src).parts[0]
        if folder not in RANKS:
            problems.append(f"{path}: the folder '{folder}' has no place in the layers")
            continue
        for number, line in enumerate(path.read_text(errors="replace").splitlines(), 1):
            m = INCLUDE.match(line)
            if not m or m.group(1) not in RANKS:
                continue
            if not allowed(folder, m.group(1)):
                problems.append(f"{path}:{number}: {folder}/ includes {m.group(1)}/")
    for p in problems:
        print(p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
