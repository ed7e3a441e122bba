#!/usr/bin/env python3
"""Writes the small seed files of the YUV12C, KIPS, IAX, PSEG and Portrait
reader fuzzers into the folders beside this script.  Run it again after
changing it; the files it writes are committed."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def write(folder, name, data):
    os.makedirs(os.path.join(HERE, folder), exist_ok=True)
    with open(os.path.join(HERE, folder, name), "wb") as f:
        f.write(bytes(data))


def vid(width, height, rows):
    return b"YUV12C\0\0" + struct.pack("<4H", 0, 0, width, height) + bytes(rows)


def kps(width, height, pixels):
    head = b"DFIMAG00" + struct.pack("<3H", height, width, 1)
    return head + bytes(32 - len(head)) + bytes(pixels)


def rec(ident, data=b"", flags=0):
    return b"\x5a" + struct.pack(">H", len(data) + 8) + ident.to_bytes(3, "big") + bytes(
        [flags, 0, 0]) + bytes(data)


def iid(width, height, cell_w=0, cell_h=0):
    data = bytes([0, 0, 9, 0x60, 9, 0x60] + [0] * 8) + struct.pack(">4H", 2400, 2400, width,
                                                                   height)
    return rec(0xD3A67B, data + bytes(6) + struct.pack(">2H", cell_w, cell_h) + bytes(3))


def icp(x, y, w, h, fw=0xFFFF, fh=0xFFFF):
    return rec(0xD3AC7B, struct.pack(">6H", x, y, w, h, fw, fh))


def segment(body):
    return (rec(0xD3A85F, b"\x40" * 8) + rec(0xD3A87B, b"\x40" * 8) + rec(0xD3A77B, bytes(24)) +
            body + rec(0xD3A97B) + rec(0xD3A95F))


write("yuv12c", "grey-8x2.vid", vid(8, 2, [0x40, 0x06, 0x06, 0x64, 0x64, 0x40] * 4))
write("yuv12c", "colour-4x1.vid", vid(4, 1, [0x0e, 0x92, 0x6c, 0x64, 0xfe, 0x8a]))
write("yuv12c", "odd-width.vid", vid(6, 1, bytes(9)))

write("kips", "ramp-4x3.kps", kps(4, 3, range(12)))
write("kips", "short.kps", kps(16, 16, range(20)))

write("iax", "ramp-512x2.iax", [i % 256 for i in range(1024)])
write("iax", "odd-length.iax", range(100))

ird = 0xD3EE7B
write("pseg", "whole.pseg", segment(iid(16, 2) + rec(ird, [0x80, 0x01, 0xF0, 0x0F])))
write("pseg", "cells.pseg",
      segment(iid(24, 4, 8, 2) + icp(8, 0, 0xFFFF, 0xFFFF) + rec(ird, [0x11, 0x22]) +
              icp(0, 0, 8, 1, 12, 4) + rec(ird, [0x5A]) + icp(16, 0, 8, 4) +
              rec(ird, [1, 2, 3, 4])))
write("pseg", "padded.pseg",
      rec(0xD3A87B) + iid(8, 1) + rec(ird, [3, 9, 9, 0x3C, 0xEE, 2], 0x88) + rec(0xD3A97B))
stripped = b"".join(r[1:] for r in [rec(0xD3A87B), iid(8, 1), rec(ird, [0x99]), rec(0xD3A97B)])
write("pseg", "no-introducers.pseg", stripped)

write("portrait", "square-4x4.cvp", range(48))
write("portrait", "short.cvp", bytes(100))
