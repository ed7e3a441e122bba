#!/usr/bin/env python3
"""Draws Setup's artwork: the wizard picture (wizard.bmp, 8-bit with its own
palette) and the program icon (setup.ico, 32x32 and 16x16 in 256 colours).
Run it after changing a shape; the results are committed beside it."""
import math
import random
import struct
import sys
from pathlib import Path


class Canvas:
    def __init__(self, w, h, fill=(0, 0, 0)):
        self.w, self.h = w, h
        self.px = [[fill] * w for _ in range(h)]
        self.mask = [[False] * w for _ in range(h)]  # True = transparent (icons)

    def put(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c
            self.mask[y][x] = False

    def rect(self, x0, y0, x1, y1, c):
        for y in range(y0, y1):
            for x in range(x0, x1):
                self.put(x, y, c)

    def vgradient(self, x0, y0, x1, y1, top, bottom, steps=48):
        for y in range(y0, y1):
            t = (y - y0) / max(1, y1 - y0 - 1)
            t = round(t * (steps - 1)) / (steps - 1)
            c = tuple(round(a + (b - a) * t) for a, b in zip(top, bottom))
            for x in range(x0, x1):
                self.put(x, y, c)

    def disc(self, cx, cy, r, c):
        for y in range(int(cy - r) - 1, int(cy + r) + 2):
            for x in range(int(cx - r) - 1, int(cx + r) + 2):
                if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= r * r:
                    self.put(x, y, c)

    def star(self, cx, cy, r, c):
        # A five-pointed star by the even-odd rule over its ten corners.
        pts = []
        for i in range(10):
            a = -math.pi / 2 + i * math.pi / 5
            rr = r if i % 2 == 0 else r * 0.45
            pts.append((cx + rr * math.cos(a), cy + rr * math.sin(a)))
        for y in range(int(cy - r) - 1, int(cy + r) + 2):
            for x in range(int(cx - r) - 1, int(cx + r) + 2):
                px, py, inside = x + 0.5, y + 0.5, False
                for i in range(10):
                    (x1, y1), (x2, y2) = pts[i], pts[(i + 1) % 10]
                    if (y1 > py) != (y2 > py) and px < x1 + (py - y1) * (x2 - x1) / (y2 - y1):
                        inside = not inside
                if inside:
                    self.put(x, y, c)

    def bevel(self, x0, y0, x1, y1, face, light, dark):
        self.rect(x0, y0, x1, y1, face)
        self.rect(x0, y0, x1, y0 + 1, light)
        self.rect(x0, y0, x0 + 1, y1, light)
        self.rect(x0, y1 - 1, x1, y1, dark)
        self.rect(x1 - 1, y0, x1, y1, dark)

    def palette(self):
        colours = sorted({c for row in self.px for c in row})
        if len(colours) > 256:
            sys.exit(f"too many colours: {len(colours)}")
        return colours


SILVER, WHITE, GREY, BLACK = (192, 192, 192), (255, 255, 255), (128, 128, 128), (0, 0, 0)
YELLOW, GOLD = (255, 224, 64), (224, 160, 32)


def monitor(c, x, y, w, h, scale=1):
    """A period monitor: bevelled case, dark screen with a night scene, stand."""
    c.bevel(x, y, x + w, y + h, SILVER, WHITE, GREY)
    b = max(2, 3 * scale)
    sx0, sy0, sx1, sy1 = x + b, y + b, x + w - b, y + h - b - scale
    c.vgradient(sx0, sy0, sx1, sy1, (0, 16, 80), (16, 96, 160), steps=16)
    if scale > 1:
        c.disc(sx1 - (sx1 - sx0) * 0.28, sy0 + (sy1 - sy0) * 0.32, (sy1 - sy0) * 0.16,
               (250, 250, 210))
    c.star(sx0 + (sx1 - sx0) * (0.32 if scale > 1 else 0.5), sy0 + (sy1 - sy0) * 0.55, (sy1 - sy0) * 0.28, YELLOW)
    c.rect(x + w // 2 - 3 * scale, y + h, x + w // 2 + 3 * scale, y + h + 2 * scale, GREY)
    c.bevel(x + w // 2 - 8 * scale, y + h + 2 * scale, x + w // 2 + 8 * scale,
            y + h + 4 * scale, SILVER, WHITE, GREY)


def wizard_picture():
    w, h = 120, 210
    c = Canvas(w, h)
    c.vgradient(0, 0, w, h, (0, 0, 64), (0, 128, 160), steps=96)
    rnd = random.Random(1998)
    for _ in range(70):
        x, y = rnd.randrange(w), rnd.randrange(int(h * 0.6))
        c.put(x, y, rnd.choice([(255, 255, 255), (200, 220, 255), (255, 255, 200)]))
    c.disc(88, 30, 11, (250, 250, 210))
    # A crescent: the sky, row by row, bites the moon.
    sky = [row[0] for row in c.px]
    for y in range(16, 40):
        for x in range(80, 106):
            if (x + 0.5 - 93) ** 2 + (y + 0.5 - 27) ** 2 <= 100:
                c.put(x, y, sky[y])
    for sx, sy, r in ((24, 40, 9), (52, 72, 6), (16, 98, 5)):
        c.star(sx, sy, r, YELLOW)
        c.star(sx, sy, r * 0.5, WHITE)
    # A picture frame drifting like one of the saver's sprites.
    c.bevel(66, 66, 104, 96, GOLD, YELLOW, (128, 80, 0))
    c.vgradient(69, 69, 101, 93, (96, 160, 255), (32, 128, 64), steps=8)
    c.disc(80, 77, 4, (255, 200, 64))
    monitor(c, 18, 120, 84, 62, scale=2)
    c.rect(0, 196, w, h, (0, 64, 96))
    return c


def icon_picture(size):
    c = Canvas(size, size)
    for row in c.mask:
        row[:] = [True] * size
    if size >= 32:
        monitor(c, 2, 3, 28, 22, scale=1)
    else:
        c.bevel(0, 1, 16, 12, SILVER, WHITE, GREY)
        c.vgradient(2, 3, 14, 10, (0, 16, 80), (16, 96, 160), steps=4)
        c.star(6, 6.5, 3.4, YELLOW)
        c.rect(6, 12, 10, 13, GREY)
        c.rect(4, 13, 12, 15, SILVER)
    return c


def bmp_bytes(c, with_file_header=True, icon=False):
    pal = c.palette()
    pal += [BLACK] * (256 - len(pal))
    index = {col: i for i, col in enumerate(pal)}
    stride = (c.w + 3) & ~3
    rows = b""
    for y in range(c.h - 1, -1, -1):
        rows += bytes(index[p] for p in c.px[y]) + b"\0" * (stride - c.w)
    mask = b""
    if icon:
        mstride = ((c.w + 31) // 32) * 4
        for y in range(c.h - 1, -1, -1):
            bits = 0
            for x in range(c.w):
                bits = (bits << 1) | (1 if c.mask[y][x] else 0)
            row = bits.to_bytes((c.w + 7) // 8, "big")
            mask += row + b"\0" * (mstride - len(row))
        for y in range(c.h):
            for x in range(c.w):
                if c.mask[y][x]:
                    c.px[y][x] = BLACK
        rows = b""
        for y in range(c.h - 1, -1, -1):
            rows += bytes(index.get(p, 0) for p in c.px[y]) + b"\0" * (stride - c.w)
    height = c.h * 2 if icon else c.h
    info = struct.pack("<IiiHHIIiiII", 40, c.w, height, 1, 8, 0, len(rows) + len(mask),
                       2835, 2835, 256, 0)
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in pal)
    body = info + table + rows + mask
    if not with_file_header:
        return body
    return struct.pack("<2sIHHI", b"BM", 14 + len(body), 0, 0, 14 + 40 + 1024) + body


def ico_bytes(canvases):
    images = []
    for c in canvases:
        if BLACK not in {p for row in c.px for p in row}:
            c.px[0][0] = c.px[0][0]  # keep black available for the masked pixels
        images.append(bmp_bytes(c, with_file_header=False, icon=True))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for c, data in zip(canvases, images):
        out += struct.pack("<BBBBHHII", c.w, c.h, 0, 0, 1, 8, len(data), offset)
        offset += len(data)
    return out + b"".join(images)


if __name__ == "__main__":
    here = Path(__file__).resolve().parent
    (here / "wizard.bmp").write_bytes(bmp_bytes(wizard_picture()))
    (here / "setup.ico").write_bytes(ico_bytes([icon_picture(32), icon_picture(16)]))
