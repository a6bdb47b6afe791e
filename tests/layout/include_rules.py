#!/usr/bin/env python3
"""Fails, naming file and line, on an #include of the product that runs back
up the layers (a ground folder or netenum/ reaching above itself, Qt Widgets
outside the window folders, units including each other through a loop), and
on a source file over MAX_LINES lines: a file that long does more than one job.

Usage: include_rules.py SOURCE_ROOT [QT_WIDGETS_INCLUDE_DIR]
(without the folder only <QtWidgets/...> spellings are recognised)
"""
import os
import re
import sys
from pathlib import PurePosixPath

NOT_PRODUCT = {"tests", "bench", "tools", "scripts", "packaging", "docs", "scenarios"}
SOURCE_SUFFIXES = (".h", ".cpp", ".c", ".h.in", ".cpp.in")

# Ground folders include nothing of these.
GROUND = {"text", "pattern", "listformat", "logon", "discovery"}
ABOVE_GROUND = {"windows", "app", "netenum", "smb", "sim", "search"}
# The network interface sits under its providers and everything with a window.
ABOVE_NETENUM = {"windows", "app", "smb", "sim", "search"}
# Only these may draw.
WIDGETS_FOLDERS = {"windows", "about", "app"}

MAX_LINES = 450

QUOTED = re.compile(r'^\s*#\s*include\s*"([^"]+)"')
ANGLED = re.compile(r"^\s*#\s*include\s*<([^>]+)>")


def product_files(root):
    for dirpath, dirnames, filenames in os.walk(root):
        rel_dir = os.path.relpath(dirpath, root)
        if rel_dir == ".":
            dirnames[:] = sorted(d for d in dirnames if not d.startswith(".") and
                                 not d.startswith("build") and d not in NOT_PRODUCT)
            continue
        dirnames.sort()
        for name in sorted(filenames):
            if name.endswith(SOURCE_SUFFIXES):
                yield PurePosixPath(rel_dir.replace(os.sep, "/")) / name


def unit(path):
    """X.h, X.cpp and a configured X.cpp.in are one unit, folder/X."""
    name = path.name
    for suffix in (".in", ".h", ".cpp", ".c"):
        if name.endswith(suffix):
            name = name[: -len(suffix)]
    return str(path.parent / name)


def resolve(root, including, spelled):
    """The tree's file an include names: "folder/X.h" from the root, or "X.h"
    beside the including file; a generated header by its .in template."""
    for candidate in (PurePosixPath(spelled), including.parent / spelled):
        for tried in (candidate, PurePosixPath(str(candidate) + ".in")):
            if os.path.isfile(os.path.join(root, str(tried))):
                return tried
    return None


def find_loops(edges):
    """Include loops between units, each as its units and the include lines
    that close it (one per include that leads back onto the path)."""
    loops, state = [], {}  # unit -> "open" while on the path, "done" after

    def visit(start):
        # Iterative, so a long chain cannot exhaust Python's recursion limit.
        path, work = [start], [iter(sorted(edges.get(start, {})))]
        state[start] = "open"
        while work:
            child = next(work[-1], None)
            if child is None:
                state[path.pop()] = "done"
                work.pop()
            elif state.get(child) == "open":
                cycle = path[path.index(child):] + [child]
                loops.append((sorted(set(cycle)), [edges[a][b] for a, b in zip(cycle, cycle[1:])]))
            elif child not in state:
                state[child] = "open"
                path.append(child)
                work.append(iter(sorted(edges.get(child, {}))))

    for node in sorted(edges):
        if node not in state:
            visit(node)
    return loops


def main(argv):
    if len(argv) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    root = argv[1]
    widgets = set(os.listdir(argv[2])) if len(argv) > 2 and os.path.isdir(argv[2]) else set()
    faults = []
    edges = {}  # unit -> {unit: "file:line"}
    files = list(product_files(root))
    if not files:
        print(f"no product sources under {root}", file=sys.stderr)
        return 2
    for path in files:
        folder = path.parts[0]
        with open(os.path.join(root, str(path)), encoding="utf-8", errors="replace") as source:
            lines = source.readlines()
        if len(lines) > MAX_LINES:
            faults.append(f"{path}: {len(lines)} lines, more than {MAX_LINES}: split it by job")
        for number, line in enumerate(lines, 1):
            where = f"{path}:{number}"
            angled, quoted = ANGLED.match(line), QUOTED.match(line)
            if angled:
                header = angled.group(1)
                if (header.startswith("QtWidgets") or header in widgets) and folder not in WIDGETS_FOLDERS:
                    faults.append(f"{where}: Qt Widgets header <{header}> outside windows/, about/, app/")
            if not quoted:
                continue
            spelled = quoted.group(1)
            target = resolve(root, path, spelled)
            if target is None and "/" not in spelled:
                continue
            target_folder = target.parts[0] if target is not None else spelled.split("/", 1)[0]
            if folder in GROUND and target_folder in ABOVE_GROUND:
                faults.append(f"{where}: ground folder {folder}/ includes \"{spelled}\" from {target_folder}/")
            if folder == "netenum" and target_folder in ABOVE_NETENUM:
                faults.append(f"{where}: netenum/ includes \"{spelled}\" from {target_folder}/")
            if target is not None and unit(target) != unit(path):
                edges.setdefault(unit(path), {}).setdefault(unit(target), f"{where}: includes \"{spelled}\"")

    for units, loop in find_loops(edges):
        faults.append(f"include loop among {', '.join(units)}, for one:\n  " + "\n  ".join(loop))

    if faults:
        print("\n".join(faults))
        print(f"{len(faults)} layout rule(s) broken in {len(files)} files", file=sys.stderr)
        return 1
    print(f"{len(files)} files: every include runs down, none over {MAX_LINES} lines")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
