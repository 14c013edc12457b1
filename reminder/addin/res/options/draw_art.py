#!/usr/bin/env python3
"""Draws the images of the add-in's options page and its dialogs into this folder: the folder
tree's icons (215 to 243) and check states (201), the Play and Open buttons' image strips (247,
248), the product picture (266) and the add-in's icon (100). Icons are .ico files holding PNG
images; bitmaps are PNG files whose magenta pixels are transparent where the code says so. Run
it again after changing a drawing; the build uses the files written."""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

MAGENTA = (255, 0, 255, 255)
CLEAR = (0, 0, 0, 0)
INK = (45, 45, 55, 255)
WHITE = (255, 255, 255, 255)
PAPER = (250, 250, 245, 255)
GREY = (150, 150, 150, 255)
LIGHT = (215, 215, 215, 255)
YELLOW = (244, 200, 80, 255)
AMBER = (200, 140, 30, 255)
BLUE = (45, 100, 200, 255)
SKY = (140, 185, 240, 255)
RED = (205, 45, 45, 255)
PINK = (245, 170, 170, 255)
GREEN = (40, 155, 70, 255)
MINT = (150, 215, 160, 255)
BROWN = (140, 95, 55, 255)
ORANGE = (240, 140, 40, 255)
PURPLE = (120, 70, 170, 255)


class Image:
    def __init__(self, width, height, fill=CLEAR):
        self.width = width
        self.height = height
        self.px = [[fill] * width for _ in range(height)]

    def dot(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.px[y][x] = colour

    def fill(self, x0, y0, x1, y1, colour):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.dot(x, y, colour)

    def box(self, x0, y0, x1, y1, edge, inside=None):
        if inside is not None:
            self.fill(x0, y0, x1, y1, inside)
        for x in range(x0, x1 + 1):
            self.dot(x, y0, edge)
            self.dot(x, y1, edge)
        for y in range(y0, y1 + 1):
            self.dot(x0, y, edge)
            self.dot(x1, y, edge)

    def line(self, x0, y0, x1, y1, colour):
        steps = max(abs(x1 - x0), abs(y1 - y0))
        for i in range(steps + 1):
            t = i / steps if steps else 0
            self.dot(round(x0 + (x1 - x0) * t), round(y0 + (y1 - y0) * t), colour)

    def disc(self, cx, cy, r, colour):
        for y in range(self.height):
            for x in range(self.width):
                if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= r * r:
                    self.dot(x, y, colour)

    def paste(self, other, ox, oy):
        for y in range(other.height):
            for x in range(other.width):
                c = other.px[y][x]
                if c[3]:
                    self.dot(ox + x, oy + y, c)

    def scaled(self, factor):
        out = Image(self.width * factor, self.height * factor)
        for y in range(out.height):
            for x in range(out.width):
                out.px[y][x] = self.px[y // factor][x // factor]
        return out

    def png(self, alpha=True):
        channels = 4 if alpha else 3
        raw = b"".join(b"\x00" + b"".join(bytes(c[:channels]) for c in row) for row in self.px)

        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

        header = struct.pack(">IIBBBBB", self.width, self.height, 8, 6 if alpha else 2, 0, 0, 0)
        return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) +
                chunk(b"IEND", b""))


