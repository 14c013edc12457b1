#!/usr/bin/env python3
"""Draws the reminders window's pictures into reminder/addin/res: the add-in's icon (100), the
item type icons of the reminder list (257-261, 269-273), the two frames of the blinking tray
icon (277, 278), each an icon file of a 16 x 16 and a 32 x 32 image, and the window's two banner
bitmaps (265, 267) as PNG files. Shapes are drawn four times larger and averaged down, so edges
are smooth. Run it again after changing a drawing; the build uses the files written."""
import math
import os
import struct
import zlib

OUT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SS = 4  # supersampling factor


def rgba(hex_colour, alpha=255):
    return (int(hex_colour[0:2], 16), int(hex_colour[2:4], 16), int(hex_colour[4:6], 16), alpha)


class Picture:
    """A canvas in units of a `unit` x `unit` design grid, drawn at `width` x `height` pixels."""

    def __init__(self, width, height, unit=None):
        self.w, self.h = width, height
        self.unit = unit or width
        self.scale = width * SS / self.unit
        self.px = [[(0.0, 0.0, 0.0, 0.0)] * (width * SS) for _ in range(height * SS)]

    def _blend(self, x, y, colour):
        r, g, b, a = colour
        a /= 255.0
        pr, pg, pb, pa = self.px[y][x]
        out = a + pa * (1 - a)
        if out <= 0:
            return
        self.px[y][x] = ((r * a + pr * pa * (1 - a)) / out, (g * a + pg * pa * (1 - a)) / out,
                         (b * a + pb * pa * (1 - a)) / out, out)

    def fill(self, inside, colour, box=None):
        """Fills the samples whose centre (in design units) passes `inside`."""
        x0, y0, x1, y1 = box if box else (0, 0, self.unit, self.unit * self.h / self.w)
        s = self.scale
        for y in range(max(0, int(y0 * s) - 1), min(self.h * SS, int(y1 * s) + 2)):
            for x in range(max(0, int(x0 * s) - 1), min(self.w * SS, int(x1 * s) + 2)):
                if inside((x + 0.5) / s, (y + 0.5) / s):
                    self._blend(x, y, colour)

    def rect(self, x0, y0, x1, y1, colour, radius=0.0):
        def inside(x, y):
            if not (x0 <= x <= x1 and y0 <= y <= y1):
                return False
            cx = min(max(x, x0 + radius), x1 - radius)
            cy = min(max(y, y0 + radius), y1 - radius)
            return (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius + 1e-9
        self.fill(inside, colour, (x0, y0, x1, y1))

    def frame(self, x0, y0, x1, y1, width, colour, radius=0.0):
        def inside(x, y):
            def within(a0, b0, a1, b1, r):
                if not (a0 <= x <= a1 and b0 <= y <= b1):
                    return False
                cx = min(max(x, a0 + r), a1 - r)
                cy = min(max(y, b0 + r), b1 - r)
                return (x - cx) ** 2 + (y - cy) ** 2 <= r * r + 1e-9
            return within(x0, y0, x1, y1, radius) and not within(x0 + width, y0 + width, x1 - width, y1 - width,
                                                                   max(0.0, radius - width))
        self.fill(inside, colour, (x0, y0, x1, y1))

    def disc(self, cx, cy, r, colour):
        self.fill(lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r, colour, (cx - r, cy - r, cx + r, cy + r))

    def ring(self, cx, cy, r, width, colour):
        self.fill(lambda x, y: (r - width) ** 2 <= (x - cx) ** 2 + (y - cy) ** 2 <= r * r, colour,
                  (cx - r, cy - r, cx + r, cy + r))

    def polygon(self, points, colour):
        xs = [p[0] for p in points]
        ys = [p[1] for p in points]

        def inside(x, y):
            result = False
            j = len(points) - 1
            for i in range(len(points)):
                xi, yi = points[i]
                xj, yj = points[j]
                if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                    result = not result
                j = i
            return result
        self.fill(inside, colour, (min(xs), min(ys), max(xs), max(ys)))

    def line(self, x0, y0, x1, y1, width, colour):
        dx, dy = x1 - x0, y1 - y0
        length2 = dx * dx + dy * dy or 1e-9

        def inside(x, y):
            t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / length2))
            px, py = x0 + t * dx, y0 + t * dy
            return (x - px) ** 2 + (y - py) ** 2 <= (width / 2) ** 2
        pad = width
        self.fill(inside, colour, (min(x0, x1) - pad, min(y0, y1) - pad, max(x0, x1) + pad, max(y0, y1) + pad))

    def pixels(self):
        rows = []
        for y in range(self.h):
            row = []
            for x in range(self.w):
                r = g = b = a = 0.0
                for sy in range(SS):
                    for sx in range(SS):
                        pr, pg, pb, pa = self.px[y * SS + sy][x * SS + sx]
                        r += pr * pa
                        g += pg * pa
                        b += pb * pa
                        a += pa
                n = SS * SS
                if a > 0:
                    row.append((round(r / a), round(g / a), round(b / a), round(a / n * 255)))
                else:
                    row.append((0, 0, 0, 0))
            rows.append(row)
        return rows


