#!/usr/bin/env python3
"""Icon generator for the executable's resources.

Writes one 16-colour (4 bits per pixel) ICO file per icon group into the
output directory, plus the resource-script fragment `zenta_icons.rc` that
binds each file to its group identifier.  Each group shows its identifier as
two rows of two digits, drawn in a palette colour chosen from the identifier
on a contrasting background, so every group can be told apart at a glance.
Group 1998 (the program icon) gets its own design: a white "Z" on a navy
disc over a wavy liquid layer carrying gas bubbles.

The output depends on nothing but this file: no clock, no randomness, no
floating point, so every build produces the same bytes.

Usage: gen_icons.py OUTPUT_DIR
"""

import os
import struct
import sys

FIRST_ID = 1998
LAST_ID = 2213
# Identifiers in FIRST_ID..LAST_ID that carry no icon group.
MISSING = set(range(2099, 2103)) | {2115} | set(range(2188, 2199)) | set(range(2200, 2213))
# Image sizes (pixels, square) per group, in directory order; default one 32x32.
SIZES = {
    1998: (32, 16), 2000: (32, 16), 2160: (32, 16), 2186: (32, 16),
    1999: (16,), 2001: (16,),
}
PROGRAM_ICON = 1998

# The standard 16-colour palette, (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, NAVY, WHITE, AQUA = 0, 4, 15, 14
# Digit colours: every palette entry but black, white and the two greys.
DIGIT_COLOURS = [1, 2, 3, 4, 5, 6, 9, 10, 11, 12, 13, 14]

# 5x7 glyphs, one string per row, '#' = ink.
GLYPHS = {
    '0': (".###.", "#...#", "#..##", "#.#.#", "##..#", "#...#", ".###."),
    '1': ("..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###."),
    '2': (".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"),
    '3': ("#####", "...#.", "..#..", "...#.", "....#", "#...#", ".###."),
    '4': ("...#.", "..##.", ".#.#.", "#..#.", "#####", "...#.", "...#."),
    '5': ("#####", "#....", "####.", "....#", "....#", "#...#", ".###."),
    '6': ("..##.", ".#...", "#....", "####.", "#...#", "#...#", ".###."),
    '7': ("#####", "....#", "...#.", "..#..", ".#...", ".#...", ".#..."),
    '8': (".###.", "#...#", "#...#", ".###.", "#...#", "#...#", ".###."),
    '9': (".###.", "#...#", "#...#", ".####", "....#", "...#.", ".##.."),
    'Z': ("#####", "....#", "...#.", "..#..", ".#...", "#....", "#####"),
}
GLYPH_W, GLYPH_H = 5, 7

# Height offset (pixels) of the liquid surface per column, period 8 columns.
WAVE = (0, -1, -1, -1, 0, 1, 1, 1)


def group_ids():
    """Identifiers of all icon groups, ascending."""
    return [i for i in range(FIRST_ID, LAST_ID + 1) if i not in MISSING]


class Image:
    """A square image of palette indices plus a transparency mask."""

    def __init__(self, size, fill):
        self.size = size
        self.pix = [[fill] * size for _ in range(size)]      # top row first
        self.clear = [[False] * size for _ in range(size)]   # True = transparent

    def put(self, x, y, colour):
        if 0 <= x < self.size and 0 <= y < self.size:
            self.pix[y][x] = colour

    def glyph(self, ch, x0, y0, scale, colour):
        for gy, row in enumerate(GLYPHS[ch]):
            for gx, cell in enumerate(row):
                if cell == '#':
                    for dy in range(scale):
                        for dx in range(scale):
                            self.put(x0 + gx * scale + dx, y0 + gy * scale + dy, colour)


def luminance(colour):
    """Perceived brightness of a palette entry, 0..255 (integer Rec. 601 weights)."""
    r, g, b = PALETTE[colour]
    return (299 * r + 587 * g + 114 * b) // 1000