def write_icon(name, images):
    """An icon file of PNG images (one per size)."""
    pngs = [img.png() for img in images]
    head = struct.pack("<HHH", 0, 1, len(pngs))
    offset = 6 + 16 * len(pngs)
    entries = b""
    for img, data in zip(images, pngs):
        entries += struct.pack("<BBBBHHII", img.width % 256, img.height % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(head + entries + b"".join(pngs))


def write_bitmap(name, image):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(image.png(alpha=False))


# --- 16 x 16 pictures ----------------------------------------------------------------------

def folder(colour=YELLOW, edge=AMBER):
    img = Image(16, 16)
    img.fill(1, 3, 5, 4, colour)
    img.line(1, 3, 5, 3, edge)
    img.box(0, 4, 14, 13, edge, colour)
    img.line(1, 5, 13, 5, (255, 230, 150, 255))
    return img


def store(body, light):
    img = Image(16, 16)
    img.box(1, 3, 14, 12, INK, body)
    img.fill(2, 4, 13, 5, light)
    img.line(2, 9, 13, 9, INK)
    img.fill(10, 10, 12, 11, GREEN)
    img.box(3, 13, 12, 14, INK, GREY)
    return img


def envelope(img, x, y, colour=WHITE):
    img.box(x, y, x + 8, y + 5, INK, colour)
    img.line(x, y, x + 4, y + 3, INK)
    img.line(x + 8, y, x + 4, y + 3, INK)


def symbol_folder(draw):
    img = folder()
    draw(img)
    return img


def calendar(img):
    img.box(6, 6, 14, 14, INK, WHITE)
    img.fill(7, 7, 13, 8, RED)
    for x in (8, 10, 12):
        for y in (10, 12):
            img.dot(x, y, INK)


def person(img):
    img.disc(10.5, 8.5, 2.2, (230, 190, 150, 255))
    img.fill(7, 11, 13, 14, BLUE)
    img.box(6, 5, 14, 14, INK)


def book(img):
    img.box(7, 6, 14, 14, INK, PURPLE)
    img.line(8, 6, 8, 14, WHITE)
    img.fill(10, 8, 13, 9, WHITE)


def note(img):
    img.box(7, 6, 14, 14, INK, (250, 240, 140, 255))
    img.line(8, 8, 13, 8, AMBER)
    img.line(8, 10, 13, 10, AMBER)
    img.line(8, 12, 11, 12, AMBER)


def tick(img):
    img.box(6, 6, 14, 14, INK, WHITE)
    img.line(8, 10, 9, 12, GREEN)
    img.line(9, 12, 13, 7, GREEN)


def pencil(img):
    img.line(7, 14, 14, 7, BROWN)
    img.line(8, 14, 14, 8, ORANGE)
    img.dot(7, 14, INK)


def arrow_out(img):
    envelope(img, 3, 7)
    img.line(10, 10, 14, 10, GREEN)
    img.line(12, 8, 14, 10, GREEN)
    img.line(12, 12, 14, 10, GREEN)


def arrow_in(img):
    envelope(img, 6, 8)
    img.line(2, 10, 6, 10, BLUE)
    img.line(4, 8, 6, 10, BLUE)
    img.line(4, 12, 6, 10, BLUE)


def warning(img):
    img.line(10, 5, 6, 14, RED)
    img.line(10, 5, 14, 14, RED)
    img.line(6, 14, 14, 14, RED)
    img.fill(9, 8, 11, 13, (250, 220, 60, 255))
    img.line(10, 8, 10, 11, INK)
    img.dot(10, 13, INK)


def cross(img):
    img.disc(10.5, 10.5, 4.5, RED)
    img.line(8, 8, 13, 13, WHITE)
    img.line(13, 8, 8, 13, WHITE)


def rss(img):
    img.box(6, 6, 14, 14, ORANGE, ORANGE)
    img.dot(8, 12, WHITE)
    img.line(8, 9, 11, 12, WHITE)
    img.line(8, 7, 13, 12, WHITE)


def bin_icon(full):
    img = Image(16, 16)
    img.box(3, 5, 12, 14, INK, LIGHT)
    img.line(2, 4, 13, 4, INK)
    img.fill(6, 2, 9, 3, GREY)
    for x in (5, 8, 11):
        img.line(x, 6, x, 13, GREY)
    if full:
        img.fill(4, 2, 7, 4, WHITE)
        img.box(4, 1, 8, 4, INK)
    return img


def sent(img):
    envelope(img, 5, 7)
    img.line(2, 4, 5, 7, BLUE)


def search(img):
    img.disc(9.5, 9.5, 3.2, SKY)
    img.box(7, 7, 12, 12, INK)
    img.line(12, 12, 14, 14, INK)


def sync(img):
    img.line(7, 8, 13, 8, BLUE)
    img.line(11, 6, 13, 8, BLUE)
    img.line(7, 12, 13, 12, GREEN)
    img.line(7, 12, 9, 14, GREEN)


def globe(img):
    img.disc(10.5, 10.5, 4.5, SKY)
    img.line(6, 10, 15, 10, BLUE)
    img.line(10, 6, 10, 15, BLUE)


FOLDER_ICONS = {
    240: store((190, 190, 200, 255), (230, 230, 240, 255)),   # a store
    236: store(SKY, (215, 235, 255, 255)),                     # a public-folder store
    241: store(YELLOW, (255, 235, 170, 255)),                  # the default store
    216: folder(),                                             # a folder
    227: symbol_folder(arrow_out),                             # outbox
    228: symbol_folder(lambda i: (arrow_out(i), i.dot(14, 4, RED))),  # outbox holding mail
    238: bin_icon(False),                                      # deleted items
    239: bin_icon(True),                                       # deleted items holding items
    232: symbol_folder(sent),                                  # sent items
    243: symbol_folder(arrow_in),                              # inbox
    217: symbol_folder(calendar),                              # calendar
    218: symbol_folder(person),                                # contacts
    221: symbol_folder(book),                                  # journal
    222: symbol_folder(lambda i: (book(i), pencil(i))),        # journal being written
    233: symbol_folder(note),                                  # notes
    234: symbol_folder(lambda i: (note(i), pencil(i))),        # notes being written
    237: symbol_folder(tick),                                  # tasks
    219: symbol_folder(pencil),                                # drafts
    220: symbol_folder(lambda i: (envelope(i, 5, 8), pencil(i))),  # draft mail
    235: symbol_folder(warning),                               # conflicts
    230: symbol_folder(cross),                                 # failures
    223: symbol_folder(lambda i: (envelope(i, 5, 8, PINK), i.line(5, 8, 13, 13, RED))),  # junk
    215: symbol_folder(search),                                # search folder
    231: symbol_folder(sync),                                  # synchronisation
    229: symbol_folder(rss),                                   # RSS feeds
    224: symbol_folder(globe),                                 # public folder
}


def bell(size):
    img = Image(16, 16)
    img.disc(8, 7.5, 4.6, YELLOW)
    img.fill(3, 8, 12, 11, YELLOW)
    img.line(2, 12, 13, 12, AMBER)
    img.line(3, 11, 12, 11, AMBER)
    img.fill(7, 1, 8, 2, AMBER)
    img.disc(8, 13.8, 1.6, BROWN)
    img.line(5, 5, 5, 9, (255, 240, 190, 255))
    for x, y in ((1, 3), (0, 6), (14, 3), (15, 6)):
        img.dot(x, y, BLUE)
    return img if size == 16 else img.scaled(size // 16)


def check_states():
    """Five 16 x 16 state images on magenta: none, grey, white, green and red boxes."""
    img = Image(80, 16, MAGENTA)
    colours = [None, (LIGHT, GREY), (WHITE, INK), (GREEN, INK), (RED, INK)]
    for i, pair in enumerate(colours):
        if pair is None:
            continue
        inside, edge = pair
        ox = i * 16
        img.box(ox + 2, 2, ox + 13, 13, edge, inside)
        if i >= 3:
            img.line(ox + 4, 8, ox + 6, 11, WHITE)
            img.line(ox + 6, 11, ox + 11, 4, WHITE)
            img.line(ox + 5, 8, ox + 7, 11, WHITE)
    return img


def play_strip():
    img = Image(32, 16, MAGENTA)
    for i, (colour, edge) in enumerate(((GREEN, (20, 100, 40, 255)), (LIGHT, GREY))):
        ox = i * 16
        for y in range(3, 14):
            reach = 5 - abs(y - 8)
            img.line(ox + 4, y, ox + 4 + 2 * reach, y, colour)
            img.dot(ox + 4 + 2 * reach, y, edge)
        img.line(ox + 4, 3, ox + 4, 13, edge)
    return img


def open_strip():
    img = Image(32, 16, MAGENTA)
    for i, (colour, edge) in enumerate(((YELLOW, AMBER), (LIGHT, GREY))):
        ox = i * 16
        img.box(ox + 1, 4, ox + 12, 13, edge, colour)
        img.fill(ox + 1, 2, ox + 5, 3, colour)
        img.line(ox + 1, 2, ox + 5, 2, edge)
        for y in range(7, 14):
            img.line(ox + 3 + (13 - y) // 2, y, ox + 14 - (13 - y) // 3, y, colour)
        img.line(ox + 3, 13, ox + 6, 7, edge)
        img.line(ox + 6, 7, ox + 15, 7, edge)
        img.line(ox + 15, 7, ox + 12, 13, edge)
    return img


LETTERS = {
    'L': ["1000", "1000", "1000", "1000", "1000", "1000", "1111"],
    'U': ["1001", "1001", "1001", "1001", "1001", "1001", "0110"],
    'M': ["10001", "11011", "10101", "10101", "10001", "10001", "10001"],
    'I': ["111", "010", "010", "010", "010", "010", "111"],
    'V': ["10001", "10001", "10001", "10001", "01010", "01010", "00100"],
    'A': ["0110", "1001", "1001", "1111", "1001", "1001", "1001"],
    'N': ["1001", "1101", "1101", "1011", "1011", "1001", "1001"],
    'E': ["1111", "1000", "1000", "1110", "1000", "1000", "1111"],
}


def product_picture():
    """The page's product picture: the bell and the product's name on a soft band."""
    width, height = 150, 34
    img = Image(width, height)
    for y in range(height):
        for x in range(width):
            t = x / (width - 1)
            img.px[y][x] = (int(225 - 60 * t), int(235 - 40 * t), 250, 255)
    img.paste(bell(32), 2, 1)
    x = 42
    for letter in "LUMIVANE":
        glyph = LETTERS[letter]
        for gy, row in enumerate(glyph):
            for gx, bit in enumerate(row):
                if bit == "1":
                    img.fill(x + 2 * gx, 10 + 2 * gy, x + 2 * gx + 1, 10 + 2 * gy + 1, (30, 50, 110, 255))
        x += 2 * len(glyph[0]) + 3
    return img


def main():
    for number, image in FOLDER_ICONS.items():
        write_icon("folder-%d.ico" % number, [image])
    write_bitmap("tree-states.png", check_states())
    write_bitmap("play.png", play_strip())
    write_bitmap("open.png", open_strip())
    write_bitmap("product.png", product_picture())


if __name__ == "__main__":
    main()
