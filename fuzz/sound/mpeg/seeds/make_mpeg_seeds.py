#!/usr/bin/env python3
"""Writes the MPEG audio decoder fuzzer's seeds into cut/ beside this script:
the first two frames of every stream of the shared corpus (../shared/testdata
beside the checkout), so that a run decodes a few frames instead of the 2 KiB
of dozens of small ones.  A stream whose first frame length cannot be worked
out from its header (free format) keeps its first 1 KiB.  Run it again after
changing it; the files it writes are committed."""
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, *[".."] * 5, "shared",
                                                                "testdata")
FRAMES = 2
LIMIT = 1024

# Bit rates in kbit/s by (MPEG-1?, layer), indexes 1 to 14 (ISO 11172-3, 13818-3).
RATES = {
    (True, 1): [32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448],
    (True, 2): [32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384],
    (True, 3): [32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320],
    (False, 1): [32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256],
    (False, 2): [8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160],
}
RATES[(False, 3)] = RATES[(False, 2)]
SAMPLE_RATES = {3: [44100, 48000, 32000], 2: [22050, 24000, 16000], 0: [11025, 12000, 8000]}


def frame_length(h):
    """Length in bytes of the frame whose 4-byte header is h, or 0."""
    if len(h) < 4 or h[0] != 0xFF or (h[1] & 0xE0) != 0xE0:
        return 0
    version, layer = (h[1] >> 3) & 3, 4 - ((h[1] >> 1) & 3)
    rate_index, sample_index, padding = h[2] >> 4, (h[2] >> 2) & 3, (h[2] >> 1) & 1
    if version == 1 or layer == 4 or rate_index in (0, 15) or sample_index == 3:
        return 0
    mpeg1 = version == 3
    bitrate = RATES[(mpeg1, layer)][rate_index - 1] * 1000
    sample_rate = SAMPLE_RATES[version][sample_index]
    if layer == 1:
        return (12 * bitrate // sample_rate + padding) * 4
    if layer == 3 and not mpeg1:
        return 72 * bitrate // sample_rate + padding
    return 144 * bitrate // sample_rate + padding


def cut(data):
    start = next((i for i in range(len(data) - 3) if frame_length(data[i:i + 4])), None)
    if start is None:
        return data[:LIMIT]
    end = start
    for _ in range(FRAMES):
        n = frame_length(data[end:end + 4])
        if not n:
            break
        end += n
    return data[:end][:LIMIT] if end > start else data[:LIMIT]


def main():
    out = os.path.join(HERE, "cut")
    os.makedirs(out, exist_ok=True)
    for old in os.listdir(out):
        os.remove(os.path.join(out, old))
    for folder in ("mpeg-audio", os.path.join("generated", "mpeg-audio")):
        top = os.path.join(CORPUS, folder)
        for root, _, files in os.walk(top):
            for name in sorted(files):
                if not name.endswith((".bit", ".mp3", ".mp2", ".mp1")):
                    continue
                with open(os.path.join(root, name), "rb") as f:
                    data = f.read()
                with open(os.path.join(out, name), "wb") as f:
                    f.write(cut(data))


main()
