#!/usr/bin/env python3
"""Converts an xwd capture (Xvfb, depth 24) to PNG, optionally cropped.

usage: xwd2png.py IN.xwd OUT.png [X Y W H]
"""
import struct
import sys
import zlib


def read_xwd(path):
    data = open(path, "rb").read()
    fields = struct.unpack(">25I", data[:100])
    header_size, width, height, ncolors = fields[0], fields[4], fields[5], fields[19]
    pixels = data[header_size + ncolors * 12:]
    stride = len(pixels) // height
    bpp = fields[11] // 8
    rows = []
    for y in range(height):
        row = pixels[y * stride:y * stride + width * bpp]
        rows.append(bytes(b for x in range(width) for b in (row[x * bpp + 2], row[x * bpp + 1], row[x * bpp])))
    return width, height, rows


def write_png(path, width, height, rows):
    raw = b"".join(b"\0" + r for r in rows)
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)
    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
    open(path, "wb").write(png)


def main():
    width, height, rows = read_xwd(sys.argv[1])
    if len(sys.argv) == 7:
        x, y, w, h = map(int, sys.argv[3:7])
        rows = [r[x * 3:(x + w) * 3] for r in rows[y:y + h]]
        width, height = w, h
    write_png(sys.argv[2], width, height, rows)


if __name__ == "__main__":
    main()
