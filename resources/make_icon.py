#!/usr/bin/env python3
"""Draws vesk.ico: a blue tile with a white hash sign, at 16, 32 and 48 pixels.

The icon is committed; run this again only to change the drawing.
"""
import struct
import sys


def pixel(x, y, size):
    """BGRA colour of pixel (x, y), y counted from the top."""
    margin = size // 16
    if not (margin <= x < size - margin and margin <= y < size - margin):
        return (0, 0, 0, 0)
    u, v = x / size, y / size
    bar = max(1, size // 10) / size
    in_vertical = any(abs(u - c) < bar / 2 for c in (0.38, 0.62))
    in_horizontal = any(abs(v - c) < bar / 2 for c in (0.38, 0.62))
    if (in_vertical and 0.2 < v < 0.8) or (in_horizontal and 0.2 < u < 0.8):
        return (255, 255, 255, 255)
    shade = int(60 * v)
    return (200 - shade, 110 - shade // 2, 30, 255)


def image(size):
    rows = []
    for y in reversed(range(size)):  # bottom-up
        rows.append(b"".join(bytes(pixel(x, y, size)) for x in range(size)))
    mask_row = b"\0" * (((size + 31) // 32) * 4)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    return header + b"".join(rows) + mask_row * size


def main(path):
    sizes = (16, 32, 48)
    images = [image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for size, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(path, "wb") as f:
        f.write(out + b"".join(images))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "vesk.ico")
