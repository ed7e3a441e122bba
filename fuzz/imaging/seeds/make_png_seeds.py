#!/usr/bin/env python3
"""Writes the small seed files of the PNG reader fuzzer into png/ beside this
script: every colour type and bit depth, a palette with transparency, a grey
and an RGB transparent colour, an interlaced picture and an ancillary chunk
that the reader skips.  Run it again after changing it; the files it writes
are committed."""
import os
import struct
import zlib

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "png")


def chunk(kind, data=b""):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))


def png(width, height, depth, ctype, rows, extra=b"", interlace=0):
    head = struct.pack(">IIBBBBB", width, height, depth, ctype, 0, 0, interlace)
    raw = b"".join(b"\0" + bytes(r) for r in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", head) + extra +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND"))


# Adam7: (first column, first row, column step, row step) of the seven passes.
PASSES = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2),
          (0, 1, 1, 2)]


def adam7_rgb8(width, height, pixel):
    """Rows of the seven passes of an 8-bit RGB picture, for png(..., interlace=1)."""
    rows = []
    for x0, y0, dx, dy in PASSES:
        for y in range(y0, height, dy):
            row = [c for x in range(x0, width, dx) for c in pixel(x, y)]
            if row:
                rows.append(row)
    return rows


def write(name, data):
    os.makedirs(HERE, exist_ok=True)
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


def ramp(n, step=1):
    return [(i * step) & 255 for i in range(n)]


PLTE = chunk(b"PLTE", bytes(ramp(48, 5)))
write("grey1.png", png(9, 3, 1, 0, [[0xA5, 0x80]] * 3))
write("grey2.png", png(5, 2, 2, 0, [[0x1B, 0xC0]] * 2))
write("grey4.png", png(3, 3, 4, 0, [[0x12, 0x30]] * 3))
write("grey8-trns.png", png(4, 2, 8, 0, [ramp(4, 60)] * 2, chunk(b"tRNS", b"\0\x3c")))
write("grey16.png", png(3, 2, 16, 0, [ramp(6, 40)] * 2))
write("rgb8-trns.png", png(3, 2, 8, 2, [ramp(9, 20)] * 2, chunk(b"tRNS", b"\0\0\0\x14\0\x28")))
write("rgb16.png", png(2, 2, 16, 2, [ramp(12, 21)] * 2))
write("palette1.png", png(10, 2, 1, 3, [[0x5A, 0xC0]] * 2, PLTE))
write("palette2-trns.png", png(5, 2, 2, 3, [[0xE4, 0x40]] * 2, PLTE + chunk(b"tRNS", b"\xff\0")))
write("palette8-alpha.png", png(4, 2, 8, 3, [[0, 5, 10, 15]] * 2,
                                PLTE + chunk(b"tRNS", bytes([255, 128, 0, 64]))))
write("grey-alpha.png", png(3, 2, 8, 4, [ramp(6, 45)] * 2))
write("rgba16.png", png(2, 2, 16, 6, [ramp(16, 17)] * 2))
write("interlaced.png", png(9, 9, 8, 2, adam7_rgb8(9, 9, lambda x, y: (x * 28, y * 28, 99)),
                           interlace=1))
write("text-chunk.png", png(2, 1, 8, 0, [[1, 2]], chunk(b"tEXt", b"Comment\0seed")))
