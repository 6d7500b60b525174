#!/usr/bin/env python3
"""Draws the program icon and writes it as PNG files of 32 x 32 and 64 x 64.

The icon is our own artwork, in the manner of the main window's picture: a
rounded oscilloscope screen with a sine trace on it, a light bezel and a blue
ground. Each size is drawn at its own resolution (not scaled from the other),
so the trace stays sharp in a title bar. Only the Python standard library is
used; the PNG files (8-bit RGBA, no interlace) are written with zlib and
struct:

    python3 resources/make_icon.py resources

The program never runs this script: it embeds the committed PNG files.
"""

import math
import os
import struct
import sys
import zlib

# The drawing helpers are the main window picture's, from the same folder.
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_picture import mix, rounded_rect_distance, segment_distance  # noqa: E402

SIZES = (32, 64)


def rounded_square_distance(x, y, size, inset, radius):
    """Signed distance from (x, y) to the edge of a centred rounded square."""
    return rounded_rect_distance(x, y, (inset, inset, size - inset, size - inset), radius)


def sine_points(size):
    """One and a half periods across the screen, a little above its middle."""
    left, right = size * 0.2, size * 0.8
    mid, amplitude = size * 0.5, size * 0.17
    points = []
    for i in range(97):
        x = left + (right - left) * i / 96.0
        phase = (x - left) / (right - left) * 3.0 * math.pi
        points.append((x, mid - amplitude * math.sin(phase)))
    return points


def pixel(size, x, y, sine):
    """The colour and the opacity of one pixel, sampled 4 x 4 times."""
    scale = size / 32.0
    total = [0.0, 0.0, 0.0, 0.0]
    for sy in range(4):
        for sx in range(4):
            px, py = x + (sx + 0.5) / 4.0, y + (sy + 0.5) / 4.0
            body = rounded_square_distance(px, py, size, 0.5 * scale, 6.0 * scale)
            if body > 0.0:
                continue
            colour = mix((30, 64, 150), (16, 100, 120), py / size)
            screen = rounded_square_distance(px, py, size, 4.5 * scale, 3.5 * scale)
            if screen < 0.0:
                colour = mix((6, 40, 28), (3, 22, 15), py / size)
                d = min(segment_distance(px, py, *sine[i], *sine[i + 1])
                        for i in range(len(sine) - 1))
                colour = mix(colour, (90, 200, 60), 0.5 * math.exp(-(d * d) / (3.0 * scale)))
                if d < 1.1 * scale:
                    colour = (200, 255, 110)
            elif screen < 1.3 * scale:
                colour = (160, 172, 190)
            for i in range(3):
                total[i] += colour[i]
            total[3] += 1.0
    if total[3] == 0.0:
        return (0, 0, 0, 0)
    rgb = [int(round(c / total[3])) for c in total[:3]]
    return (rgb[0], rgb[1], rgb[2], int(round(255 * total[3] / 16.0)))


def png(size, rows):
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    raw = b"".join(b"\x00" + bytes(row) for row in rows)
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_icon.py <folder>")
    folder = sys.argv[1]
    for size in SIZES:
        sine = sine_points(size)
        rows = []
        for y in range(size):
            row = bytearray()
            for x in range(size):
                row.extend(pixel(size, x, y, sine))
            rows.append(row)
        path = os.path.join(folder, "ProgramIcon%d.png" % size)
        with open(path, "wb") as f:
            f.write(png(size, rows))
        print("wrote", path)


if __name__ == "__main__":
    main()
