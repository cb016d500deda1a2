#!/usr/bin/env python3
"""Rewrites a PNG with its pixels stored as they are: every row unfiltered, the deflate stream in
stored blocks. The same picture, several times the bytes, but the page's program is sent packed
with brotli, which packs bare pixels far better than the PNG's own deflate can, and a stored
stream is quick to unpack at start-up.

Usage: store_png.py IN OUT
"""

import struct
import sys
import zlib


def chunks(data):
    pos = 8
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        yield kind, data[pos + 8:pos + 8 + length]
        pos += 12 + length


def rows(raw, stride, bpp, height):
    """Each row without its filter byte's work (the tests read pictures with this too)."""
    prev = bytearray(stride)
    for y in range(height):
        at = y * (stride + 1)
        ftype, line = raw[at], bytearray(raw[at + 1:at + 1 + stride])
        for i in range(stride):
            a = line[i - bpp] if i >= bpp else 0
            b = prev[i]
            c = prev[i - bpp] if i >= bpp else 0
            if ftype == 1:
                line[i] = (line[i] + a) & 0xFF
            elif ftype == 2:
                line[i] = (line[i] + b) & 0xFF
            elif ftype == 3:
                line[i] = (line[i] + (a + b) // 2) & 0xFF
            elif ftype == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 0xFF
            elif ftype != 0:
                raise ValueError(f"unknown row filter {ftype}")
        yield bytes(line)
        prev = line


def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))


def main():
    source, target = sys.argv[1], sys.argv[2]
    with open(source, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        sys.exit(f"store_png: {source} is not a PNG")
    found = list(chunks(data))
    width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", found[0][1])
    channels = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}.get(colour)
    if channels is None or interlace != 0 or depth not in (1, 2, 4, 8):
        sys.exit(f"store_png: {source}: a PNG layout this does not handle")
    bits = channels * depth
    raw = zlib.decompress(b"".join(body for kind, body in found if kind == b"IDAT"))
    try:
        pixels = b"".join(b"\0" + line for line in
                          rows(raw, (width * bits + 7) // 8, max(1, bits // 8), height))
    except ValueError as e:
        sys.exit(f"store_png: {source}: {e}")
    out = bytearray(data[:8])
    for kind, body in found:
        if kind == b"IDAT":
            if pixels is not None:
                out += chunk(b"IDAT", zlib.compress(pixels, 0))
                pixels = None
        else:
            out += chunk(kind, body)
    with open(target, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
