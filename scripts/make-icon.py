#!/usr/bin/env python3
"""Writes res/app.ico: 32 x 32, 16 colours, an ant's head with its antennae above the
word Setup in yellow letters, on a transparent background. Run it after changing the
drawing; the .ico it writes is committed, so builds do not need Python."""
import struct
import sys

# The standard 16-colour palette; the indexes used below.
PALETTE = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
           (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
           (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
BLACK, DARK_RED, OLIVE, GREY, RED, YELLOW, WHITE = 0, 1, 3, 8, 9, 11, 15

SIZE = 32
pixels = [[None] * SIZE for _ in range(SIZE)]  # None is transparent


def put(x, y, colour):
    if 0 <= x < SIZE and 0 <= y < SIZE:
        pixels[y][x] = colour


# Antennae: from the top of the head, up and outward, bent at the elbow.
for (x, y) in [(13, 7), (12, 6), (11, 5), (10, 4), (9, 3), (8, 3), (7, 2), (6, 2), (5, 1),
               (18, 7), (19, 6), (20, 5), (21, 4), (22, 3), (23, 3), (24, 2), (25, 2), (26, 1)]:
    put(x, y, BLACK)
put(4, 1, BLACK); put(27, 1, BLACK)

# The head: a dark red ellipse with a black outline and a lighter crown.
cx, cy, rx, ry = 15.5, 12.5, 8.0, 6.0
for y in range(SIZE):
    for x in range(SIZE):
        d = ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2
        if d <= 1.0:
            put(x, y, DARK_RED if d > 0.25 or y > cy else RED)
for y in range(SIZE):
    for x in range(SIZE):
        if pixels[y][x] in (DARK_RED, RED):
            for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
                nx, ny = x + dx, y + dy
                if 0 <= nx < SIZE and 0 <= ny < SIZE and pixels[ny][nx] is None:
                    pixels[y][x] = BLACK
# Eyes and mandibles.
for ex in (11, 19):
    put(ex, 11, BLACK); put(ex + 1, 11, BLACK); put(ex, 12, BLACK); put(ex + 1, 12, BLACK)
    put(ex, 11, WHITE)
for (x, y) in [(13, 19), (18, 19)]:
    put(x, y, BLACK)

# "Setup" in 5 x 7 letters (p has a descender), yellow with a black outline.
GLYPHS = {
    "S": [".####", "#....", "#....", ".###.", "....#", "....#", "####."],
    "e": [".....", ".....", ".###.", "#...#", "#####", "#....", ".###."],
    "t": [".#...", ".#...", "####.", ".#...", ".#...", ".#..#", "..##."],
    "u": [".....", ".....", "#...#", "#...#", "#...#", "#..##", ".##.#"],
    "p": [".....", ".....", "####.", "#...#", "#...#", "####.", "#....", "#....", "#...."],
}
top, left = 21, 1
for i, letter in enumerate("Setup"):
    for row, line in enumerate(GLYPHS[letter]):
        for col, ch in enumerate(line):
            if ch == "#":
                put(left + i * 6 + col, top + row, YELLOW)
for y in range(top - 1, SIZE):
    for x in range(SIZE):
        if pixels[y][x] is None:
            near = any(0 <= x + dx < SIZE and 0 <= y + dy < SIZE and pixels[y + dy][x + dx] == YELLOW
                       for dx in (-1, 0, 1) for dy in (-1, 0, 1))
            if near and y >= top - 1:
                pixels[y][x] = -1   # outline, set below so it does not spread
for y in range(SIZE):
    for x in range(SIZE):
        if pixels[y][x] == -1:
            pixels[y][x] = BLACK

# The icon file: one 4-bit image with its AND mask, rows bottom-up.
xor = bytearray()
mask = bytearray()
for y in reversed(range(SIZE)):
    row = pixels[y]
    for x in range(0, SIZE, 2):
        a, b = row[x] or 0, row[x + 1] or 0
        xor.append((a << 4) | b)
    bits = 0
    for x in range(SIZE):
        bits = (bits << 1) | (1 if row[x] is None else 0)
    mask += bits.to_bytes(4, "big")
header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0, len(xor) + len(mask), 0, 0, 16, 0)
palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
image = header + palette + bytes(xor) + bytes(mask)
icon = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 22) + image

out = sys.argv[1] if len(sys.argv) > 1 else "res/app.ico"
with open(out, "wb") as f:
    f.write(icon)
