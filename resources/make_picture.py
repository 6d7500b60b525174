#!/usr/bin/env python3
"""Draws the main window's picture and encodes it as a baseline JPEG.

The picture is our own artwork: an oscilloscope screen showing a sine and a
square wave above three dials, on a blue ground, 166 x 182 pixels. The
drawing needs only the Python standard library; the encoding is done by the
small libjpeg tool of this folder, built on request:

    cmake --build <build> --target jpeg_encode
    python3 resources/make_picture.py <build>/bin/jpeg_encode resources/MainPicture.jpg

The program never runs this script: it embeds the committed MainPicture.jpg.
"""

import math
import os
import subprocess
import sys
import tempfile

WIDTH, HEIGHT = 166, 182

# The oscilloscope screen, in pixel coordinates (inclusive left/top).
SCREEN = (12, 14, 154, 116)
SCREEN_RADIUS = 9
GRID_STEP = 14


def mix(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


def clamp01(v):
    return 0.0 if v < 0.0 else 1.0 if v > 1.0 else v


def coverage(distance, half_width):
    """Share of a pixel covered by a line of the given half width."""
    return clamp01(half_width + 0.5 - distance)


def rounded_rect_distance(x, y, rect, radius):
    """Signed distance from (x, y) to the edge of a rounded rectangle."""
    left, top, right, bottom = rect
    cx, cy = (left + right) / 2.0, (top + bottom) / 2.0
    hx, hy = (right - left) / 2.0 - radius, (bottom - top) / 2.0 - radius
    dx, dy = abs(x - cx) - hx, abs(y - cy) - hy
    outside = math.hypot(max(dx, 0.0), max(dy, 0.0))
    inside = min(max(dx, dy), 0.0)
    return outside + inside - radius


def segment_distance(px, py, ax, ay, bx, by):
    vx, vy = bx - ax, by - ay
    length2 = vx * vx + vy * vy
    t = 0.0 if length2 == 0 else clamp01(((px - ax) * vx + (py - ay) * vy) / length2)
    return math.hypot(px - (ax + t * vx), py - (ay + t * vy))


def polyline_distance(px, py, points):
    return min(segment_distance(px, py, *points[i], *points[i + 1])
               for i in range(len(points) - 1))


def sine_points():
    left, top, right, bottom = SCREEN
    mid = (top + bottom) / 2.0 - 10
    pts = []
    for i in range(0, 241):
        x = left + 4 + (right - left - 8) * i / 240.0
        phase = (x - left - 4) / (right - left - 8) * 3.0 * math.pi
        pts.append((x, mid - 24.0 * math.sin(phase)))
    return pts


def square_points():
    left, top, right, bottom = SCREEN
    high, low = bottom - 34.0, bottom - 14.0
    period = (right - left - 8) / 3.0
    pts = [(left + 4.0, low)]
    x = left + 4.0
    level = low
    while x < right - 4:
        nxt = min(x + period / 2.0, right - 4.0)
        pts.append((x, level))
        pts.append((nxt, level))
        x = nxt
        level = high if level == low else low
        if x < right - 4:
            pts.append((x, level))
    return pts


DIALS = [(41, 150, 14, 0.6), (83, 150, 14, -0.9), (125, 150, 14, 2.1)]


def pixel(x, y, sine, square):
    px, py = x + 0.5, y + 0.5
    # Ground: a vertical gradient from night blue to dark teal.
    colour = mix((14, 30, 70), (16, 84, 98), py / HEIGHT)

    # Screen bezel and glass.
    edge = rounded_rect_distance(px, py, SCREEN, SCREEN_RADIUS)
    bezel = coverage(abs(edge + 1.5), 2.0)
    if edge < 0:
        glass = mix((6, 36, 26), (3, 20, 14), clamp01(-edge / 40.0))
        colour = mix(colour, glass, clamp01(-edge))
        left, top, right, bottom = SCREEN
        gx = (px - left) % GRID_STEP
        gy = (py - top) % GRID_STEP
        on_grid = min(abs(gx - GRID_STEP / 2.0), abs(gy - GRID_STEP / 2.0))
        colour = mix(colour, (40, 96, 64), 0.6 * coverage(on_grid, 0.3))
        # The sine trace with its phosphor glow.
        d = polyline_distance(px, py, sine)
        colour = mix(colour, (90, 200, 60), 0.55 * math.exp(-(d * d) / 18.0))
        colour = mix(colour, (200, 255, 110), coverage(d, 1.0))
        # The square trace, thinner and orange.
        d = polyline_distance(px, py, square)
        colour = mix(colour, (255, 150, 40), 0.4 * math.exp(-(d * d) / 8.0))
        colour = mix(colour, (255, 190, 90), coverage(d, 0.7))
    colour = mix(colour, (150, 160, 175), bezel)

    # Three dials with a pointer each.
    for cx, cy, r, angle in DIALS:
        d = math.hypot(px - cx, py - cy)
        if d < r + 1:
            shade = clamp01(0.55 + 0.45 * ((cx - px) + (cy - py)) / (2.0 * r))
            face = mix((70, 78, 92), (215, 222, 232), shade)
            colour = mix(colour, face, coverage(d, r - 0.5) if d > r - 1 else 1.0)
            tip = (cx + (r - 3) * math.sin(angle), cy - (r - 3) * math.cos(angle))
            pd = segment_distance(px, py, cx, cy, *tip)
            colour = mix(colour, (200, 40, 40), coverage(pd, 1.0))
        ring = abs(d - (r + 3.5))
        colour = mix(colour, (120, 200, 230), 0.5 * coverage(ring, 0.5))
    return tuple(int(round(255 if c > 255 else 0 if c < 0 else c)) for c in colour)


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: make_picture.py <jpeg_encode tool> <output.jpg>")
    encoder, output = sys.argv[1], sys.argv[2]
    sine, square = sine_points(), square_points()
    data = bytearray()
    for y in range(HEIGHT):
        for x in range(WIDTH):
            data.extend(pixel(x, y, sine, square))
    with tempfile.TemporaryDirectory() as tmp:
        ppm = os.path.join(tmp, "picture.ppm")
        with open(ppm, "wb") as f:
            f.write(b"P6\n%d %d\n255\n" % (WIDTH, HEIGHT))
            f.write(data)
        subprocess.run([encoder, ppm, output], check=True)


if __name__ == "__main__":
    main()
