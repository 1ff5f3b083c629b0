#!/usr/bin/env python3
"""Holds every include in src/ to the layers of LAYERS: a folder includes
itself and the folders its row names, nothing else. The core and xdg/ stay
free of Qt, and no headers include each other in a circle.

    python3 tests/layering_check.py SRC_DIR

Prints one line per offending include (path:line: what is wrong) and exits 1
when there is one; silent, exit 0, otherwise."""

import os
import pathlib
import re
import sys

PROTOCOLS = ["protocols", "protocols/net", "protocols/mms", "protocols/mmsh",
             "protocols/http", "protocols/rtsp"]
CORE = ["base", "formats", "medialist", *PROTOCOLS, "record", "capture", "tools", "schedule"]
# What the protocol clients build on: never on each other.
CLIENT_BASE = ["protocols/net", "protocols", "formats", "base"]

# Folder -> the folders it may include (besides itself). A folder with rows
# for its subfolders (protocols/) is split: its own files form the row of
# its name, and a subfolder without a row has no place. Any other folder's
# subfolders belong to it (capture/helper is capture).
LAYERS = {
    "base": [],
    "xdg": ["base"],  # freedesktop registration, standard library only
    "formats": ["base"],
    "medialist": ["formats", "base"],
    "protocols": ["formats", "base"],  # the client interface, the ASF writer options
    "protocols/net": ["protocols", "formats", "base"],
    "protocols/mms": CLIENT_BASE,
    "protocols/mmsh": CLIENT_BASE,
    "protocols/http": CLIENT_BASE,
    "protocols/rtsp": CLIENT_BASE,
    "record": [*PROTOCOLS, "medialist", "formats", "base"],
    "capture": ["medialist", "formats", "base"],
    "tools": ["formats", "base"],
    "schedule": ["protocols/net", "formats", "base"],  # the address parser
    "qtprofile": ["base"],
    "cli": [*CORE, "qtprofile"],
    # The desktop program: the player is a leaf below the window.
    "player": [*CORE, "qtprofile"],
    "ui": [*CORE, "qtprofile", "xdg", "player"],
    "app": [*CORE, "qtprofile", "xdg", "player", "ui"],
}
# Folders that include no Qt header.
QT_FREE = {*CORE, "xdg"}

SCANNED = {".h", ".hpp", ".cpp", ".cc", ".inc", ".ipp"}
QUOTED = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
QT = re.compile(r"^\s*#\s*include\s+<(Q[A-Za-z][^>]*)>")
SPLIT = {key.rsplit("/", 1)[0] for key in LAYERS if "/" in key}


def folder_of(rel_dir):
    """The row of LAYERS a folder of src/ (a relative path) belongs to, or None."""
    parts = [] if rel_dir in ("", ".") else rel_dir.split("/")
    for n in range(len(parts), 0, -1):
        key = "/".join(parts[:n])
        if key in LAYERS:
            return None if n < len(parts) and key in SPLIT else key
    return None


def resolve(src, path, target):
    """The path, relative to src, of the file an include names, or None when
    it lies outside src. Like the compiler: a name that is not relative to
    the including file's folder is looked up there first, then in src."""
    here = os.path.dirname(os.path.relpath(path, src))
    if target.startswith(("./", "../")) or "/" not in target:
        rel = os.path.join(here, target)
    elif (path.parent / target).is_file():
        rel = os.path.join(here, target)
    else:
        rel = target
    rel = os.path.normpath(rel)
    return None if rel == ".." or rel.startswith("../") or os.path.isabs(rel) else rel


def way_back(edges, part, start):
    """The shortest circle from start through the files of part, as
    (start, line of its first include, circle), or None."""
    back, queue = {start: None}, [start]
    for node in queue:
        for nxt, line in edges.get(node, []):
            if nxt == start:
                way = [node]
                while back[way[-1]] is not None:
                    way.append(back[way[-1]][0])
                way.reverse()
                return start, (back[way[1]][1] if len(way) > 1 else line), way + [start]
            if nxt in part and nxt not in back:
                back[nxt] = (node, line)
                queue.append(nxt)
    return None


def find_circles(edges):
    """Include circles among files: one (path, line, circle) per circle,
    found as the strongly connected parts of the include graph."""
    index, low, stack, on_stack, parts = {}, {}, [], set(), []

    def visit(node):
        index[node] = low[node] = len(index)
        stack.append(node)
        on_stack.add(node)
        for nxt, _ in edges.get(node, []):
            if nxt not in index:
                visit(nxt)
                low[node] = min(low[node], low[nxt])
            elif nxt in on_stack:
                low[node] = min(low[node], index[nxt])
        if low[node] == index[node]:
            part = []
            while True:
                top = stack.pop()
                on_stack.discard(top)
                part.append(top)
                if top == node:
                    break
            parts.append(set(part))

    for node in sorted(edges):
        if node not in index:
            visit(node)
    circles = []
    for part in parts:
        found = way_back(edges, part, min(part))
        if found:
            circles.append(found)
    return circles


def check(src):
    problems = []
    edges = {}
    unplaced = set()
    for path in sorted(src.rglob("*")):
        if path.suffix not in SCANNED or not path.is_file():
            continue
        rel_dir = os.path.dirname(os.path.relpath(path, src))
        folder = folder_of(rel_dir)
        if folder is None:
            if rel_dir not in unplaced:
                unplaced.add(rel_dir)
                problems.append(f"{path}: the folder '{rel_dir or '.'}' has no place in the layers")
            continue
        rel_file = os.path.relpath(path, src)
        text = path.read_text(errors="replace")
        for number, line in enumerate(text.splitlines(), 1):
            where = f"{path}:{number}:"
            qt = QT.match(line)
            if qt:
                if folder in QT_FREE:
                    problems.append(f"{where} {folder}/ stays free of Qt, yet includes <{qt.group(1)}>")
                continue
            m = QUOTED.match(line)
            if not m:
                continue
            target = resolve(src, path, m.group(1))
            if target is None:
                problems.append(f'{where} "{m.group(1)}" lies outside the source tree')
                continue
            if (src / target).is_file():
                edges.setdefault(rel_file, []).append((target, number))
            to = folder_of(os.path.dirname(target))
            if to is None:
                problems.append(f'{where} "{m.group(1)}" is in a folder with no place in the layers')
            elif to != folder and to not in LAYERS[folder]:
                problems.append(f'{where} {folder}/ may not include {to}/ ("{m.group(1)}")')
    for start, number, circle in find_circles(edges):
        problems.append(f"{src / start}:{number}: headers include each other in a circle: "
                        + " -> ".join(circle))
    return problems


def main():
    src = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else "src")
    problems = check(src)
    for p in problems:
        print(p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
