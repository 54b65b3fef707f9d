#!/usr/bin/env python3
"""Draws the sequence player's button images (32 x 32 RGBA PNG) into this
directory:

    start.png    rewind to the first position: bar and left triangle
    play.png     play: right triangle
    pause.png    pause: two bars
    fastfwd.png  fast play: two right triangles
    end.png      to the last position: right triangle and bar
    clockwise.png  loop off: a grey circular arrow
    redo.png       loop on: the same arrow in green

    python3 src/sequences/img/draw_icons.py

Each pixel is the coverage of 8 x 8 samples, so edges are smooth. Only the
standard library is used; the output is deterministic.
"""

import math
import os
import struct
import zlib

SIZE = 32
SAMPLES = 8
HERE = os.path.dirname(os.path.abspath(__file__))

INK = (46, 59, 78)
GREY = (120, 126, 134)
GREEN = (30, 150, 70)


def inside_polygon(x, y, poly):
    hit = False
    j = len(poly) - 1
    for i in range(len(poly)):
        xi, yi = poly[i]
        xj, yj = poly[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            hit = not hit
        j = i
    return hit


def rect(x0, y0, x1, y1):
    return [(x0, y0), (x1, y0), (x1, y1), (x0, y1)]


def shapes_cover(shapes):
    def cover(x, y):
        for s in shapes:
            if callable(s):
                if s(x, y):
                    return True
            elif inside_polygon(x, y, s):
                return True
        return False
    return cover


def circular_arrow():
    cx, cy, r_in, r_out = 16.0, 16.5, 7.0, 10.5
    gap_start = math.radians(-100)  # screen angles, y down: the gap is at the top
    gap_end = math.radians(-40)

    def ring(x, y):
        dx, dy = x - cx, y - cy
        r = math.hypot(dx, dy)
        if r < r_in or r > r_out:
            return False
        a = math.atan2(dy, dx)
        return not (gap_start <= a <= gap_end)

    # Arrowhead at the clockwise end of the ring (the gap's start), pointing on.
    a = gap_start
    mid = (r_in + r_out) / 2
    px, py = cx + mid * math.cos(a), cy + mid * math.sin(a)
    tx, ty = -math.sin(a), math.cos(a)  # clockwise tangent (y down)
    nx, ny = math.cos(a), math.sin(a)
    # Clockwise on screen (y down) is towards increasing angle: the tip
    # leads on from the ring's end into the gap.
    head = [(px + nx * 6.0, py + ny * 6.0), (px - nx * 6.0, py - ny * 6.0),
            (px + tx * 7.0, py + ty * 7.0)]
    return shapes_cover([ring, head])


ICONS = {
    "play.png": (INK, shapes_cover([[(9, 6), (25, 16), (9, 26)]])),
    "pause.png": (INK, shapes_cover([rect(8, 6, 14, 26), rect(18, 6, 24, 26)])),
    "start.png": (INK, shapes_cover([rect(6, 7, 10, 25), [(25, 6), (25, 26), (11, 16)]])),
    "end.png": (INK, shapes_cover([rect(22, 7, 26, 25), [(7, 6), (7, 26), (21, 16)]])),
    "fastfwd.png": (INK, shapes_cover([[(3, 7), (16, 16), (3, 25)],
                                       [(15, 7), (28, 16), (15, 25)]])),
    "clockwise.png": (GREY, circular_arrow()),
    "redo.png": (GREEN, circular_arrow()),
}


def render(colour, cover):
    rows = []
    step = 1.0 / SAMPLES
    for y in range(SIZE):
        row = bytearray([0])  # filter type: none
        for x in range(SIZE):
            hits = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    if cover(x + (sx + 0.5) * step, y + (sy + 0.5) * step):
                        hits += 1
            alpha = round(255 * hits / (SAMPLES * SAMPLES))
            row += bytes([colour[0], colour[1], colour[2], alpha])
        rows.append(bytes(row))
    return b"".join(rows)


def png(raw):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    for name, (colour, cover) in ICONS.items():
        with open(os.path.join(HERE, name), "wb") as f:
            f.write(png(render(colour, cover)))
        print(name)


if __name__ == "__main__":
    main()
