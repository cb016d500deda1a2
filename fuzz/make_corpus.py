#!/usr/bin/python3
"""Writes the fuzzer's seed corpus from the game's tune: the whole file, the file cut short at
every structural boundary and at fractions of its length, copies with bytes flipped in the
header fields and at random places, a header whose instrument table never advances, and an
empty file.

Usage: make_corpus.py TUNE OUTDIR
"""
import os
import random
import struct
import sys


def xm_boundaries(data):
    """Offsets where the Extended Module's header, patterns and instruments start and end."""
    cuts = {0, 1, 16, 17, 37, 38, 58, 60, 64, 80}
    if len(data) < 80 or not data.startswith(b"Extended Module: "):
        return cuts
    header_size = struct.unpack_from("<I", data, 60)[0]
    patterns, instruments = struct.unpack_from("<HH", data, 70)
    pos = 60 + header_size
    cuts.add(pos)
    for _ in range(patterns):
        if pos + 9 > len(data):
            return cuts
        length = struct.unpack_from("<I", data, pos)[0]
        packed = struct.unpack_from("<H", data, pos + 7)[0]
        cuts.update({pos + 4, pos + length, pos + length + packed // 2})
        pos += length + packed
        cuts.add(pos)
    for _ in range(instruments):
        if pos + 33 > len(data):
            return cuts
        size = struct.unpack_from("<I", data, pos)[0]
        samples = struct.unpack_from("<H", data, pos + 27)[0]
        cuts.update({pos + 4, pos + 29, pos + size})
        if samples == 0:
            pos += size
            continue
        header = struct.unpack_from("<I", data, pos + 29)[0]
        heads = pos + size
        total = 0
        for s in range(samples):
            at = heads + s * header
            if at + 4 > len(data):
                return cuts
            total += struct.unpack_from("<I", data, at)[0]
            cuts.add(at)
        pos = heads + samples * header
        cuts.update({pos, pos + total // 2})
        pos += total
        cuts.add(pos)
    return cuts


def main():
    tune, out = sys.argv[1], sys.argv[2]
    with open(tune, "rb") as f:
        data = f.read()
    os.makedirs(out, exist_ok=True)
    seeds = {"empty": b"", "whole": data}
    cuts = xm_boundaries(data) | {len(data) * k // 20 for k in range(1, 20)} | {len(data) - 1}
    for cut in sorted(c for c in cuts if 0 < c < len(data)):
        seeds[f"cut-{cut:06d}"] = data[:cut]
    # The fields the loader and libxmp read first: version, header size, song length, restart,
    # channels, patterns, instruments, flags, tempo, BPM.
    for field in (58, 60, 64, 66, 68, 70, 72, 74, 76, 78, 80):
        for value in (0x00, 0xFF, 0x7F):
            b = bytearray(data)
            b[field] = value
            seeds[f"field-{field:03d}-{value:02x}"] = bytes(b)
    # A table of instruments that never moves on: each has no header of its own, the most
    # samples a count can say and sample headers of size 0. A layout check that walks such a
    # table entry by entry does billions of reads for a file of a few hundred bytes.
    if len(data) >= 336 and data.startswith(b"Extended Module: "):
        header = bytearray(data[:60 + struct.unpack_from("<I", data, 60)[0]])
        struct.pack_into("<HH", header, 70, 0, 0xFFFF)
        instrument = bytearray(64)
        struct.pack_into("<H", instrument, 27, 0xFFFF)
        seeds["stalled-instruments"] = bytes(header) + bytes(instrument)
    rng = random.Random(1234)
    for n in range(48):
        b = bytearray(data)
        for _ in range(1 + n % 8):
            b[rng.randrange(len(b))] ^= 1 << rng.randrange(8)
        seeds[f"flip-{n:02d}"] = bytes(b)
    for name, body in seeds.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(body)
    print(f"make_corpus: {len(seeds)} seeds in {out}")


if __name__ == "__main__":
    main()
