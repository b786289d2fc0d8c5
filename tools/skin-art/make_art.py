#!/usr/bin/env python3
"""Draws the main window's images (car outline, speaker dot, menu tick) into skin/img.

Standard library only: shapes are signed distance functions sampled per pixel, written as
8-bit RGBA PNG through zlib. Images are drawn at twice their layout size so they stay sharp
at 192 DPI. Run from anywhere: python3 tools/skin-art/make_art.py
"""

import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.normpath(os.path.join(HERE, "..", "..", "skin", "img"))


def write_png(path, width, height, pixels):
    """pixels: list of rows, each a bytearray of width*4 RGBA bytes."""
    raw = b"".join(b"\x00" + bytes(row) for row in pixels)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", header))
        f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(chunk(b"IEND", b""))


def rounded_box(px, py, cx, cy, hw, hh, r):
    """Signed distance to a box centred at (cx, cy) with half sizes hw, hh and corner radius r."""
    qx = abs(px - cx) - hw + r
    qy = abs(py - cy) - hh + r
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    return outside + min(max(qx, qy), 0.0) - r


def segment(px, py, ax, ay, bx, by):
    """Distance to the segment a-b."""
    dx, dy = bx - ax, by - ay
    t = ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)
    t = min(1.0, max(0.0, t))
    return math.hypot(px - ax - t * dx, py - ay - t * dy)


def coverage(d):
    """Anti-aliased coverage of the inside of a distance d (one pixel wide edge)."""
    return min(1.0, max(0.0, 0.5 - d))


class Canvas:
    def __init__(self, width, height):
        self.w, self.h = width, height
        self.px = [[(0.0, 0.0, 0.0, 0.0)] * width for _ in range(height)]

    def paint(self, dist, color, alpha=1.0):
        """Composites color over every pixel where dist(x, y) < 0."""
        r, g, b = color
        for y in range(self.h):
            row = self.px[y]
            for x in range(self.w):
                a = coverage(dist(x + 0.5, y + 0.5)) * alpha
                if a <= 0.0:
                    continue
                pr, pg, pb, pa = row[x]
                na = a + pa * (1.0 - a)
                row[x] = (
                    (r * a + pr * pa * (1.0 - a)) / na,
                    (g * a + pg * pa * (1.0 - a)) / na,
                    (b * a + pb * pa * (1.0 - a)) / na,
                    na,
                )

    def save(self, name):
        rows = []
        for row in self.px:
            out = bytearray()
            for r, g, b, a in row:
                out += bytes((int(r + 0.5), int(g + 0.5), int(b + 0.5), int(a * 255 + 0.5)))
            rows.append(out)
        write_png(os.path.join(OUT, name), self.w, self.h, rows)


def hexcolor(text):
    return tuple(int(text[i:i + 2], 16) for i in (1, 3, 5))


LINE = hexcolor("#4a525c")
BODY = hexcolor("#20252c")
GLASS = hexcolor("#2b323b")
TYRE = hexcolor("#0f1114")
ACCENT = hexcolor("#f6ce1d")


def car():
    """Top view of a car, front at the top: 220 x 316 layout units, drawn at 2x."""
    s = 2
    c = Canvas(220 * s, 316 * s)
    cx = 110 * s
    line = 1.6 * s
    # Tyres first, so the body covers their inner halves.
    for wy in (70, 250):
        for wx in (22, 198):
            c.paint(lambda x, y, wx=wx, wy=wy: rounded_box(x, y, wx * s, wy * s, 9 * s, 22 * s,
                                                          4 * s), TYRE)
    # Mirrors.
    for mx in (14, 206):
        c.paint(lambda x, y, mx=mx: rounded_box(x, y, mx * s, 104 * s, 9 * s, 5 * s, 4 * s), LINE)
    body = lambda x, y: rounded_box(x, y, cx, 158 * s, 92 * s, 152 * s, 58 * s)
    c.paint(body, BODY)
    c.paint(lambda x, y: abs(body(x, y)) - line, LINE)
    # Windscreen and rear window: rounded trapezoids approximated by boxes clipped to the body.
    screen = lambda x, y: max(rounded_box(x, y, cx, 100 * s, 74 * s, 16 * s, 10 * s),
                              -rounded_box(x, y, cx, 130 * s, 120 * s, 20 * s, 0))
    c.paint(screen, GLASS)
    c.paint(lambda x, y: abs(rounded_box(x, y, cx, 100 * s, 74 * s, 16 * s, 10 * s)) - line * 0.6,
            LINE)
    rear = lambda x, y: rounded_box(x, y, cx, 262 * s, 66 * s, 12 * s, 9 * s)
    c.paint(rear, GLASS)
    c.paint(lambda x, y: abs(rear(x, y)) - line * 0.6, LINE)
    # Doors: thin lines across the sides.
    for dy in (128, 196):
        for side in (-1, 1):
            ax = cx + side * 92 * s
            bx = cx + side * 80 * s
            c.paint(lambda x, y, ax=ax, bx=bx, dy=dy: segment(x, y, ax, dy * s, bx, dy * s) -
                    line * 0.5, LINE)
    # Bonnet and boot lines.
    c.paint(lambda x, y: segment(x, y, cx - 50 * s, 22 * s, cx + 50 * s, 22 * s) - line * 0.5,
            LINE, 0.6)
    c.paint(lambda x, y: segment(x, y, cx - 50 * s, 296 * s, cx + 50 * s, 296 * s) - line * 0.5,
            LINE, 0.6)
    c.save("car_top.png")


def dot():
    """The speaker marker's connector: an amber ring with a dark centre, 12 x 12 at 2x."""
    s = 2
    c = Canvas(12 * s, 12 * s)
    c.paint(lambda x, y: math.hypot(x - 6 * s, y - 6 * s) - 5 * s, ACCENT)
    c.paint(lambda x, y: math.hypot(x - 6 * s, y - 6 * s) - 2.2 * s, TYRE)
    c.save("spk_dot.png")


def tick():
    """A tick for menu items whose speaker type is in use, 16 x 16 at 2x."""
    s = 2
    c = Canvas(16 * s, 16 * s)
    pts = [(3.5, 8.5), (6.5, 11.5), (12.5, 4.5)]
    for (ax, ay), (bx, by) in zip(pts, pts[1:]):
        c.paint(lambda x, y, ax=ax, ay=ay, bx=bx, by=by:
                segment(x, y, ax * s, ay * s, bx * s, by * s) - 1.2 * s, ACCENT)
    c.save("right.png")


if __name__ == "__main__":
    os.makedirs(OUT, exist_ok=True)
    car()
    dot()
    tick()
