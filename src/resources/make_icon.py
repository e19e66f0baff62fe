#!/usr/bin/env python3
"""Draws the setup program's icon (a diskette with an arrow into it) and writes setup.ico.

Run from this directory: python3 make_icon.py. The icon holds 32x32 and 16x16 images in the
16 standard colours, each with its AND mask, so that every Windows shows it (icons with more
colours or an alpha channel need later versions) and it stays small. Shapes are drawn in a
0..1 unit square so that both sizes come from the same picture.
"""
import struct

NAVY = (24, 40, 120, 255)
NAVY_EDGE = (8, 16, 64, 255)
METAL = (200, 200, 208, 255)
SLOT = (40, 40, 48, 255)
LABEL = (248, 248, 240, 255)
LINE = (96, 128, 200, 255)
ARROW = (16, 150, 40, 255)
ARROW_EDGE = (0, 80, 16, 255)
CLEAR = (0, 0, 0, 0)


def inside(x, y, left, top, right, bottom):
    return left <= x < right and top <= y < bottom


def colour_at(u, v):
    """Colour at unit coordinates (u right, v down), later shapes on top."""
    colour = CLEAR
    # Diskette body with a cut upper right corner.
    if inside(u, v, 0.06, 0.10, 0.94, 0.97) and not (u + (0.10 - v) > 0.94 - 0.10 + 0.02 and u > 0.80 and v < 0.24):
        edge = u < 0.10 or u >= 0.90 or v < 0.14 or v >= 0.93
        colour = NAVY_EDGE if edge else NAVY
    # Metal shutter and its slot.
    if inside(u, v, 0.26, 0.10, 0.74, 0.40):
        colour = METAL
        if inside(u, v, 0.56, 0.15, 0.66, 0.35):
            colour = SLOT
    # Paper label with two written lines.
    if inside(u, v, 0.18, 0.52, 0.82, 0.93):
        colour = LABEL
        if inside(u, v, 0.24, 0.64, 0.76, 0.68) or inside(u, v, 0.24, 0.76, 0.66, 0.80):
            colour = LINE
    # Arrow pointing down onto the diskette, at the left.
    shaft = inside(u, v, 0.10, 0.00, 0.22, 0.30)
    head = v >= 0.28 and v < 0.50 and abs(u - 0.16) <= (0.50 - v) * 0.70
    if shaft or head:
        border = (shaft and (u < 0.12 or u >= 0.20)) or (head and abs(u - 0.16) > (0.50 - v) * 0.70 - 0.03)
        colour = ARROW_EDGE if border else ARROW
    return colour


# The 16 colours of the standard palette, in palette order.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]


def palette_index(colour):
    """The nearest palette colour; 0 (black, under a set mask bit) for a clear pixel."""
    r, g, b, a = colour
    if a == 0:
        return 0
    return min(range(16), key=lambda i: sum((c - p) ** 2 for c, p in zip((r, g, b), PALETTE[i])))


def image(size):
    """BITMAPINFOHEADER + palette + bottom-up 4-bit pixels + AND mask for one icon image."""
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            # Sample the centre of the pixel.
            row.append(colour_at((x + 0.5) / size, (y + 0.5) / size))
        rows.append(row)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 0, 0)
    palette = b"".join(bytes((b, g, r, 0)) for (r, g, b) in PALETTE)
    pixel_stride = ((size * 4 + 31) // 32) * 4
    pixels = bytearray()
    for row in reversed(rows):
        bits = bytearray(pixel_stride)
        for x, colour in enumerate(row):
            bits[x // 2] |= palette_index(colour) << (4 if x % 2 == 0 else 0)
        pixels += bits
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + palette + bytes(pixels) + bytes(mask)


def main():
    sizes = [32, 16]
    images = [image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    out += b"".join(images)
    with open("setup.ico", "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
