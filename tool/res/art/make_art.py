#!/usr/bin/env python3
"""Draws the window program's list icons and banner from the pixel pictures below and writes
them next to the resource script (tool/res): 16 x 16 icon files (a PNG image inside) and the
banner as a PNG file. Run it again after changing a picture; the build uses the files written."""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.dirname(HERE)

PALETTE = {
    '.': (0, 0, 0, 0),
    'k': (40, 40, 40, 255),      # outline
    'g': (128, 128, 128, 255),   # grey
    'l': (200, 200, 200, 255),   # light grey
    'w': (255, 255, 255, 255),
    'y': (246, 204, 86, 255),    # folder yellow
    'o': (205, 150, 40, 255),    # folder edge
    'b': (40, 90, 190, 255),     # blue
    'c': (120, 170, 235, 255),   # light blue
    'r': (210, 40, 40, 255),     # red
    'p': (250, 170, 170, 255),   # pink
    'G': (30, 150, 60, 255),     # green
    'L': (140, 210, 140, 255),   # light green
    's': (230, 190, 150, 255),   # skin
    'n': (250, 240, 140, 255),   # note yellow
    'm': (150, 100, 60, 255),    # brown
}

FOLDER = [
    "................",
    "................",
    ".oooo...........",
    "oyyyyo..........",
    "oyyyyyoooooooo..",
    "oyyyyyyyyyyyyyo.",
    "oyyyyyyyyyyyyyo.",
    "oyyyyyyyyyyyyyo.",
    "oyyyyyyyyyyyyyo.",
    "oyyyyyyyyyyyyyo.",
    "oyyyyyyyyyyyyyo.",
    "oyyyyyyyyyyyyyo.",
    "oyyyyyyyyyyyyyo.",
    ".ooooooooooooo..",
    "................",
    "................",
]


def overlay(base, top):
    return ["".join(t if t != '.' else b for b, t in zip(brow, trow)) for brow, trow in zip(base, top)]


