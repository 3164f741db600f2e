#!/usr/bin/env python3
"""Renders orvistella.svg's drawing as a 64x64 RGBA PNG (orvistella.png).

Qt draws SVG icons only with its SVG plug-in; the window icon and the 64x64
theme icon use this PNG so that the program needs no extra package. The shapes
below are those of orvistella.svg: keep the two in step.
Usage: render_icon_png.py OUT.png
"""
import math
import struct
import sys
import zlib

SIZE = 64
SUB = 4  # samples per pixel side, for smooth edges

SPOTS = [  # centre x, centre y, radius, colour
    (20, 22, 9, (255, 255, 255)),
    (42, 18, 7, (255, 160, 48)),
    (38, 42, 11, (64, 208, 255)),
    (18, 46, 6, (255, 255, 255)),
]


def rounded_rect_distance(x, y):
    """Signed distance to the rectangle x=4..60, y=4..60 with corner radius 6."""
    cx = cy = 32.0
    half = 28.0
    r = 6.0
    qx = abs(x - cx) - (half - r)
    qy = abs(y - cy) - (half - r)
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    return outside + min(max(qx, qy), 0.0) - r


def over(dst, colour, alpha):
    """Paints colour with alpha over the premultiplied-free RGBA sample dst."""
    r, g, b, a = dst
    out_a = alpha + a * (1 - alpha)
    if out_a == 0:
        return (0.0, 0.0, 0.0, 0.0)
    mix = lambda c, d: (c * alpha + d * a * (1 - alpha)) / out_a
    return (mix(colour[0], r), mix(colour[1], g), mix(colour[2], b), out_a)


def sample(x, y):
    px = (0.0, 0.0, 0.0, 0.0)
    d = rounded_rect_distance(x, y)
    if d < 0:
        t = min(max(((x - 4) + (y - 4)) / 112.0, 0.0), 1.0)
        grey = 0x20 + (0xB4 - 0x20) * t
        px = over(px, (grey, grey, grey), 1.0)
    if abs(d) < 1.0:
        px = over(px, (0x10, 0x10, 0x10), 1.0)
    for sx, sy, sr, colour in SPOTS:
        dist = math.hypot(x - sx, y - sy) / sr
        if dist < 1.0:
            px = over(px, colour, 1.0 - dist)
    return px


def render():
    rows = []
    for j in range(SIZE):
        row = bytearray([0])  # filter type: none
        for i in range(SIZE):
            acc = [0.0, 0.0, 0.0, 0.0]
            for v in range(SUB):
                for u in range(SUB):
                    r, g, b, a = sample(i + (u + 0.5) / SUB, j + (v + 0.5) / SUB)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            n = SUB * SUB
            alpha = acc[3] / n
            if alpha > 0:
                rgb = [min(255, round(c / acc[3])) for c in acc[:3]]
            else:
                rgb = [0, 0, 0]
            row += bytes(rgb + [min(255, round(alpha * 255))])
        rows.append(bytes(row))
    return b"".join(rows)


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: render_icon_png.py OUT.png")
    header = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)  # 8-bit RGBA
    png = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
           chunk(b"IDAT", zlib.compress(render(), 9)) + chunk(b"IEND", b""))
    with open(sys.argv[1], "wb") as out:
        out.write(png)


if __name__ == "__main__":
    main()
