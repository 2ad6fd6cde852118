#!/usr/bin/python3
"""Renders the check-mark icon (the same path as icons/tavrelon-monitor.svg)
into hicolor PNGs, with no library beyond the standard one.

    packaging/make-icon-png.py   # writes icons/<size>x<size>/tavrelon-monitor.png
"""
import math
import os
import struct
import zlib

PATH = [(5, 17), (13, 25), (27, 7)]  # in a 32 x 32 box
HALF_WIDTH = 3.0
COLOUR = (0x00, 0xAA, 0x00)


def distance_to_segment(px, py, a, b):
    ax, ay = a
    bx, by = b
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def coverage(x, y, scale):
    # 4 x 4 samples per pixel; round caps and joins come from the distance test.
    inside = 0
    for sy in range(4):
        for sx in range(4):
            px = (x + (sx + 0.5) / 4) / scale
            py = (y + (sy + 0.5) / 4) / scale
            d = min(distance_to_segment(px, py, PATH[i], PATH[i + 1]) for i in range(len(PATH) - 1))
            inside += d <= HALF_WIDTH
    return inside / 16


def png(size):
    scale = size / 32
    rows = b""
    for y in range(size):
        row = bytearray([0])
        for x in range(size):
            row += bytes(COLOUR) + bytes([round(255 * coverage(x, y, scale))])
        rows += bytes(row)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b"")


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    for size in (48, 128):
        folder = os.path.join(here, "icons", f"{size}x{size}")
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "tavrelon-monitor.png"), "wb") as f:
            f.write(png(size))


if __name__ == "__main__":
    main()
