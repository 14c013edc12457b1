#!/usr/bin/env python3
"""Draws the pictures of the main frame, the tray and the conflicts dialog into tool/res: the tray
icons (163 idle, 165 while a run is active), the conflict list's icon of a conflict that has
nothing to resolve (160), the dialog's two mode icons (166 deletions, 169 changes; 32 x 32), the
conflict list's tick boxes (bitmap 143: eight 13 x 13 images in a row, four for conflict rows and
four for folder headers) and the toolbar's four buttons (bitmap 128: 16 x 17 each). Run it again
after changing a drawing; the build uses the files written."""
import math
import os
import struct
import zlib

OUT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

CLEAR = (0, 0, 0, 0)
WHITE = (255, 255, 255, 255)
OUTLINE = (40, 40, 40, 255)
GREY = (128, 128, 128, 255)
LIGHT = (205, 205, 205, 255)
BLUE = (40, 90, 190, 255)
SKY = (120, 170, 235, 255)
GREEN = (30, 150, 60, 255)
ORANGE = (235, 140, 20, 255)
RED = (205, 35, 35, 255)
PAPER = (250, 250, 244, 255)
YELLOW = (246, 204, 86, 255)
HEADER = (155, 190, 219, 255)  # the list's header rows


class Canvas:
    def __init__(self, width, height=None):
        self.width = width
        self.height = height or width
        self.px = [[CLEAR] * self.width for _ in range(self.height)]

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.px[y][x] = colour

    def rect(self, x0, y0, x1, y1, colour):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.put(x, y, colour)

    def frame(self, x0, y0, x1, y1, colour):
        for x in range(x0, x1 + 1):
            self.put(x, y0, colour)
            self.put(x, y1, colour)
        for y in range(y0, y1 + 1):
            self.put(x0, y, colour)
            self.put(x1, y, colour)

    def disc(self, cx, cy, r, colour):
        for y in range(self.height):
            for x in range(self.width):
                if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= r * r:
                    self.put(x, y, colour)

    def ring(self, cx, cy, r, width, colour, start=0.0, end=360.0):
        for y in range(self.height):
            for x in range(self.width):
                dx, dy = x + 0.5 - cx, y + 0.5 - cy
                d = math.hypot(dx, dy)
                angle = math.degrees(math.atan2(-dy, dx)) % 360
                inside = start <= angle <= end if start <= end else (angle >= start or angle <= end)
                if r - width <= d <= r and inside:
                    self.put(x, y, colour)

    def line(self, x0, y0, x1, y1, colour, width=1):
        steps = int(max(abs(x1 - x0), abs(y1 - y0)) * 4) + 1
        for i in range(steps + 1):
            t = i / steps
            x = x0 + (x1 - x0) * t
            y = y0 + (y1 - y0) * t
            for dx in range(width):
                for dy in range(width):
                    self.put(int(round(x)) + dx, int(round(y)) + dy, colour)

    def triangle(self, points, colour):
        (ax, ay), (bx, by), (cx, cy) = points
        for y in range(self.height):
            for x in range(self.width):
                px, py = x + 0.5, y + 0.5
                d1 = (px - bx) * (ay - by) - (ax - bx) * (py - by)
                d2 = (px - cx) * (by - cy) - (bx - cx) * (py - cy)
                d3 = (px - ax) * (cy - ay) - (cx - ax) * (py - ay)
                neg = d1 < 0 or d2 < 0 or d3 < 0
                pos = d1 > 0 or d2 > 0 or d3 > 0
                if not (neg and pos):
                    self.put(x, y, colour)

    def blit(self, other, left, top):
        for y in range(other.height):
            for x in range(other.width):
                if other.px[y][x][3]:
                    self.put(left + x, top + y, other.px[y][x])

    def rgba(self):
        return [c for row in self.px for p in row for c in p]


def png(canvas):
    width, height, data = canvas.width, canvas.height, canvas.rgba()
    raw = b"".join(b"\x00" + bytes(data[y * width * 4:(y + 1) * width * 4]) for y in range(height))

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def ico(canvas):
    data = png(canvas)
    size = canvas.width if canvas.width < 256 else 0
    header = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), 6 + 16)
    return header + entry + data


def arrows(c, colour, accent):
    """Two arrows chasing each other round a circle: the run copies both ways."""
    c.ring(8, 8, 6.6, 2.2, colour, 20, 160)
    c.ring(8, 8, 6.6, 2.2, accent, 200, 340)
    c.triangle([(1.0, 6.0), (6.5, 6.0), (3.7, 9.5)], colour)
    c.triangle([(15.0, 10.0), (9.5, 10.0), (12.3, 6.5)], accent)


