#!/usr/bin/env python3
"""Builds the example static objects shipped in Objects/.

Run from anywhere:

    python3 tools/gen_objects.py           # write the files, then verify them
    python3 tools/gen_objects.py --check   # only verify what is on disk

Output goes to Objects/ in the repository root (the parent of this script's
directory), whatever the current directory is. The output is deterministic,
so the files can be committed and diffed.

  table.stl      ASCII, a work table 1200 x 800 mm with its top surface at
                 z = 750 and centred on the origin in x and y: a wooden top
                 and grey steel legs and stretchers, coloured with
                 "color B G R" lines (blue first).
  vice.stl       binary, a machine vice on a base plate. Its 80-byte header
                 starts with "solid", as many CAD exporters write it, so the
                 program must recognise it as binary by its size.
  workpiece.stl  ASCII, an aluminium block 200 x 150 x 40 mm standing on z = 0
                 of its own frame, with a pocket 120 x 70 x 15 mm milled into
                 its top (the machined floor has its own colour).

Every solid is closed and wound counter-clockwise seen from outside. --check
reads the files back and fails (exit status 1) unless each file is closed
and outward-facing, holds the colours and sizes above, and is small.
"""

import argparse
import math
import os
import struct
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OBJECT_DIR = os.path.join(ROOT, "Objects")
MAX_BYTES = 300 * 1024

# Colours as (red, green, blue); the files write them blue first.
WOOD = (0.55, 0.36, 0.18)
STEEL = (0.58, 0.6, 0.62)
VICE_BLUE = (0.15, 0.3, 0.6)
VICE_STEEL = (0.7, 0.7, 0.72)
ALUMINIUM = (0.78, 0.8, 0.82)
MACHINED = (0.9, 0.88, 0.7)

SEGMENTS = 24


class CheckError(Exception):
    pass


# ---------------------------------------------------------------------------
# Small vector helpers on tuples.

def sub(p, q):
    return (p[0] - q[0], p[1] - q[1], p[2] - q[2])


def add(p, q):
    return (p[0] + q[0], p[1] + q[1], p[2] + q[2])


def scale(p, s):
    return (p[0] * s, p[1] * s, p[2] * s)


def dot(p, q):
    return p[0] * q[0] + p[1] * q[1] + p[2] * q[2]


def cross(p, q):
    return (p[1] * q[2] - p[2] * q[1], p[2] * q[0] - p[0] * q[2], p[0] * q[1] - p[1] * q[0])


def normal_of(tri):
    a, b, c = tri
    n = cross(sub(b, a), sub(c, a))
    length = math.sqrt(dot(n, n))
    return (0.0, 0.0, 0.0) if length == 0 else scale(n, 1.0 / length)


# ---------------------------------------------------------------------------
# Solids: lists of triangles (three points), counter-clockwise from outside.

def quad(a, b, c, d, facing):
    """Two triangles of the planar quad a-b-c-d, turned so that their normal
    points along `facing`."""
    if dot(cross(sub(b, a), sub(c, a)), facing) < 0:
        a, b, c, d = d, c, b, a
    return [(a, b, c), (a, c, d)]


def box(lo, hi):
    x0, y0, z0 = lo
    x1, y1, z1 = hi
    return (quad((x0, y0, z0), (x1, y0, z0), (x1, y1, z0), (x0, y1, z0), (0, 0, -1)) +
            quad((x0, y0, z1), (x1, y0, z1), (x1, y1, z1), (x0, y1, z1), (0, 0, 1)) +
            quad((x0, y0, z0), (x1, y0, z0), (x1, y0, z1), (x0, y0, z1), (0, -1, 0)) +
            quad((x0, y1, z0), (x1, y1, z0), (x1, y1, z1), (x0, y1, z1), (0, 1, 0)) +
            quad((x0, y0, z0), (x0, y1, z0), (x0, y1, z1), (x0, y0, z1), (-1, 0, 0)) +
            quad((x1, y0, z0), (x1, y1, z0), (x1, y1, z1), (x1, y0, z1), (1, 0, 0)))


