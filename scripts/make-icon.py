#!/usr/bin/env python3
"""Draws the program's icon: a teal tile with a sensor's two-point calibration
line (zero gas, reference gas) and writes it as PNG files and a Windows .ico
holding 16, 24, 32, 48, 64 and 256 pixel images (PNG-compressed entries).

    scripts/make-icon.py OUTPUT_DIR
"""
import math
import struct
import sys
import zlib
from pathlib import Path

TEAL = (0, 128, 128)
WHITE = (255, 255, 255)
YELLOW = (255, 214, 0)


def inside_rounded_square(x, y, size, radius):
    cx = min(max(x, radius), size - radius)
    cy = min(max(y, radius), size - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def distance_to_segment(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def shade(x, y):
    """Colour and coverage of one point of the 1 x 1 design."""
    if not inside_rounded_square(x, y, 1.0, 0.18):
        return None
    colour = TEAL
    # Axes.
    if 0.16 <= x <= 0.86 and abs(y - 0.84) < 0.025 or 0.16 <= y <= 0.84 and abs(x - 0.16) < 0.025:
        colour = WHITE
    # The calibration line from the zero point to the reference point.
    if distance_to_segment(x, y, 0.22, 0.74, 0.80, 0.24) < 0.035:
        colour = WHITE
    for px, py in ((0.22, 0.74), (0.80, 0.24)):
        if math.hypot(x - px, y - py) < 0.085:
            colour = YELLOW
    return colour


def render(size):
    samples = 4
    rows = []
    for j in range(size):
        row = bytearray()
        for i in range(size):
            acc = [0, 0, 0]
            covered = 0
            for sj in range(samples):
                for si in range(samples):
                    c = shade((i + (si + 0.5) / samples) / size, (j + (sj + 0.5) / samples) / size)
                    if c is not None:
                        covered += 1
                        for k in range(3):
                            acc[k] += c[k]
            if covered:
                row += bytes([acc[0] // covered, acc[1] // covered, acc[2] // covered,
                              255 * covered // (samples * samples)])
            else:
                row += bytes(4)
        rows.append(bytes(row))
    return rows


def png(size, rows):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    raw = b"".join(b"\x00" + r for r in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    out = Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    sizes = [16, 24, 32, 48, 64, 256]
    images = {s: png(s, render(s)) for s in sizes}
    (out / "g_varnest.png").write_bytes(images[256])
    (out / "g_varnest-48.png").write_bytes(images[48])
    header = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    entries = b""
    for s in sizes:
        data = images[s]
        entries += struct.pack("<BBBBHHII", s % 256, s % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    (out / "g_varnest.ico").write_bytes(header + entries + b"".join(images[s] for s in sizes))


if __name__ == "__main__":
    main()
