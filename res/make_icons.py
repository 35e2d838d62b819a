#!/usr/bin/env python3
"""Writes the program's two 32x32 16-colour icons (res/skelvane.ico and
res/skelvane_remove.ico). Run it from anywhere:
  python3 res/make_icons.py
The icons are drawn from the text pictures below, one character a pixel,
each character an index into the standard 16-colour palette."""
import os
import struct

# The standard 16-colour palette, as (blue, green, red, reserved) quads.
PALETTE = [
    (0x00, 0x00, 0x00), (0x00, 0x00, 0x80), (0x00, 0x80, 0x00), (0x00, 0x80, 0x80),
    (0x80, 0x00, 0x00), (0x80, 0x00, 0x80), (0x80, 0x80, 0x00), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0x00, 0x00, 0xFF), (0x00, 0xFF, 0x00), (0x00, 0xFF, 0xFF),
    (0xFF, 0x00, 0x00), (0xFF, 0x00, 0xFF), (0xFF, 0xFF, 0x00), (0xFF, 0xFF, 0xFF),
]  # (red, green, blue)


def tree(mark_colour):
    """A registry tree of folders, with a cross of the given colour over the last key."""
    rows = [["."] * 32 for _ in range(32)]

    def box(x0, y0, x1, y1, fill, edge="0"):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                on_edge = y in (y0, y1) or x in (x0, x1)
                rows[y][x] = edge if on_edge else fill

    box(2, 2, 13, 9, "e")          # root folder
    for y in range(10, 28):        # trunk
        rows[y][6] = "8"
    for y0 in (12, 20):            # branches and their keys
        for x in range(7, 12):
            rows[y0 + 2][x] = "8"
        box(12, y0, 23, y0 + 5, "e")
    box(12, 24, 23, 29, "7")       # the key to remove
    for i in range(10):            # cross over it
        rows[21 + i][16 + i] = mark_colour
        rows[30 - i][16 + i] = mark_colour
        if 17 + i < 32:
            rows[21 + i][17 + i] = mark_colour
            rows[30 - i][17 + i] = mark_colour
    return ["".join(r) for r in rows]


def ico(picture):
    """A one-image .ico file: 32x32, 4 bits a pixel, '.' transparent."""
    width = height = 32
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    xor, mask = b"", b""
    for row in reversed(picture):  # bottom row first
        nibbles = [0 if c == "." else int(c, 16) for c in row]
        xor += bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, width, 2))
        bits = "".join("1" if c == "." else "0" for c in row)
        mask += int(bits, 2).to_bytes(4, "big")
    image = header + palette + xor + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", width, height, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    for name, colour in (("skelvane.ico", "c"), ("skelvane_remove.ico", "4")):
        with open(os.path.join(here, name), "wb") as f:
            f.write(ico(tree(colour)))


if __name__ == "__main__":
    main()
