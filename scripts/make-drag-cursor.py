#!/usr/bin/env python3
"""Writes launcher/drag.cur, the cursor shown while an item is dragged in the panel.

A 32x32 monochrome cursor, hot spot (16, 8) at the arrow's tip, with a small
dotted rectangle below and to the right of the arrow (the item being carried).
The picture is drawn from the text rows below, so the file is the same on every
run:  'X' black, 'o' white, '.' transparent.

    python3 scripts/make-drag-cursor.py [output]
"""
import os
import struct
import sys

SIZE = 32
HOT_SPOT = (16, 8)

# The arrow, its tip in the top-left corner of the rows.
ARROW = [
    "X",
    "XX",
    "XoX",
    "XooX",
    "XoooX",
    "XooooX",
    "XoooooX",
    "XooooooX",
    "XoooooooX",
    "XooooXXXXX",
    "XooXoX",
    "XoX XoX",
    "XX  XoX",
    "X    XoX",
    "     XX",
]

# The dotted rectangle: corners and length, black and white dots in turn so it
# shows on any background.
RECT_LEFT, RECT_TOP, RECT_RIGHT, RECT_BOTTOM = 21, 24, 31, 31


def draw():
    """Returns SIZE rows of SIZE characters, top row first."""
    grid = [["."] * SIZE for _ in range(SIZE)]
    for y in range(RECT_TOP, RECT_BOTTOM + 1):
        for x in range(RECT_LEFT, RECT_RIGHT + 1):
            on_edge = y in (RECT_TOP, RECT_BOTTOM) or x in (RECT_LEFT, RECT_RIGHT)
            if on_edge:
                grid[y][x] = "X" if (x + y) % 2 == 0 else "o"
    # The arrow lies over the rectangle; blanks in its rows leave what is beneath.
    left, top = HOT_SPOT
    for dy, row in enumerate(ARROW):
        for dx, cell in enumerate(row):
            if cell in "Xo":
                grid[top + dy][left + dx] = cell
    return ["".join(row) for row in grid]


def masks(rows):
    """The XOR (colour) and AND (transparency) bit planes, bottom row first,
    one bit per pixel, rows padded to 32 bits."""
    xor_plane = bytearray()
    and_plane = bytearray()
    for row in reversed(rows):
        xor_bits = 0
        and_bits = 0
        for x, cell in enumerate(row):
            bit = 1 << (SIZE - 1 - x)
            if cell == "o":
                xor_bits |= bit       # white
            elif cell == ".":
                and_bits |= bit       # screen shows through
        xor_plane += struct.pack(">I", xor_bits)
        and_plane += struct.pack(">I", and_bits)
    return bytes(xor_plane), bytes(and_plane)


def cursor_file(rows):
    xor_plane, and_plane = masks(rows)
    # BITMAPINFOHEADER: the height counts both planes.
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 1, 0,
                         len(xor_plane) + len(and_plane), 0, 0, 2, 2)
    palette = struct.pack("<4B4B", 0, 0, 0, 0, 255, 255, 255, 0)
    image = header + palette + xor_plane + and_plane
    # ICONDIR (type 2: cursor) and its one entry, whose two words after the
    # colour count hold the hot spot.
    directory = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 2, 0, HOT_SPOT[0], HOT_SPOT[1],
                        len(image), 6 + 16)
    return directory + entry + image


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    output = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "launcher", "drag.cur")
    with open(output, "wb") as f:
        f.write(cursor_file(draw()))


if __name__ == "__main__":
    main()