ICONS = {
    130: overlay(FOLDER, [
        "................",
        "................",
        "................",
        "................",
        "................",
        "......kkk.......",
        ".....k...k......",
        "........k.......",
        ".......k........",
        ".......k........",
        "................",
        ".......k........",
        "................",
        "................",
        "................",
        "................",
    ]),
    131: overlay(FOLDER, [
        "................",
        "................",
        "................",
        "................",
        "................",
        "................",
        "....kkkkkkkkkk..",
        "....kwwwwwwwwk..",
        "....kkwwwwwwkk..",
        "....kwkwwwwkwk..",
        "....kwwkkkkwwk..",
        "....kwwwwwwwwk..",
        "....kkkkkkkkkk..",
        "................",
        "................",
        "................",
    ]),
    132: [
        "................",
        "..kkkkkkkkkkk...",
        "..kwwwwwwwwwk...",
        "..kwwwkkkwwwk...",
        "..kwwksssswwkk..",
        "..kwwksssswwk...",
        "..kwwwksskwwkk..",
        "..kwwwwsswwwk...",
        "..kwwbbbbbwwkk..",
        "..kwbbbbbbbwk...",
        "..kwbbbbbbbwkk..",
        "..kwwwwwwwwwk...",
        "..kwwgggggwwk...",
        "..kwwwwwwwwwk...",
        "..kkkkkkkkkkk...",
        "................",
    ],
    133: [
        "................",
        "................",
        "..kkkkkkkkkkkk..",
        "..knnnnnnnnnnk..",
        "..knggggggnnnk..",
        "..knnnnnnnnnnk..",
        "..knggggggggnk..",
        "..knnnnnnnnnnk..",
        "..knggggggggnk..",
        "..knnnnnnnnnnk..",
        "..knggggnnnnk...",
        "..knnnnnnnnk....",
        "..knnnnnnnk.....",
        "..kkkkkkkk......",
        "................",
        "................",
    ],
    134: [
        "................",
        ".....kkkkkk.....",
        "..kkkkggggkkkk..",
        "..kwwwwwwwwwwk..",
        "..kwwwwwwwwGwk..",
        "..kwGwwwwwGGwk..",
        "..kwGGwwwGGwwk..",
        "..kwwGGwGGwwwk..",
        "..kwwwGGGwwwwk..",
        "..kwwwwGwwwwwk..",
        "..kwwwwwwwwwwk..",
        "..kwggggggggwk..",
        "..kwwwwwwwwwwk..",
        "..kwggggggwwwk..",
        "..kkkkkkkkkkkk..",
        "................",
    ],
    135: [
        "................",
        "...k..k..k..k...",
        ".kkkkkkkkkkkkkk.",
        ".krrrrrrrrrrrrk.",
        ".krrrrrrrrrrrrk.",
        ".kkkkkkkkkkkkkk.",
        ".kwwlwwlwwlwwlk.",
        ".kllllllllllllk.",
        ".kwwlwwlwwlbblk.",
        ".kllllllllllllk.",
        ".kwwlbblwwlwwlk.",
        ".kllllllllllllk.",
        ".kwwlwwlwwlwwlk.",
        ".kkkkkkkkkkkkkk.",
        "................",
        "................",
    ],
    136: [
        "................",
        "...kkkkkkkkkk...",
        "..kmmmmmmmmmmk..",
        "..kmkmmmmmmmmk..",
        "..kmkmwwwwwwmk..",
        "..kmkmwggggwmk..",
        "..kmkmwwwwwwmk..",
        "..kmkmmmmmmmmk..",
        "..kmkmmmmmmmmk..",
        "..kmkmmmmmmmmk..",
        "..kmkmmmmmmmmk..",
        "..kmkmmmmmmmmk..",
        "..kmkkkkkkkkkk..",
        "..kmwwwwwwwwwk..",
        "...kkkkkkkkkkk..",
        "................",
    ],
    137: [
        "................",
        "................",
        "................",
        ".........k......",
        ".........bk.....",
        "..bbbbbbbbbk....",
        "..bbbbbbbbbbk...",
        ".........bbk....",
        "....kbb..bk.....",
        "...kbbbbbbbbbb..",
        "....kbbbbbbbbb..",
        ".....kb.........",
        "......k.........",
        "................",
        "................",
        "................",
    ],
    138: [
        "................",
        "................",
        ".....kkkkkk.....",
        "...kkllllllkk...",
        "..klllllllwllk..",
        "..kllllkllllwk..",
        ".kllllkllllllk..",
        ".kllllkllllllk..",
        ".kllllkkkkkllk..",
        ".klllllllllllk..",
        "..kllllllllllk..",
        "..klllllllllk...",
        "...kkllllllkk...",
        ".....kkkkkk.....",
        "................",
        "................",
    ],
    139: [
        "................",
        "................",
        ".....kkkkkk.....",
        "...kkbbbwwwkk...",
        "..kbbbbbwwwwwk..",
        "..kbbbbbwwwwwk..",
        ".kbbbbbbwwwwwwk.",
        ".kbbbbbbwwwwwwk.",
        ".kbbbbbbwwwwwwk.",
        ".kbbbbbbwwwwwwk.",
        "..kbbbbbwwwwwk..",
        "..kbbbbbwwwwwk..",
        "...kkbbbwwwkk...",
        ".....kkkkkk.....",
        "................",
        "................",
    ],
    140: [
        "................",
        "................",
        "..............G.",
        ".............GG.",
        "............GGG.",
        "...........GGG..",
        "..G.......GGG...",
        "..GG.....GGG....",
        "..GGG...GGG.....",
        "...GGG.GGG......",
        "....GGGGG.......",
        ".....GGG........",
        "......G.........",
        "................",
        "................",
        "................",
    ],
    141: [
        "................",
        "................",
        "................",
        ".....kk.........",
        ".....kbk........",
        ".....kbbk.......",
        ".kkkkkbcbk......",
        ".kcccccccbk.....",
        ".kbbbbbbbbbk....",
        ".kbbbbbbbbk.....",
        ".kkkkkbbbk......",
        ".....kbbk.......",
        ".....kbk........",
        ".....kk.........",
        "................",
        "................",
    ],
    145: ["................"] * 16,
    146: [
        "................",
        "................",
        "...rr......rr...",
        "..rrrr....rrrr..",
        "...rrrr..rrrr...",
        "....rrrrrrrr....",
        ".....rrrrrr.....",
        "......rrrr......",
        ".....rrrrrr.....",
        "....rrrrrrrr....",
        "...rrrr..rrrr...",
        "..rrrr....rrrr..",
        "...rr......rr...",
        "................",
        "................",
        "................",
    ],
}

