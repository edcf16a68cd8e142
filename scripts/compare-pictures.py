#!/usr/bin/env python3
"""Compares two sets of PNG pictures loosely: the same size, and most of a
few pixels on a coarse grid alike. A picture made again by the same program
differs from the kept one only where the window shows a clock (frames a
second, frame time) or a driver rounds differently; a stale one (an older
layout, font or world) differs across the grid.

    compare-pictures.py NEW_DIR KEPT_DIR NAME.png...

Exit 0 when every pair agrees, 1 with a line per picture that does not.
Reads PNG with the standard library only (8-bit RGB or RGBA, no interlace).
"""
import struct
import sys
import zlib

GRID = 12            # a GRID x GRID grid of sample pixels
TOLERANCE = 40       # per channel
SHARE_ALIKE = 0.92   # of the samples


def read_png(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError(path + ": not a PNG")
    pos, idat, width, height, channels = 8, b"", 0, 0, 0
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
            if depth != 8 or colour not in (2, 6) or interlace:
                raise ValueError(path + ": only 8-bit RGB or RGBA without interlace")
            channels = 3 if colour == 2 else 4
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    raw = zlib.decompress(idat)
    stride = width * channels
    rows, previous, at = [], bytearray(stride), 0
    for _ in range(height):
        kind, line = raw[at], bytearray(raw[at + 1:at + 1 + stride])
        at += 1 + stride
        for i in range(stride):
            a = line[i - channels] if i >= channels else 0
            b = previous[i]
            c = previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(line)
        previous = line
    return width, height, channels, rows


def alike(new, kept):
    (w, h, cn, rn), (w2, h2, ck, rk) = new, kept
    if (w, h) != (w2, h2):
        return "%dx%d, kept %dx%d" % (w, h, w2, h2)
    same = 0
    for gy in range(GRID):
        for gx in range(GRID):
            x, y = (2 * gx + 1) * w // (2 * GRID), (2 * gy + 1) * h // (2 * GRID)
            a, b = rn[y][x * cn:x * cn + 3], rk[y][x * ck:x * ck + 3]
            same += all(abs(a[k] - b[k]) <= TOLERANCE for k in range(3))
    if same < SHARE_ALIKE * GRID * GRID:
        return "only %d of %d sample pixels alike" % (same, GRID * GRID)
    return None


def main(argv):
    new_dir, kept_dir, names = argv[1], argv[2], argv[3:]
    bad = 0
    for name in names:
        try:
            problem = alike(read_png(new_dir + "/" + name), read_png(kept_dir + "/" + name))
        except (OSError, ValueError, zlib.error) as e:
            problem = str(e)
        if problem:
            print("docs picture %s is stale: %s (run scripts/docs-pictures.sh)" % (name, problem))
            bad += 1
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