def png(rows):
    height, width = len(rows), len(rows[0])
    raw = b"".join(b"\x00" + b"".join(bytes(c) for c in row) for row in rows)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def ico(images):
    """An icon file of PNG images, each (size, png bytes)."""
    head = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries, data = b"", b""
    for size, image in images:
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
        data += image
    return head + entries + data


# Drawings on a 32 x 32 design grid.
INK = rgba("2B3A55")
PAPER = rgba("FDFDFB")
SHADOW = rgba("000000", 60)


def bell(p, body, rim, clapper, x=0.0, y=0.0, s=1.0):
    def P(a, b):
        return (x + a * s, y + b * s)
    p.polygon([P(16, 4), P(21, 6.5), P(23, 12), P(23.5, 19), P(27, 23.5), P(5, 23.5), P(8.5, 19), P(9, 12),
               P(11, 6.5)], body)
    p.rect(x + 4 * s, y + 22.5 * s, x + 28 * s, y + 25.5 * s, rim, 1.5 * s)
    p.disc(x + 16 * s, y + 27.5 * s, 2.6 * s, clapper)
    p.disc(x + 16 * s, y + 3.5 * s, 1.8 * s, rim)


def addin_icon(p):
    p.rect(1, 1, 31, 31, rgba("2F6FB3"), 6)
    p.rect(1, 1, 31, 16, rgba("3C82CC"), 6)
    p.rect(1, 10, 31, 16, rgba("3C82CC"))
    bell(p, rgba("F6C343"), rgba("D99A1E"), rgba("FFF4D0"), 2.5, 1.5, 0.85)


def envelope(p, colour=PAPER, open_flap=False):
    p.rect(2, 8, 30, 26, colour, 1.5)
    p.frame(2, 8, 30, 26, 1.4, INK, 1.5)
    if open_flap:
        p.polygon([(2.5, 8.5), (16, 1.5), (29.5, 8.5)], rgba("E9EEF5"))
        p.line(2.5, 8.5, 16, 1.5, 1.4, INK)
        p.line(16, 1.5, 29.5, 8.5, 1.4, INK)
        p.line(3, 9, 16, 18, 1.4, INK)
        p.line(16, 18, 29, 9, 1.4, INK)
    else:
        p.line(3, 9, 16, 18.5, 1.4, INK)
        p.line(16, 18.5, 29, 9, 1.4, INK)


def badge(p, kind):
    if kind == "ok":
        p.disc(24, 24, 7, rgba("2E9B4E"))
        p.line(20.5, 24, 23.2, 27, 2.2, PAPER)
        p.line(23.2, 27, 28, 21, 2.2, PAPER)
    else:
        p.disc(24, 24, 7, rgba("C8372D"))
        p.line(21, 21, 27, 27, 2.2, PAPER)
        p.line(27, 21, 21, 27, 2.2, PAPER)


def appointment(p):
    p.rect(3, 4, 29, 29, PAPER, 2.5)
    p.rect(3, 4, 29, 11, rgba("D0453B"), 2.5)
    p.rect(3, 8, 29, 11, rgba("D0453B"))
    p.frame(3, 4, 29, 29, 1.4, INK, 2.5)
    p.rect(8, 1.5, 10.5, 7, INK, 1)
    p.rect(21.5, 1.5, 24, 7, INK, 1)
    for row in range(3):
        for col in range(4):
            colour = rgba("D0453B") if (row, col) == (1, 2) else rgba("9AA6B8")
            p.rect(6.5 + col * 5, 14 + row * 4.5, 9.5 + col * 5, 16.5 + row * 4.5, colour, 0.5)


def person(p, cx, cy, s, colour):
    p.disc(cx, cy - 5 * s, 4.2 * s, colour)
    p.fill(lambda x, y: ((x - cx) / (8 * s)) ** 2 + ((y - (cy + 8 * s)) / (7.5 * s)) ** 2 <= 1 and y <= cy + 7 * s,
           colour, (cx - 8 * s, cy, cx + 8 * s, cy + 8 * s))


def contact(p):
    p.rect(3, 3, 29, 29, rgba("EAF1FA"), 3)
    p.frame(3, 3, 29, 29, 1.4, INK, 3)
    person(p, 16, 16, 1.1, rgba("3C82CC"))


def distlist(p):
    p.rect(2, 3, 30, 29, rgba("EAF1FA"), 3)
    p.frame(2, 3, 30, 29, 1.4, INK, 3)
    person(p, 11.5, 16, 0.9, rgba("7C9CC4"))
    person(p, 20.5, 17, 1.0, rgba("2F6FB3"))