def cylinder_x(x0, x1, y, z, r, n=SEGMENTS):
    """Closed cylinder along +x from x0 to x1 around the line (y, z)."""
    ring = []
    for k in range(n):
        t = 2 * math.pi * k / n
        ring.append((y + r * math.cos(t), z + r * math.sin(t)))
    tris = []
    for k in range(n):
        (ya, za), (yb, zb) = ring[k], ring[(k + 1) % n]
        outward = (0.0, math.cos(2 * math.pi * (k + 0.5) / n), math.sin(2 * math.pi * (k + 0.5) / n))
        tris += quad((x0, ya, za), (x0, yb, zb), (x1, yb, zb), (x1, ya, za), outward)
        end0 = ((x0, y, z), (x0, yb, zb), (x0, ya, za))
        end1 = ((x1, y, z), (x1, ya, za), (x1, yb, zb))
        tris.append(end0 if dot(normal_of(end0), (-1, 0, 0)) > 0 else end0[::-1])
        tris.append(end1 if dot(normal_of(end1), (1, 0, 0)) > 0 else end1[::-1])
    return tris


def pocketed_block(sx, sy, sz, px, py, depth):
    """Block [-sx/2, sx/2] x [-sy/2, sy/2] x [0, sz] with a centred pocket
    px x py, `depth` deep, in its top. Returns (outside faces, pocket floor)."""
    x, y, z = sx / 2, sy / 2, sz
    u, v, f = px / 2, py / 2, sz - depth
    outer = [(-x, -y, z), (x, -y, z), (x, y, z), (-x, y, z)]
    inner = [(-u, -v, z), (u, -v, z), (u, v, z), (-u, v, z)]
    floor = [(-u, -v, f), (u, -v, f), (u, v, f), (-u, v, f)]
    tris = []
    # Bottom and sides: the block's box without its top.
    tris += quad((-x, -y, 0), (x, -y, 0), (x, y, 0), (-x, y, 0), (0, 0, -1))
    tris += quad((-x, -y, 0), (x, -y, 0), (x, -y, z), (-x, -y, z), (0, -1, 0))
    tris += quad((-x, y, 0), (x, y, 0), (x, y, z), (-x, y, z), (0, 1, 0))
    tris += quad((-x, -y, 0), (-x, y, 0), (-x, y, z), (-x, -y, z), (-1, 0, 0))
    tris += quad((x, -y, 0), (x, y, 0), (x, y, z), (x, -y, z), (1, 0, 0))
    # The top is a frame around the pocket, four trapezoids.
    for k in range(4):
        k1 = (k + 1) % 4
        tris += quad(outer[k], outer[k1], inner[k1], inner[k], (0, 0, 1))
    # Pocket walls face the pocket's centre.
    for k in range(4):
        k1 = (k + 1) % 4
        mid = scale(add(inner[k], inner[k1]), 0.5)
        towards_centre = (-mid[0], -mid[1], 0.0)
        tris += quad(inner[k], inner[k1], floor[k1], floor[k], towards_centre)
    return tris, quad(floor[0], floor[1], floor[2], floor[3], (0, 0, 1))


# ---------------------------------------------------------------------------
# The objects.

