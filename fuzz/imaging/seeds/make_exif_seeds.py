#!/usr/bin/env python3
"""Writes the seed files of the Exif orientation fuzzer into seeds/exif beside
this script: APP1 payloads in both byte orders with the orientation among
other tags.  Run it again after changing it; the files it writes are
committed."""
import os
import struct

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "exif")


def block(order, entries):
    fmt = "<" if order == b"II" else ">"
    out = b"Exif\0\0" + order + struct.pack(fmt + "HI", 42, 8)
    out += struct.pack(fmt + "H", len(entries))
    for tag, kind, count, value in entries:
        if kind == 3:
            out += struct.pack(fmt + "HHIHH", tag, kind, count, value, 0)
        else:
            out += struct.pack(fmt + "HHII", tag, kind, count, value)
    return out + struct.pack(fmt + "I", 0)


os.makedirs(HERE, exist_ok=True)
seeds = {
    "ii-orientation-6": block(b"II", [(0x010F, 2, 6, 0x40), (0x0112, 3, 1, 6)]),
    "mm-orientation-8": block(b"MM", [(0x0112, 3, 1, 8), (0x8769, 4, 1, 0x30)]),
    "ii-orientation-3-alone": block(b"II", [(0x0112, 3, 1, 3)]),
}
for name, data in seeds.items():
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)
