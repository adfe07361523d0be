#!/usr/bin/env python3
"""Small PNG and property-list helpers for install_test.sh (standard library only).

  png_tool.py size FILE.png                  prints "W H"
  png_tool.py solid W H R G B OUT.png        writes a one-colour RGB picture
  png_tool.py stats FILE.png X0 Y0 X1 Y1     prints "R G B COLOURS": the mean colour
                                             and the number of distinct colours in
                                             the box [X0, X1) x [Y0, Y1)
  png_tool.py same A.png B.png               exit 0 when both hold the same pixels
  png_tool.py binary-plist IN OUT            rewrites a property list as a binary one
  png_tool.py plist-keys FILE                prints the top-level keys, one a line
"""

import os
import plistlib
import struct
import sys
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))
from png_file import chunk, read_png  # noqa: E402


def rgb(channels, row, x):
    if channels in (1, 2):
        v = row[x * channels]
        return v, v, v
    return tuple(row[x * channels:x * channels + 3])


def write_png(path, width, height, colour):
    row = b"\x00" + bytes(colour) * width
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(row * height)))
        f.write(chunk(b"IEND", b""))


def main(argv):
    command, args = argv[1], argv[2:]
    if command == "size":
        width, height, _, _ = read_png(args[0])
        print(width, height)
    elif command == "solid":
        width, height, r, g, b = (int(v) for v in args[:5])
        write_png(args[5], width, height, (r, g, b))
    elif command == "stats":
        width, height, channels, rows = read_png(args[0])
        x0, y0, x1, y1 = (int(v) for v in args[1:5])
        sums = [0, 0, 0]
        colours = set()
        for y in range(max(0, y0), min(height, y1)):
            for x in range(max(0, x0), min(width, x1)):
                pixel = rgb(channels, rows[y], x)
                colours.add(pixel)
                for c in range(3):
                    sums[c] += pixel[c]
        count = max(1, (min(height, y1) - max(0, y0)) * (min(width, x1) - max(0, x0)))
        print(*(round(s / count) for s in sums), len(colours))
    elif command == "same":
        a, b = read_png(args[0]), read_png(args[1])
        return 0 if a == b else 1
    elif command == "binary-plist":
        with open(args[0], "rb") as f:
            value = plistlib.load(f)
        with open(args[1], "wb") as f:
            plistlib.dump(value, f, fmt=plistlib.FMT_BINARY, sort_keys=False)
    elif command == "plist-keys":
        with open(args[0], "rb") as f:
            print("\n".join(plistlib.load(f).keys()))
    else:
        print(__doc__, file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
