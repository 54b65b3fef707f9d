#!/usr/bin/env python3
"""Draws the lab logo of the About box, src/language/img/zorv_fr.png.

Run from anywhere:

    python3 tools/gen_logo.py           # write the image, then verify it
    python3 tools/gen_logo.py --check   # only verify what is on disk

Only the standard library is used: the picture is computed pixel by pixel
(4 x 4 samples per pixel for smooth edges) and written as an 8-bit RGBA PNG
with zlib and struct. The output is deterministic, so it can be committed.

The picture, 128 x 128: a dark blue rounded badge holding a white six-axis
arm (base, shoulder, upper arm, forearm, wrist) whose orange pen touches a
light work surface, the way the shipped default station shows the robot.
"""

import argparse
import math
import os
import struct
import sys
import zlib

SIZE = 128
SAMPLES = 4
OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "src", "language", "img",
                   "zorv_fr.png")

BADGE = (22, 52, 96)
ARM = (240, 244, 248)
JOINT = (120, 160, 210)
PEN = (240, 140, 30)
TABLE = (150, 170, 190)


def seg_dist(px, py, ax, ay, bx, by):
    """Distance from the point to the segment a-b."""
    dx, dy = bx - ax, by - ay
    t = ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)
    t = max(0.0, min(1.0, t))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def rounded_box(px, py, x0, y0, x1, y1, r):
    """True inside the rectangle x0..x1, y0..y1 with corners of radius r."""
    cx = min(max(px, x0 + r), x1 - r)
    cy = min(max(py, y0 + r), y1 - r)
    return math.hypot(px - cx, py - cy) <= r


# The arm, from the base up: joint centres in pixels (y grows downwards).
BASE = (40.0, 92.0)
SHOULDER = (40.0, 74.0)
ELBOW = (66.0, 38.0)
WRIST = (96.0, 54.0)
TIP = (98.0, 85.0)


def colour_at(x, y):
    """Colour of one sample, or None outside the badge."""
    if not rounded_box(x, y, 2, 2, SIZE - 2, SIZE - 2, 22):
        return None
    c = BADGE
    if 86 <= y <= 90 and 70 <= x <= 118:
        c = TABLE
    if rounded_box(x, y, 24, 92, 56, 104, 3):
        c = ARM
    if seg_dist(x, y, *BASE, *SHOULDER) <= 8:
        c = ARM
    if seg_dist(x, y, *SHOULDER, *ELBOW) <= 7:
        c = ARM
    if seg_dist(x, y, *ELBOW, *WRIST) <= 5.5:
        c = ARM
    if seg_dist(x, y, *WRIST, *TIP) <= 3:
        c = PEN
    for centre, radius in ((SHOULDER, 5.0), (ELBOW, 4.5), (WRIST, 3.5)):
        if math.hypot(x - centre[0], y - centre[1]) <= radius:
            c = JOINT
    return c


def render():
    rows = []
    for py in range(SIZE):
        row = bytearray()
        for px in range(SIZE):
            acc = [0, 0, 0]
            hits = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    c = colour_at(px + (sx + 0.5) / SAMPLES, py + (sy + 0.5) / SAMPLES)
                    if c is not None:
                        hits += 1
                        for i in range(3):
                            acc[i] += c[i]
            if hits:
                row += bytes([round(acc[i] / hits) for i in range(3)])
                row.append(round(255 * hits / (SAMPLES * SAMPLES)))
            else:
                row += b"\0\0\0\0"
        rows.append(bytes(row))
    return rows


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def png_bytes(rows):
    raw = b"".join(b"\0" + r for r in rows)  # filter type 0 on every row
    header = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def check(path):
    """Reads the PNG back: signature, size, RGBA, chunk CRCs and pixel count."""
    with open(path, "rb") as f:
        data = f.read()
    if not data.startswith(b"\x89PNG\r\n\x1a\n"):
        return "not a PNG"
    pos, idat, size = 8, b"", None
    while pos < len(data):
        (length,) = struct.unpack(">I", data[pos:pos + 4])
        kind = data[pos + 4:pos + 8]
        body = data[pos + 8:pos + 8 + length]
        (crc,) = struct.unpack(">I", data[pos + 8 + length:pos + 12 + length])
        if zlib.crc32(kind + body) & 0xFFFFFFFF != crc:
            return "bad CRC in " + kind.decode("latin-1")
        if kind == b"IHDR":
            size = struct.unpack(">IIBB", body[:10])
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    if size != (SIZE, SIZE, 8, 6):
        return "unexpected header %r" % (size,)
    pixels = zlib.decompress(idat)
    if len(pixels) != SIZE * (1 + 4 * SIZE):
        return "wrong pixel data length"
    if len(data) > 32 * 1024:
        return "larger than 32 KiB"
    return None


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--check", action="store_true", help="only verify the file on disk")
    args = parser.parse_args()
    path = os.path.normpath(OUT)
    if not args.check:
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(png_bytes(render()))
    problem = check(path)
    if problem:
        print("%s: %s" % (path, problem), file=sys.stderr)
        return 1
    print("%s: ok" % path)
    return 0


if __name__ == "__main__":
    sys.exit(main())
