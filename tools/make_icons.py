#!/usr/bin/env python3
"""Draws the programs' 48 x 48, 256-colour icons: python3 tools/make_icons.py (from the root)."""
import struct

SIZE = 48


def write_icon(path, pixel):
    """pixel(x, y) gives (r, g, b) or None for transparent; y = 0 is the top row."""
    palette, indices, mask = [], [], []
    for y in reversed(range(SIZE)):  # a DIB is stored bottom-up
        row, bits = [], []
        for x in range(SIZE):
            colour = pixel(x, y)
            bits.append(colour is None)
            colour = colour or (0, 0, 0)
            if colour not in palette:
                palette.append(colour)
            row.append(palette.index(colour))
        indices.append(bytes(row))
        mask.append(bytes(int("".join("1" if b else "0" for b in bits[i:i + 8]), 2)
                          for i in range(0, SIZE, 8)).ljust(8, b"\0"))
    assert len(palette) <= 256
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette).ljust(1024, b"\0")
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 8, 0, 0, 0, 0, 256, 0)
    image = header + colours + b"".join(indices) + b"".join(mask)
    with open(path, "wb") as out:
        out.write(struct.pack("<HHH", 0, 1, 1))
        out.write(struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 8, len(image), 22))
        out.write(image)


def rounded_square(x, y, inset=2, radius=8):
    lo, hi = inset, SIZE - 1 - inset
    cx = min(max(x, lo + radius), hi - radius)
    cy = min(max(y, lo + radius), hi - radius)
    return lo <= x <= hi and lo <= y <= hi and (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def shade(base, y):
    return tuple(max(0, min(255, c + 40 - y * 2)) for c in base)


def console_pixel(x, y):
    # A blue tile with a lens over a row of signal bits.
    if not rounded_square(x, y):
        return None
    d = ((x - 21) ** 2 + (y - 20) ** 2) ** 0.5
    if 9 <= d <= 12.5 or (x - y > -2 and x - y < 3 and 29 <= x <= 41):
        return (250, 250, 250)
    if d < 9:
        return (170, 215, 250) if (x // 4 + y // 6) % 2 else (120, 180, 235)
    return shade((30, 90, 190), y)


def installer_pixel(x, y):
    # A green tile with an arrow going down into a tray.
    if not rounded_square(x, y):
        return None
    arrow = (20 <= x <= 27 and 8 <= y <= 24) or (y >= 24 and abs(x - 23.5) <= 34 - y and y <= 32)
    tray = 35 <= y <= 38 and 10 <= x <= 37 or (29 <= y <= 38 and (10 <= x <= 12 or 35 <= x <= 37))
    if arrow or tray:
        return (250, 250, 250)
    return shade((30, 140, 70), y)


write_icon("console/window/portlens.ico", console_pixel)
write_icon("installer/deploy/loadkit.ico", installer_pixel)
