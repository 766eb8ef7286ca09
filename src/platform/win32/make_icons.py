#!/usr/bin/env python3
"""Draws the two 32x32 24-bit tray pictures as .ico files (idle.ico, busy.ico).

Run once after changing a picture; the .ico files are kept in the repository
so that the build needs nothing but the resource compiler.
"""
import struct
import sys
from pathlib import Path

SIZE = 32
TEAL = (0, 128, 128)
DARK_TEAL = (0, 84, 84)
LIGHT = (150, 232, 220)
GREEN = (40, 240, 60)
DARK_GREEN = (0, 150, 30)


def kite(x, y, cx, cy, half_width, up, down):
    """Distance measure of a kite (a diamond with different top and bottom
    heights) centred at cx, cy: <= 1 inside."""
    dx = abs(x + 0.5 - cx) / half_width
    dy = y + 0.5 - cy
    return dx + (-dy / up if dy < 0 else dy / down)


def shield_inside(x, y):
    top, shoulder, bottom, half = 2, 16, 30, 13
    if y < top or y > bottom:
        return False
    width = half if y <= shoulder else half * (bottom - y) / (bottom - shoulder)
    return abs(x + 0.5 - 16) <= width


def idle_pixel(x, y):
    """A teal shield whose centre is a lighter downward-pointing diamond."""
    if not shield_inside(x, y):
        return None
    if not all(shield_inside(x + dx, y + dy) for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1))):
        return DARK_TEAL
    if kite(x, y, 16, 12, 7, 6, 12) <= 1:
        return LIGHT
    return TEAL


def busy_pixel(x, y):
    """A bright green upward-pointing diamond over teal corners."""
    d = kite(x, y, 16, 19, 15, 18, 12)
    if d <= 0.88:
        return GREEN
    if d <= 1:
        return DARK_GREEN
    return TEAL


def ico(pixel):
    rows, mask = b"", b""
    for y in reversed(range(SIZE)):          # bitmaps are stored bottom-up
        bits = 0
        for x in range(SIZE):
            colour = pixel(x, y)
            if colour is None:
                rows += b"\0\0\0"
                bits |= 1 << (SIZE - 1 - x)   # transparent
            else:
                r, g, b = colour
                rows += bytes((b, g, r))
        mask += struct.pack(">I", bits)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 24, 0, len(rows) + len(mask), 0, 0, 0, 0)
    image = header + rows + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 24, len(image), 6 + 16)
    return directory + entry + image


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).parent
    (out / "idle.ico").write_bytes(ico(idle_pixel))
    (out / "busy.ico").write_bytes(ico(busy_pixel))


if __name__ == "__main__":
    main()