def table():
    """(colour, triangles) groups of the work table."""
    top_z, thickness = 750.0, 40.0
    lx, ly = 600.0, 400.0
    leg, inset = 60.0, 50.0
    legs = []
    stretchers = []
    cx, cy = lx - inset - leg / 2, ly - inset - leg / 2
    for sx in (-1, 1):
        for sy in (-1, 1):
            legs += box((sx * cx - leg / 2, sy * cy - leg / 2, 0.0),
                        (sx * cx + leg / 2, sy * cy + leg / 2, top_z - thickness))
    # Stretchers between the legs, 150 mm above the floor, and an apron
    # under the top.
    for sy in (-1, 1):
        stretchers += box((-cx + leg / 2, sy * cy - 15.0, 130.0), (cx - leg / 2, sy * cy + 15.0, 170.0))
        stretchers += box((-cx + leg / 2, sy * cy - 10.0, top_z - thickness - 80.0),
                          (cx - leg / 2, sy * cy + 10.0, top_z - thickness))
    for sx in (-1, 1):
        stretchers += box((sx * cx - 15.0, -cy + leg / 2, 130.0), (sx * cx + 15.0, cy - leg / 2, 170.0))
    top = box((-lx, -ly, top_z - thickness), (lx, ly, top_z))
    return [(WOOD, top), (STEEL, legs + stretchers)]


def vice():
    """Triangles of the machine vice (one colour: binary STL has none)."""
    tris = []
    tris += box((-150.0, -80.0, 0.0), (150.0, 80.0, 30.0))            # base plate
    tris += box((-150.0, -60.0, 30.0), (-110.0, 60.0, 110.0))         # fixed jaw
    tris += box((-20.0, -60.0, 30.0), (20.0, 60.0, 110.0))            # moving jaw
    tris += box((-110.0, -50.0, 30.0), (150.0, 50.0, 50.0))           # slide
    tris += box((130.0, -40.0, 50.0), (150.0, 40.0, 90.0))            # spindle bearing
    tris += cylinder_x(20.0, 230.0, 0.0, 70.0, 12.0)                  # spindle
    tris += cylinder_x(222.0, 238.0, 0.0, 70.0, 20.0)                 # hub
    return tris


def workpiece():
    outside, pocket_floor = pocketed_block(200.0, 150.0, 40.0, 120.0, 70.0, 15.0)
    return [(ALUMINIUM, outside), (MACHINED, pocket_floor)]


# ---------------------------------------------------------------------------
# Writing.

def fmt(x):
    s = "%.4f" % x
    s = s.rstrip("0").rstrip(".")
    return "0" if s in ("-0", "") else s


def ascii_stl(name, groups):
    out = ["solid %s" % name]
    for (r, g, b), tris in groups:
        out.append("  color %s %s %s" % (fmt(b), fmt(g), fmt(r)))
        for tri in tris:
            out.append("  facet normal %s %s %s" % tuple(fmt(v) for v in normal_of(tri)))
            out.append("    outer loop")
            for p in tri:
                out.append("      vertex %s %s %s" % tuple(fmt(v) for v in p))
            out.append("    endloop")
            out.append("  endfacet")
    out.append("endsolid %s" % name)
    return ("\n".join(out) + "\n").encode("ascii")


def binary_stl(header_text, tris):
    header = header_text.encode("ascii")[:80].ljust(80, b" ")
    parts = [header, struct.pack("<I", len(tris))]
    for tri in tris:
        parts.append(struct.pack("<12fH", *normal_of(tri), *tri[0], *tri[1], *tri[2], 0))
    return b"".join(parts)


def write(name, data):
    os.makedirs(OBJECT_DIR, exist_ok=True)
    with open(os.path.join(OBJECT_DIR, name), "wb") as f:
        f.write(data)


def write_all():
    write("table.stl", ascii_stl("table", table()))
    write("vice.stl", binary_stl("solid vice (binary STL; the header starts with solid on purpose)",
                                 vice()))
    write("workpiece.stl", ascii_stl("workpiece", workpiece()))


# ---------------------------------------------------------------------------
# Checking what is on disk.

def read_ascii(path):
    """(triangles, colours in file order as (r, g, b))."""
    tris, current, colours = [], [], []
    with open(path, encoding="ascii") as f:
        for line in f:
            words = line.split()
            if not words:
                continue
            if words[0] == "vertex":
                current.append(tuple(float(v) for v in words[1:4]))
                if len(current) == 3:
                    tris.append(tuple(current))
                    current = []
            elif words[0] == "color":
                b, g, r = (float(v) for v in words[1:4])
                colours.append((r, g, b))
    if current:
        raise CheckError("%s: dangling vertices" % path)
    return tris, colours


