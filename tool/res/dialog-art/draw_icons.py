#!/usr/bin/env python3
"""Draws the icons of the profile dialogs and the About box into tool/res: the program's icon
(128, 32 x 32), the store rows' icon and its two marks (152, 151, 153) and the folder trees'
association marks (156 to 159), each an icon file holding one PNG image. Run it again after
changing a drawing; the build uses the files written."""
import math
import os
import struct
import zlib

OUT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


class Canvas:
    def __init__(self, size):
        self.size = size
        self.px = [[(0, 0, 0, 0)] * size for _ in range(size)]

    def put(self, x, y, colour):
        if 0 <= x < self.size and 0 <= y < self.size:
            self.px[y][x] = colour

    def disc(self, cx, cy, r, colour):
        for y in range(self.size):
            for x in range(self.size):
                if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= r * r:
                    self.put(x, y, colour)

    def ring(self, cx, cy, r, width, colour):
        for y in range(self.size):
            for x in range(self.size):
                d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
                if r - width <= d <= r:
                    self.put(x, y, colour)

    def rect(self, x0, y0, x1, y1, colour):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.put(x, y, colour)

    def line(self, x0, y0, x1, y1, colour, width=1):
        steps = max(abs(x1 - x0), abs(y1 - y0)) * 4 + 1
        for i in range(steps + 1):
            t = i / steps
            x = x0 + (x1 - x0) * t
            y = y0 + (y1 - y0) * t
            for dx in range(width):
                for dy in range(width):
                    self.put(int(round(x)) + dx, int(round(y)) + dy, colour)

    def png(self):
        raw = b"".join(b"\x00" + b"".join(bytes(c) for c in row) for row in self.px)

        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

        header = struct.pack(">IIBBBBB", self.size, self.size, 8, 6, 0, 0, 0)
        return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")

    def ico(self):
        image = self.png()
        size = self.size if self.size < 256 else 0
        return struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), 22) + image


WHITE = (255, 255, 255, 255)
BLUE = (36, 96, 196, 255)
LIGHT_BLUE = (128, 176, 236, 255)
SLATE = (88, 104, 128, 255)
STEEL = (150, 166, 190, 255)
PALE = (206, 216, 232, 255)
RED = (206, 40, 40, 255)
GREEN = (34, 150, 64, 255)
GREY = (140, 140, 140, 255)
ORANGE = (232, 140, 30, 255)


def application():
    c = Canvas(32)
    c.disc(16, 16, 15, BLUE)
    c.ring(16, 16, 15, 1.5, (20, 60, 140, 255))
    # Two arrows going round: the two stores kept in step.
    for a in range(200, 340, 4):
        r = math.radians(a)
        c.disc(16 + 9 * math.cos(r), 16 + 9 * math.sin(r), 1.6, WHITE)
    for a in range(20, 160, 4):
        r = math.radians(a)
        c.disc(16 + 9 * math.cos(r), 16 + 9 * math.sin(r), 1.6, WHITE)
    # Arrow heads at the ends of the two arcs.
    for k in range(5):
        c.line(25 - k, 16 - k, 25 + k, 16 - k, WHITE)
        c.line(7 - k, 16 + k, 7 + k, 16 + k, WHITE)
    return c


def store():
    c = Canvas(16)
    # A drum of records: body, top ellipse, two bands.
    c.rect(2, 4, 13, 13, STEEL)
    for x in range(2, 14):
        c.put(x, 14, SLATE)
    c.rect(1, 4, 1, 13, SLATE)
    c.rect(14, 4, 14, 13, SLATE)
    for x in range(2, 14):
        c.put(x, 2, SLATE)
        c.put(x, 3, PALE)
        c.put(x, 5, SLATE)
    c.put(1, 3, SLATE)
    c.put(14, 3, SLATE)
    for y in (8, 11):
        for x in range(2, 14):
            c.put(x, y, SLATE)
    c.put(11, 6, (120, 220, 120, 255))
    return c


def in_use():
    # A no-entry badge in the lower right corner, laid over the store.
    c = Canvas(16)
    c.disc(11.5, 11.5, 4.5, RED)
    c.rect(9, 11, 14, 12, WHITE)
    return c


def chosen():
    # A badge with a check: chosen in the step before.
    c = Canvas(16)
    c.disc(11.5, 11.5, 4.5, ORANGE)
    c.line(9, 11, 11, 13, WHITE)
    c.line(11, 13, 14, 9, WHITE)
    return c


def associated():
    # Two links of a chain.
    c = Canvas(16)
    c.ring(5.5, 8, 4.5, 1.6, BLUE)
    c.ring(10.5, 8, 4.5, 1.6, LIGHT_BLUE)
    # The first link passes over the second at the top.
    for y in range(3, 7):
        for x in range(6, 11):
            d = math.hypot(x + 0.5 - 5.5, y + 0.5 - 8)
            if 2.9 <= d <= 4.5:
                c.put(x, y, BLUE)
    return c


def normal():
    return Canvas(16)


def associable():
    c = Canvas(16)
    c.disc(8, 8, 6.5, GREEN)
    c.rect(7, 4, 8, 11, WHITE)
    c.rect(4, 7, 11, 8, WHITE)
    return c


def other_kind():
    c = Canvas(16)
    c.ring(8, 8, 6.5, 1.8, GREY)
    c.line(4, 12, 12, 4, GREY, 2)
    return c


ICONS = {
    "application.ico": application,
    "store.ico": store,
    "store-in-use.ico": in_use,
    "store-chosen.ico": chosen,
    "mark-associated.ico": associated,
    "mark-normal.ico": normal,
    "mark-associable.ico": associable,
    "mark-other-kind.ico": other_kind,
}


def main():
    for name, draw in ICONS.items():
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(draw().ico())


if __name__ == "__main__":
    main()
