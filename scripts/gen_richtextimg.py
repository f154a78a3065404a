#!/usr/bin/env python3
"""Draws the marks of richtext/object/RichTextImg (RGBA PNG files, black on transparent: painting tints
them with the marks' colour).

Run by hand from the project folder when the pictures change:
    scripts/gen_richtextimg.py richtext/object/RichTextImg
Each mark is drawn from shapes in the units of its plain picture, sampled 8 x 8 times a pixel for
smooth edges; the "__UHD" twin is the same shapes at twice the pixels. The marks stand on the
baseline (their bottom row is the row above it), so their heights place them: the space dot and
the tab arrow at mid letter height, the paragraph sign as tall as capitals."""
import math
import os
import struct
import sys
import zlib

SAMPLES = 8


def inside_polygon(pts, x, y):
    c = False
    j = len(pts) - 1
    for i in range(len(pts)):
        xi, yi = pts[i]
        xj, yj = pts[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            c = not c
        j = i
    return c


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x < x1 and y0 <= y < y1


def disc(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) <= r


def ring(cx, cy, r0, r1):
    return lambda x, y: r0 <= math.hypot(x - cx, y - cy) <= r1


def polygon(*pts):
    return lambda x, y: inside_polygon(pts, x, y)


def minus(a, b):
    return lambda x, y: a(x, y) and not b(x, y)


class Mark:
    def __init__(self, w, h, shapes):
        self.w, self.h, self.shapes = w, h, shapes

    def pixels(self, scale):
        w, h = self.w * scale, self.h * scale
        rows = []
        for py in range(h):
            row = []
            for px in range(w):
                hit = 0
                for sy in range(SAMPLES):
                    for sx in range(SAMPLES):
                        x = (px + (sx + 0.5) / SAMPLES) / scale
                        y = (py + (sy + 0.5) / SAMPLES) / scale
                        if any(s(x, y) for s in self.shapes):
                            hit += 1
                row.append((0, 0, 0, round(255 * hit / (SAMPLES * SAMPLES))))
            rows.append(row)
        return w, h, rows


def png(w, h, rows):
    raw = b"".join(b"\0" + b"".join(struct.pack("4B", *p) for p in row) for row in rows)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    head = struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", head) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


MARKS = {
    # a tag pointing right, with its hole
    "Label": Mark(7, 9, [minus(polygon((0.5, 0.5), (4, 0.5), (6.8, 4.5), (4, 8.5), (0.5, 8.5)), disc(2.3, 4.5, 0.8))]),
    # a sheet with a band at its head and at its foot
    "HdrFtr": Mark(7, 9, [minus(rect(0, 0, 7, 9), rect(1, 1, 6, 8)), rect(2, 2, 5, 3.5), rect(2, 5.5, 5, 7)]),
    # the paragraph sign
    "EndParaChar": Mark(6, 9, [minus(disc(2.4, 2.6, 2.1), rect(3.4, 0, 6, 9)), rect(2, 0.5, 6, 1.5),
                               rect(3.4, 0.5, 4.3, 9), rect(5.1, 0.5, 6, 9)]),
    # an arrow against a bar
    "TabChar": Mark(9, 7, [rect(0.5, 3, 6, 4), polygon((5, 0.8), (7.8, 3.5), (5, 6.2)), rect(8, 0.5, 9, 6.5)]),
    # a dot at mid letter height
    "SpaceChar": Mark(3, 6, [disc(1.5, 1.5, 1.1)]),
    # a small ring at mid letter height
    "HardSpaceChar": Mark(5, 7, [ring(2.5, 2.5, 1.1, 2.1)]),
}


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "richtext/object/RichTextImg"
    os.makedirs(out, exist_ok=True)
    for name, m in MARKS.items():
        for scale, suffix in ((1, ""), (2, "__UHD")):
            with open(os.path.join(out, name + suffix + ".png"), "wb") as f:
                f.write(png(*m.pixels(scale)))


main()