def read_binary(path):
    with open(path, "rb") as f:
        data = f.read()
    if len(data) < 84:
        raise CheckError("%s: too short" % path)
    header = data[:80]
    (count,) = struct.unpack_from("<I", data, 80)
    if len(data) != 84 + 50 * count:
        raise CheckError("%s: size does not match its count" % path)
    tris = []
    for k in range(count):
        v = struct.unpack_from("<12f", data, 84 + 50 * k)
        stored = v[0:3]
        tri = (v[3:6], v[6:9], v[9:12])
        if dot(stored, normal_of(tri)) < 0.999:
            raise CheckError("%s: stored normal of triangle %d disagrees with its winding"
                             % (path, k))
        tris.append(tri)
    return header, tris


def closed_and_outward(path, tris):
    edges = {}
    volume = 0.0
    for tri in tris:
        keys = [tuple(round(c, 3) for c in p) for p in tri]
        for k in range(3):
            e = (keys[k], keys[(k + 1) % 3])
            edges[e] = edges.get(e, 0) + 1
        volume += dot(tri[0], cross(tri[1], tri[2])) / 6.0
    for (p, q), count in edges.items():
        if edges.get((q, p), 0) != count:
            raise CheckError("%s: open or inconsistently wound edge %s-%s" % (path, p, q))
    if volume <= 0:
        raise CheckError("%s: faces point inward (volume %.1f)" % (path, volume))
    return volume


def bounds(tris):
    pts = [p for t in tris for p in t]
    return (tuple(min(p[i] for p in pts) for i in range(3)),
            tuple(max(p[i] for p in pts) for i in range(3)))


def expect(path, what, ok):
    if not ok:
        raise CheckError("%s: %s" % (path, what))


def check_all():
    try:
        for name in ("table.stl", "vice.stl", "workpiece.stl"):
            path = os.path.join(OBJECT_DIR, name)
            expect(path, "larger than %d bytes" % MAX_BYTES, os.path.getsize(path) <= MAX_BYTES)

        path = os.path.join(OBJECT_DIR, "table.stl")
        tris, colours = read_ascii(path)
        closed_and_outward(path, tris)
        lo, hi = bounds(tris)
        expect(path, "not 1200 x 800 x 750 from the floor", lo == (-600, -400, 0) and hi == (600, 400, 750))
        expect(path, "colours are not wood then steel", colours == [WOOD, STEEL])

        path = os.path.join(OBJECT_DIR, "vice.stl")
        header, tris = read_binary(path)
        expect(path, "header does not start with solid", header.startswith(b"solid"))
        expect(path, "a vertex keyword in the binary data",
               b"vertex" not in open(path, "rb").read())
        closed_and_outward(path, tris)
        lo, hi = bounds(tris)
        expect(path, "does not stand on z = 0", abs(lo[2]) < 1e-6 and hi[2] > 100)

        path = os.path.join(OBJECT_DIR, "workpiece.stl")
        tris, colours = read_ascii(path)
        volume = closed_and_outward(path, tris)
        lo, hi = bounds(tris)
        expect(path, "not 200 x 150 x 40 on z = 0", lo == (-100, -75, 0) and hi == (100, 75, 40))
        expect(path, "volume is not the block minus its pocket",
               abs(volume - (200 * 150 * 40 - 120 * 70 * 15)) < 1e-6)
        expect(path, "colours are not aluminium then machined", colours == [ALUMINIUM, MACHINED])
    except (CheckError, OSError, ValueError, struct.error) as e:
        print("CHECK FAILED: %s" % e, file=sys.stderr)
        return 1
    print("check passed")
    return 0


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--check", action="store_true", help="verify the files on disk, write nothing")
    args = ap.parse_args()
    if not args.check:
        write_all()
    return check_all()


if __name__ == "__main__":
    sys.exit(main())