NAMES = {
    130: "folder-unknown", 131: "folder-mail", 132: "folder-contact", 133: "folder-note",
    134: "folder-task", 135: "folder-appointment", 136: "folder-journal", 137: "link",
    138: "pending", 139: "second-pass", 140: "done", 141: "current", 145: "empty", 146: "failed",
}


def png(width, height, rgba):
    raw = b"".join(b"\x00" + bytes(rgba[y * width * 4:(y + 1) * width * 4]) for y in range(height))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def picture_pixels(rows):
    assert len(rows) == 16 and all(len(r) == 16 for r in rows), rows
    out = []
    for row in rows:
        for ch in row:
            out.extend(PALETTE[ch])
    return out


def ico(png_data, size=16):
    header = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(png_data), 6 + 16)
    return header + entry + png_data


# A 5 x 7 font for the banner's word.
FONT = {
    'O': ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    'R': ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    'V': ["10001", "10001", "10001", "10001", "10001", "01010", "00100"],
    'I': ["11111", "00100", "00100", "00100", "00100", "00100", "11111"],
    'N': ["10001", "11001", "10101", "10011", "10001", "10001", "10001"],
    'T': ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    'A': ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
}


def banner():
    width, height = 216, 44
    pixels = []
    for y in range(height):
        for x in range(width):
            t = x / (width - 1)
            # Navy to the view's light grey, left to right.
            r = int(0 + (245 - 0) * t)
            g = int(0 + (245 - 0) * t)
            b = int(128 + (245 - 128) * t)
            pixels.append([r, g, b, 255])
    scale = 3
    x0, y0 = 12, (height - 7 * scale) // 2
    for i, letter in enumerate("ORVINTA"):
        for gy, line in enumerate(FONT[letter]):
            for gx, bit in enumerate(line):
                if bit != '1':
                    continue
                for dy in range(scale):
                    for dx in range(scale):
                        x = x0 + i * 6 * scale + gx * scale + dx
                        y = y0 + gy * scale + dy
                        pixels[y * width + x] = [255, 255, 255, 255]
    # Two arrows, one each way: the run copies both ways.
    ax = 150
    for k in range(14):
        for y in (14, 15):
            pixels[y * width + ax + k] = [40, 90, 190, 255]
        for y in (28, 29):
            pixels[y * width + ax + k] = [40, 90, 190, 255]
    for k in range(5):
        for d in (-k, k):
            pixels[(14 + d) * width + ax + 14 - k] = [40, 90, 190, 255]
            pixels[(15 + d) * width + ax + 14 - k] = [40, 90, 190, 255]
            pixels[(28 + d) * width + ax + k] = [40, 90, 190, 255]
            pixels[(29 + d) * width + ax + k] = [40, 90, 190, 255]
    flat = [c for p in pixels for c in p]
    return png(width, height, flat)


def main():
    for ident, rows in ICONS.items():
        path = os.path.join(OUT, NAMES[ident] + ".ico")
        with open(path, "wb") as f:
            f.write(ico(png(16, 16, picture_pixels(rows))))
    with open(os.path.join(OUT, "banner.png"), "wb") as f:
        f.write(banner())


if __name__ == "__main__":
    main()
