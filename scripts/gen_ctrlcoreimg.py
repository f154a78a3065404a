#!/usr/bin/env python3
"""Draws the drag-and-drop cursor images of gui/clip/CtrlCoreImg (32 x 32 RGBA PNG files).

Run by hand from the project folder when the pictures change:
    scripts/gen_ctrlcoreimg.py gui/clip/CtrlCoreImg
Each picture is the pointer arrow (hot spot at the tip, 0, 0) with a sign beside it: a box for
move, a plus for copy, a sheet for data, a barred circle where nothing can be dropped. The "98"
variants draw the sign in the flat grey of older desktops, "X11" a solid box."""
import math
import os
import struct
import sys
import zlib

SIZE = 32
BLACK = (0, 0, 0, 255)
WHITE = (255, 255, 255, 255)
GREY = (128, 128, 128, 255)
RED = (204, 32, 32, 255)
BLUE = (32, 80, 200, 255)


class Picture:
    def __init__(self):
        self.px = [[(0, 0, 0, 0)] * SIZE for _ in range(SIZE)]

    def put(self, x, y, c):
        if 0 <= x < SIZE and 0 <= y < SIZE:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c):
        for y in range(y0, y1):
            for x in range(x0, x1):
                self.put(x, y, c)

    def frame(self, x0, y0, x1, y1, c, dashed=False):
        for x in range(x0, x1):
            if not dashed or x % 2 == 0:
                self.put(x, y0, c)
                self.put(x, y1 - 1, c)
        for y in range(y0, y1):
            if not dashed or y % 2 == 0:
                self.put(x0, y, c)
                self.put(x1 - 1, y, c)

    def arrow(self):
        # a 12-row pointer: black outline, white inside
        for y in range(12):
            for x in range(y + 1):
                edge = x == 0 or x == y or y == 11
                self.put(x, y, BLACK if edge else WHITE)
        for y in range(12, 17):  # the stem
            for x in range(4, 7):
                self.put(x, y, BLACK if x in (4, 6) or y == 16 else WHITE)

    def plus(self, cx, cy, r, c):
        self.rect(cx - r, cy - 1, cx + r + 1, cy + 2, c)
        self.rect(cx - 1, cy - r, cx + 2, cy + r + 1, c)

    def barred_circle(self, cx, cy, r, c):
        for y in range(SIZE):
            for x in range(SIZE):
                d = math.hypot(x - cx, y - cy)
                if r - 2 <= d <= r:
                    self.put(x, y, c)
        for t in range(-r + 2, r - 1):
            for w in (-1, 0, 1):
                self.put(cx + t + w, cy + t, c)

    def png(self):
        rows = b"".join(b"\0" + b"".join(struct.pack("4B", *p) for p in row) for row in self.px)

        def chunk(kind, data):
            return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

        head = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)
        return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", head) + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b"")


def move(style):
    p = Picture()
    p.arrow()
    if style == "X11":
        p.rect(14, 16, 26, 26, BLACK)
    elif style == "98":
        p.frame(14, 16, 26, 26, GREY, dashed=True)
    else:
        p.rect(14, 16, 26, 26, WHITE)
        p.frame(14, 16, 26, 26, BLACK, dashed=True)
    return p


def none(style):
    p = Picture()
    p.arrow()
    p.barred_circle(20, 21, 8, GREY if style == "98" else RED)
    return p


def copy(style):
    p = move(style)
    p.rect(20, 22, 31, 31, WHITE)
    p.frame(20, 22, 31, 31, BLACK)
    p.plus(25, 26, 3, GREY if style == "98" else BLUE)
    return p


def data():
    p = Picture()
    p.arrow()
    p.rect(15, 14, 27, 29, WHITE)
    p.frame(15, 14, 27, 29, BLACK)
    for y in (18, 21, 24):
        p.rect(17, y, 25, y + 1, GREY)
    return p


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "gui/clip/CtrlCoreImg"
    os.makedirs(out, exist_ok=True)
    pictures = {
        "DndMoveX11": move("X11"), "DndMove": move(""), "DndMove98": move("98"),
        "DndNone": none(""), "DndNone98": none("98"),
        "DndCopy": copy(""), "DndCopy98": copy("98"), "DndData": data(),
    }
    for name, p in pictures.items():
        with open(os.path.join(out, name + ".png"), "wb") as f:
            f.write(p.png())


main()