def draw_identifier(gid, size):
    """Identifier as two rows of two digits: scale 2 in 32x32, scale 1 in 16x16."""
    ink = DIGIT_COLOURS[gid % len(DIGIT_COLOURS)]
    img = Image(size, BLACK if luminance(ink) >= 128 else WHITE)
    scale = size // 16
    text_w = (2 * GLYPH_W + 1) * scale          # two glyphs and a one-unit gap
    text_h = (2 * GLYPH_H + 1) * scale
    x0 = (size - text_w) // 2
    y0 = (size - text_h + 1) // 2
    digits = "%04d" % gid
    for row in range(2):
        for col in range(2):
            img.glyph(digits[2 * row + col],
                      x0 + col * (GLYPH_W + 1) * scale,
                      y0 + row * (GLYPH_H + 1) * scale, scale, ink)
    return img


def draw_program_icon(size):
    """Program icon: navy disc, white 'Z', aqua liquid layer with bubbles."""
    img = Image(size, NAVY)
    # Disc: pixel centres within size/2 of the image centre; twice-scaled
    # integer coordinates keep the test exact.
    for y in range(size):
        for x in range(size):
            dx, dy = 2 * x + 1 - size, 2 * y + 1 - size
            if dx * dx + dy * dy > size * size:
                img.clear[y][x] = True
                img.pix[y][x] = BLACK     # transparent pixels carry colour 0
    surface = size * 2 // 3                # mean liquid level, rows from the top
    for x in range(size):
        level = surface + WAVE[x % 8] * (size // 16)
        for y in range(level, size):
            if not img.clear[y][x]:
                img.pix[y][x] = AQUA
    scale = size // 16
    img.glyph('Z', (size - GLYPH_W * scale) // 2, size // 8, scale, WHITE)
    # Bubbles: squares of side `scale` at fixed fractions of the image.
    for fx, fy in ((5, 26), (12, 28), (19, 25), (25, 28)):
        for dy in range(scale):
            for dx in range(scale):
                img.put(fx * size // 32 + dx, fy * size // 32 + dy, WHITE)
    return img


def dib(img):
    """The icon image as stored in an ICO file: header, palette, XOR and AND masks."""
    size = img.size
    xor_stride = ((size * 4 + 31) // 32) * 4   # bytes per row, 4-byte aligned
    and_stride = ((size + 31) // 32) * 4
    xor = bytearray()
    mask = bytearray()
    for y in reversed(range(size)):            # DIB rows are stored bottom-up
        row = img.pix[y]
        line = bytearray(xor_stride)
        for x in range(0, size, 2):
            line[x // 2] = (row[x] << 4) | row[x + 1]
        xor += line
        bits = bytearray(and_stride)
        for x in range(size):
            if img.clear[y][x]:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    header = struct.pack('<IiiHHIIiiII', 40, size, 2 * size, 1, 4, 0,
                         len(xor) + len(mask), 0, 0, 0, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in PALETTE)
    return header + palette + bytes(xor) + bytes(mask)


def ico(images):
    """An ICO file holding the given images in order."""
    blobs = [dib(img) for img in images]
    out = bytearray(struct.pack('<HHH', 0, 1, len(blobs)))
    offset = 6 + 16 * len(blobs)
    for img, blob in zip(images, blobs):
        # width, height, colour count, reserved, planes, bits per pixel, size, offset
        out += struct.pack('<BBBBHHII', img.size, img.size, 16, 0, 1, 4, len(blob), offset)
        offset += len(blob)
    for blob in blobs:
        out += blob
    return bytes(out)


def group_images(gid):
    draw = draw_program_icon if gid == PROGRAM_ICON else (lambda s: draw_identifier(gid, s))
    return [draw(s) for s in SIZES.get(gid, (32,))]


def write(path, data):
    with open(path, 'wb') as f:
        f.write(data)


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: gen_icons.py OUTPUT_DIR\n")
        return 2
    out_dir = argv[1]
    os.makedirs(out_dir, exist_ok=True)
    lines = ["/* Icon groups of the executable; generated by gen_icons.py. */\n"]
    for gid in group_ids():
        name = "icon%d.ico" % gid
        write(os.path.join(out_dir, name), ico(group_images(gid)))
        lines.append('%d ICON "%s"\n' % (gid, name))
    write(os.path.join(out_dir, "zenta_icons.rc"), "".join(lines).encode('ascii'))
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
