#!/usr/bin/env python3
"""Folders of src/ must depend in one direction.

Reads the #include "..." lines of src/, builds the graph of which folder
includes which, and fails when the graph has a circle or when a folder
includes one that is not below it in LAYERS. A new folder goes into LAYERS
before its first include counts.

usage: foldercycles.py SRC_DIR [--graph]
"""
import os
import re
import sys

# Lowest first. A folder may include only folders of a lower layer.
LAYERS = [
    {"kinematics", "texts"},              # the model and the words it is told in
    {"models"},                           # readers of robots, tools and meshes
    {"render", "stations"},               # drawing the model; station files
    {"scene"},                            # the 3-D view and its panels
    {"sequences", "links", "language", "wii"},
    {"rapid", "plots"},                   # RAPID modules and plots read sequences
    {"controllers"},                      # the other controller languages
    {"ui", "tools"},                      # the control panel; velkari-kin
    {"app"},                              # entry point and main window
]

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def graph(src):
    edges = {}
    for root, _, files in os.walk(src):
        folder = os.path.relpath(root, src).split(os.sep)[0]
        if folder == ".":
            continue
        for name in files:
            if not name.endswith((".cpp", ".h")):
                continue
            with open(os.path.join(root, name), errors="replace") as f:
                for line in f:
                    m = INCLUDE.match(line)
                    if not m or "/" not in m.group(1):
                        continue
                    other = m.group(1).split("/")[0]
                    if other != folder and os.path.isdir(os.path.join(src, other)):
                        edges.setdefault(folder, set()).add(other)
    return edges


def circle(edges):
    """One circle of the graph as a list of folders, or None."""
    state = {}
    path = []

    def visit(v):
        state[v] = 1
        path.append(v)
        for w in sorted(edges.get(v, ())):
            if state.get(w) == 1:
                return path[path.index(w):] + [w]
            if w not in state:
                found = visit(w)
                if found:
                    return found
        path.pop()
        state[v] = 2
        return None

    for v in sorted(edges):
        if v not in state:
            found = visit(v)
            if found:
                return found
    return None


def main(argv):
    if len(argv) < 2:
        print(__doc__)
        return 2
    edges = graph(argv[1])
    if "--graph" in argv:
        for v in sorted(edges):
            print(f"{v} -> {', '.join(sorted(edges[v]))}")
    found = circle(edges)
    if found:
        print("circle between folders: " + " -> ".join(found))
        return 1
    layer = {folder: i for i, folders in enumerate(LAYERS) for folder in folders}
    wrong = []
    for a in sorted(edges):
        for b in sorted(edges[a]):
            if a not in layer or b not in layer:
                wrong.append(f"{a} -> {b}: put {a if a not in layer else b} into LAYERS")
            elif layer[b] >= layer[a]:
                wrong.append(f"{a} -> {b}: {b} is not below {a}")
    if wrong:
        print("includes against the layers:\n  " + "\n  ".join(wrong))
        return 1
    print("folders depend in one direction")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