def task(p):
    p.rect(5, 4, 27, 30, PAPER, 2)
    p.frame(5, 4, 27, 30, 1.4, INK, 2)
    p.rect(11, 2, 21, 7, rgba("9AA6B8"), 1.5)
    p.line(9, 17, 14, 22.5, 3, rgba("2E9B4E"))
    p.line(14, 22.5, 23.5, 11, 3, rgba("2E9B4E"))


def document(p):
    p.polygon([(6, 2), (20, 2), (27, 9), (27, 30), (6, 30)], PAPER)
    p.polygon([(20, 2), (27, 9), (20, 9)], rgba("D5DCE6"))
    p.line(6, 2, 20, 2, 1.4, INK)
    p.line(20, 2, 27, 9, 1.4, INK)
    p.line(27, 9, 27, 30, 1.4, INK)
    p.line(27, 30, 6, 30, 1.4, INK)
    p.line(6, 30, 6, 2, 1.4, INK)
    for i in range(4):
        p.line(10, 14 + i * 4, 23, 14 + i * 4, 1.4, rgba("9AA6B8"))


def note(p):
    envelope(p, rgba("F4F7FB"))


def report_delivered(p):
    envelope(p)
    badge(p, "ok")


def report_failed(p):
    envelope(p)
    badge(p, "fail")


def receipt_read(p):
    envelope(p, open_flap=True)
    badge(p, "ok")


def receipt_unread(p):
    envelope(p, open_flap=True)
    badge(p, "fail")


def tray_calm(p):
    bell(p, rgba("F6C343"), rgba("B97C12"), rgba("8A5A0A"))


def tray_ringing(p):
    p.disc(16, 16, 15.5, rgba("E2574C", 170))
    bell(p, rgba("FFE27A"), rgba("D99A1E"), rgba("8A5A0A"))
    p.line(2.5, 8, 5, 13, 1.8, PAPER)
    p.line(29.5, 8, 27, 13, 1.8, PAPER)


ICONS = {
    "addin.ico": addin_icon,
    "appointment.ico": appointment,
    "contact.ico": contact,
    "distlist.ico": distlist,
    "note.ico": note,
    "task.ico": task,
    "other.ico": document,
    "report-delivered.ico": report_delivered,
    "report-failed.ico": report_failed,
    "receipt-read.ico": receipt_read,
    "receipt-unread.ico": receipt_unread,
    "tray.ico": tray_calm,
    "tray-ringing.ico": tray_ringing,
}


def banner_bell():
    """265: a bell before a clock face, 48 x 48."""
    p = Picture(48, 48, 32)
    p.disc(16, 16, 15.5, rgba("2F6FB3"))
    p.disc(16, 16, 13.5, rgba("EAF1FA"))
    for i in range(12):
        a = i * math.pi / 6
        p.line(16 + 11 * math.sin(a), 16 - 11 * math.cos(a), 16 + 12.5 * math.sin(a), 16 - 12.5 * math.cos(a), 1.0,
               INK)
    p.line(16, 16, 16, 7.5, 1.6, INK)
    p.line(16, 16, 22, 19, 1.6, INK)
    bell(p, rgba("F6C343"), rgba("D99A1E"), rgba("8A5A0A"), 13, 13, 0.55)
    return p.pixels()


def banner_strip():
    """267: a band of soft waves in the add-in's blues, 160 x 48."""
    p = Picture(160, 48, 160)
    top, bottom = (0x2F, 0x6F, 0xB3), (0x8F, 0xB9, 0xE6)
    for y in range(48):
        t = y / 47
        colour = tuple(round(top[i] + (bottom[i] - top[i]) * t) for i in range(3)) + (255,)
        p.rect(0, y, 160, y + 1, colour)
    for k, alpha in ((0, 70), (1, 50), (2, 35)):
        p.fill(lambda x, y, k=k: y >= 30 + 6 * k + 5 * math.sin(x / 14 + k * 1.3), rgba("FFFFFF", alpha),
               (0, 20, 160, 48))
    for i, (cx, cy, r) in enumerate(((128, 14, 5), (143, 24, 3), (112, 26, 2.5))):
        p.disc(cx, cy, r, rgba("F6C343", 220 - 40 * i))
    return p.pixels()


def main():
    for name, draw in ICONS.items():
        images = []
        for size in (16, 32):
            p = Picture(size, size, 32)
            draw(p)
            images.append((size, png(p.pixels())))
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(ico(images))
    with open(os.path.join(OUT, "banner-bell.png"), "wb") as f:
        f.write(png(banner_bell()))
    with open(os.path.join(OUT, "banner-strip.png"), "wb") as f:
        f.write(png(banner_strip()))


if __name__ == "__main__":
    main()
