#!/usr/bin/env python3
"""Folders of src/ must depend in one direction.

Reads the #include "..." lines of src/, builds the graph of which folder
includes which, and fails when the graph has a circle. The edges listed in
ALLOWED are known upward includes that are still being taken apart; they are
left out before looking for circles, so any new circle fails the check.

usage: foldercycles.py SRC_DIR [--graph]
"""
import os
import re
import sys

# folder -> folder includes that close a known circle. Remove an entry when
# its include is gone; the check then keeps it from coming back.
ALLOWED = {
    ("kinematics", "models"),  # Robot loads its description and meshes
    ("language", "ui"),        # relabel writes into the control panel's form
    ("wii", "ui"),             # the Wii window connects to the control panel
}

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
    for a, b in sorted(ALLOWED):
        if b not in edges.get(a, ()):
            print(f"note: {a} -> {b} is gone; take it out of ALLOWED")
    kept = {v: {w for w in ws if (v, w) not in ALLOWED} for v, ws in edges.items()}
    found = circle(kept)
    if found:
        print("circle between folders: " + " -> ".join(found))
        return 1
    print("folders depend in one direction (known upward includes: "
          + ", ".join(f"{a} -> {b}" for a, b in sorted(ALLOWED)) + ")")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
