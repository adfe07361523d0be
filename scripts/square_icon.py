#!/usr/bin/env python3
"""Cuts a square out of one of lumo's screenshots and scales it to an icon.

  square_icon.py IN.png CX CY SIDE SIZE OUT.png
  square_icon.py --disc SHARE RRGGBB IN.png CX CY SIDE SIZE OUT.png

The square is SIDE pixels wide around the pixel (CX, CY), moved inside the
picture where it would stick out; it is scaled to SIZE x SIZE by averaging
the area each icon pixel covers, and written as an opaque RGB PNG. With
--disc it is scaled to SHARE of SIZE instead and cut round, on the colour
RRGGBB: a maskable icon, whose masks may cut anything outside the middle
80 % circle. Standard library only: reads the 8-bit, non-interlaced PNGs
lumo writes.
"""

import struct
import sys
import zlib

from png_file import chunk, paeth, read_png


def read_rgb(path):
    """Returns (width, height, rows), each row a list of r, g, b values."""
    width, height, channels, rows = read_png(path)
    grey = channels < 3
    return width, height, [[line[x * channels + (0 if grey else c)] for x in range(width) for c in range(3)]
                           for line in rows]


def area_weights(first, side, size):
    """For each of `size` output pixels, the source pixels it covers and how much of each."""
    scale = side / size
    taps = []
    for i in range(size):
        begin, end = i * scale, (i + 1) * scale
        row = []
        for s in range(int(begin), min(side, int(end) + 1)):
            share = min(end, s + 1) - max(begin, s)
            if share > 1e-9:
                row.append((first + s, share / scale))
        taps.append(row)
    return taps


def scale_square(rows, x0, y0, side, size):
    across, down = area_weights(x0, side, size), area_weights(y0, side, size)
    narrowed = {}
    for y in {s for taps in down for s, _ in taps}:
        row = rows[y]
        narrowed[y] = [sum(row[s * 3 + c] * w for s, w in taps) for taps in across for c in range(3)]
    return [[min(255, round(sum(narrowed[s][i] * w for s, w in taps))) for i in range(size * 3)] for taps in down]


def _disc_cover(x, y, centre, radius):
    """How much of pixel (x, y) lies inside the circle, from 4 x 4 samples at the edge."""
    d = ((x + 0.5 - centre) ** 2 + (y + 0.5 - centre) ** 2) ** 0.5
    if d <= radius - 0.75 or d >= radius + 0.75:
        return 1.0 if d < radius else 0.0
    inside = sum((x + (i + 0.5) / 4 - centre) ** 2 + (y + (j + 0.5) / 4 - centre) ** 2 <= radius ** 2
                 for i in range(4) for j in range(4))
    return inside / 16


def on_disc(square, size, background):
    """The square scaled to fit a disc in the middle of a size x size icon of the background colour."""
    inner = len(square)
    offset, radius = (size - inner) // 2, inner / 2
    icon = []
    for y in range(size):
        row = []
        for x in range(size):
            sx, sy = x - offset, y - offset
            cover = _disc_cover(sx, sy, radius, radius) if 0 <= sx < inner and 0 <= sy < inner else 0.0
            for c in range(3):
                picture = square[sy][sx * 3 + c] if cover else 0
                row.append(round(picture * cover + background[c] * (1 - cover)))
        icon.append(row)
    return icon


def _filtered(line, previous):
    """The row under the PNG filter that leaves the smallest sum of signed bytes."""
    best = None
    for kind in range(5):
        out = bytearray([kind])
        for i, value in enumerate(line):
            left = line[i - 3] if i >= 3 else 0
            corner = previous[i - 3] if i >= 3 else 0
            up = previous[i]
            out.append((value - (0, left, up, (left + up) // 2, paeth(left, up, corner))[kind]) & 0xFF)
        cost = sum(b if b < 128 else 256 - b for b in out[1:])
        if best is None or cost < best[0]:
            best = (cost, out)
    return best[1]


def write_rgb(path, rows):
    width, height = len(rows[0]) // 3, len(rows)
    previous, data = [0] * (width * 3), bytearray()
    for line in rows:
        data += _filtered(line, previous)
        previous = line
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(bytes(data), 9)))
        f.write(chunk(b"IEND", b""))


def main(argv):
    disc = None
    if len(argv) == 10 and argv[1] == "--disc":
        disc = float(argv[2]), bytes.fromhex(argv[3])
        argv = argv[:1] + argv[4:]
    if len(argv) != 7:
        print(__doc__, file=sys.stderr)
        return 2
    source, (cx, cy, side, size), target = argv[1], (int(v) for v in argv[2:6]), argv[6]
    width, height, rows = read_rgb(source)
    if not 0 < side <= min(width, height) or size <= 0:
        print(f"square_icon.py: a square of {side} does not fit in {width} x {height}", file=sys.stderr)
        return 2
    x0 = min(max(0, cx - side // 2), width - side)
    y0 = min(max(0, cy - side // 2), height - side)
    if disc:
        share, background = disc
        write_rgb(target, on_disc(scale_square(rows, x0, y0, side, round(size * share)), size, background))
    else:
        write_rgb(target, scale_square(rows, x0, y0, side, size))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