def tray_idle():
    c = Canvas(16)
    c.disc(8, 8, 7.9, WHITE)
    arrows(c, BLUE, SKY)
    return c


def tray_running():
    c = Canvas(16)
    c.disc(8, 8, 7.9, (255, 244, 214, 255))
    arrows(c, GREEN, ORANGE)
    c.disc(8, 8, 1.6, ORANGE)
    return c


def nothing_to_resolve():
    c = Canvas(16)
    c.disc(8, 8, 6.5, GREY)
    c.disc(8, 8, 5.2, LIGHT)
    c.rect(4, 7, 11, 8, GREY)
    return c


def document(c, left, top, width, height):
    c.rect(left, top, left + width, top + height, PAPER)
    c.frame(left, top, left + width, top + height, OUTLINE)
    for row in range(top + 4, top + height - 2, 3):
        c.rect(left + 3, row, left + width - 3, row, GREY)


def deletions():
    c = Canvas(32)
    document(c, 5, 3, 18, 24)
    c.line(15, 15, 27, 27, RED, 3)
    c.line(27, 15, 15, 27, RED, 3)
    return c


def changes():
    c = Canvas(32)
    document(c, 3, 2, 15, 20)
    document(c, 13, 9, 15, 20)
    c.disc(24, 24, 7, ORANGE)
    c.rect(23, 19, 24, 25, WHITE)
    c.rect(23, 27, 24, 28, WHITE)
    return c


def tick_box(state, header):
    """0 no tick, 1 ticked, 2 partly ticked, 3 nothing to resolve; header boxes are drawn on the
    header rows' colour with a bolder frame."""
    c = Canvas(13)
    face = LIGHT if state == 3 else WHITE
    edge = GREY if state == 3 else (BLUE if header else OUTLINE)
    c.rect(1, 1, 11, 11, face)
    c.frame(1, 1, 11, 11, edge)
    if header:
        c.frame(0, 0, 12, 12, edge if state != 3 else LIGHT)
    if state == 1:
        c.line(3, 6, 5, 8, OUTLINE, 2)
        c.line(5, 8, 9, 3, OUTLINE, 2)
    elif state == 2:
        c.rect(4, 4, 8, 8, GREY if not header else SKY)
    elif state == 3:
        c.rect(4, 6, 8, 6, GREY)
    return c


def state_images():
    strip = Canvas(13 * 8, 13)
    for i in range(8):
        strip.blit(tick_box(i % 4, i >= 4), 13 * i, 0)
    return strip


def tool_create():
    c = Canvas(16, 17)
    document(c, 2, 3, 10, 13)
    c.line(12, 1, 12, 7, ORANGE)
    c.line(9, 4, 15, 4, ORANGE)
    c.line(10, 2, 14, 6, ORANGE)
    c.line(14, 2, 10, 6, ORANGE)
    return c


def tool_edit():
    c = Canvas(16, 17)
    document(c, 1, 2, 10, 13)
    c.line(13, 3, 5, 11, YELLOW, 2)
    c.line(14, 4, 6, 12, (205, 150, 40, 255))
    c.put(4, 13, OUTLINE)
    c.put(5, 12, OUTLINE)
    return c


def tool_rename():
    c = Canvas(16, 17)
    c.rect(1, 5, 14, 11, WHITE)
    c.frame(1, 5, 14, 11, OUTLINE)
    c.rect(3, 7, 8, 9, BLUE)
    c.line(11, 3, 11, 13, OUTLINE)
    c.line(10, 3, 12, 3, OUTLINE)
    c.line(10, 13, 12, 13, OUTLINE)
    return c


def tool_delete():
    c = Canvas(16, 17)
    c.line(3, 3, 12, 12, RED, 3)
    c.line(12, 3, 3, 12, RED, 3)
    return c


def toolbar():
    strip = Canvas(16 * 4, 17)
    for i, draw in enumerate([tool_create, tool_edit, tool_rename, tool_delete]):
        strip.blit(draw(), 16 * i, 0)
    return strip


def main():
    icons = {"tray-idle.ico": tray_idle(), "tray-running.ico": tray_running(),
             "nothing-to-resolve.ico": nothing_to_resolve(), "conflict-deletions.ico": deletions(),
             "conflict-changes.ico": changes()}
    for name, canvas in icons.items():
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(ico(canvas))
    with open(os.path.join(OUT, "tick-boxes.png"), "wb") as f:
        f.write(png(state_images()))
    with open(os.path.join(OUT, "toolbar.png"), "wb") as f:
        f.write(png(toolbar()))


if __name__ == "__main__":
    main()
