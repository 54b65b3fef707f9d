#!/usr/bin/env python3
"""Lines of C++ in tests/ against lines in src/, in all and per folder.

    python3 tools/testlines.py [--max-total 35] [--max-folder 50]

Counts every line of the .cpp and .h files kept in the repository (files
generated at build time live in the build folder and are not counted).
A test folder is compared with the source folder of the same name; folders
with no source counterpart (shared support, fuzz targets) count in the total
only. With limits given, exits 1 when the total or a folder is above them.
"""
import argparse
import os
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def lines_by_folder(top):
    counts = {}
    base = os.path.join(ROOT, top)
    for folder, _, files in os.walk(base):
        rel = os.path.relpath(folder, base)
        key = rel.split(os.sep)[0] if rel != '.' else '.'
        for name in files:
            if name.endswith(('.cpp', '.h')):
                with open(os.path.join(folder, name), 'rb') as f:
                    counts[key] = counts.get(key, 0) + f.read().count(b'\n')
    return counts


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--max-total', type=float)
    ap.add_argument('--max-folder', type=float)
    args = ap.parse_args()
    src = lines_by_folder('src')
    tests = lines_by_folder('tests')
    failed = False
    print(f"{'folder':<12}{'src':>8}{'tests':>8}{'ratio':>8}")
    for key in sorted(set(src) | set(tests)):
        s, t = src.get(key, 0), tests.get(key, 0)
        ratio = f"{100.0 * t / s:.0f}%" if s else "-"
        over = bool(s) and args.max_folder is not None and 100.0 * t / s > args.max_folder
        failed |= over
        print(f"{key:<12}{s:>8}{t:>8}{ratio:>8}{'  above the limit' if over else ''}")
    s_all, t_all = sum(src.values()), sum(tests.values())
    total = 100.0 * t_all / s_all if s_all else 0.0
    over = args.max_total is not None and total > args.max_total
    failed |= over
    print(f"{'all':<12}{s_all:>8}{t_all:>8}{total:>7.1f}%{'  above the limit' if over else ''}")
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main())
