#!/usr/bin/env python3
"""Draws the installer's icon and images at build time, so no binary art is committed.

    make_images.py OUTPUT_DIR

writes vesk.ico (twelve sizes) and the installer images image4000.png ... image4011.png
(4008 is a string id, not an image). The art is a plain "V" mark on the product colour.
"""
import struct
import sys
import zlib
from pathlib import Path

ICON_SIZES = [16, 20, 24, 32, 40, 48, 64, 72, 96, 128, 180, 256]
IMAGE_IDS = [4000, 4001, 4002, 4003, 4004, 4005, 4006, 4007, 4009, 4010, 4011]
BACKGROUND = (0x1F, 0x4E, 0x79, 0xFF)
MARK = (0xF2, 0xA9, 0x00, 0xFF)


def pixel(x, y, width, height):
    """The "V": two strokes meeting at the bottom centre."""
    u, v = (x + 0.5) / width, (y + 0.5) / height
    if not (0.15 <= v <= 0.85):
        return BACKGROUND
    centre_offset = abs(u - 0.5)
    stroke_centre = 0.35 * (0.85 - v) / 0.7
    return MARK if abs(centre_offset - stroke_centre) < 0.08 else BACKGROUND


def png(width, height):
    rows = b"".join(
        b"\x00" + b"".join(bytes(pixel(x, y, width, height)) for x in range(width))
        for y in range(height))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))


def ico(sizes):
    images = [png(size, size) for size in sizes]
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(sizes, images):
        edge = size % 256  # 0 means 256
        directory += struct.pack("<BBBBHHII", edge, edge, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    return directory + b"".join(images)


def main():
    out = Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    (out / "vesk.ico").write_bytes(ico(ICON_SIZES))
    for image_id in IMAGE_IDS:
        (out / f"image{image_id}.png").write_bytes(png(120, 60))


if __name__ == "__main__":
    main()
