#!/usr/bin/env python3
"""Draws the program icon: a ringed planet in a starry night, 32x32 and 16x16, 16 colours each.

Writes res/install.ico. The icon is committed; run this only to change the artwork."""
import math
import struct
import sys

# The standard 16-colour VGA palette, as (r, g, b).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, NAVY, TEAL, GREY, BLUE, CYAN, WHITE, YELLOW, OLIVE = 0, 4, 6, 8, 12, 14, 15, 11, 3


def draw(size):
    """Answers rows (top first) of palette indices, or None for transparent pixels."""
    s = size / 32.0
    cx = cy = (size - 1) / 2.0
    r_sky = size / 2.0
    r_planet = 8.5 * s
    pixels = []
    for y in range(size):
        row = []
        for x in range(size):
            dx, dy = x - cx, y - cy
            d = math.hypot(dx, dy)
            colour = None
            if d <= r_sky - 0.3:
                colour = NAVY
            # the ring: a tilted ellipse, drawn behind the planet's upper half
            rx, ry = dx * math.cos(0.45) + dy * math.sin(0.45), -dx * math.sin(0.45) + dy * math.cos(0.45)
            ring = (rx / (14.0 * s)) ** 2 + (ry / (4.2 * s)) ** 2
            on_ring = 0.72 <= ring <= 1.0
            if on_ring and ry < 0:
                colour = YELLOW
            if d <= r_planet:
                # lit from the upper left
                light = (-dx - dy) / (r_planet * 1.6)
                colour = CYAN if light > 0.25 else (TEAL if light > -0.35 else BLUE)
            if on_ring and ry >= 0:
                colour = YELLOW if ring < 0.9 else OLIVE
            row.append(colour)
        pixels.append(row)
    stars = [(5, 6), (25, 4), (27, 22), (6, 24), (12, 3), (22, 28)] if size == 32 else [(3, 4), (12, 2), (13, 11)]
    for x, y in stars:
        if pixels[y][x] == NAVY:
            pixels[y][x] = WHITE
    return pixels


def icon_image(size):
    pixels = draw(size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in PALETTE)
    xor_stride = ((size * 4 + 31) // 32) * 4
    and_stride = ((size + 31) // 32) * 4
    xor = b''
    mask = b''
    for row in reversed(pixels):  # bottom-up
        line = bytearray(xor_stride)
        bits = bytearray(and_stride)
        for x, colour in enumerate(row):
            index = BLACK if colour is None else colour
            line[x // 2] |= index << (4 if x % 2 == 0 else 0)
            if colour is None:
                bits[x // 8] |= 0x80 >> (x % 8)
        xor += bytes(line)
        mask += bytes(bits)
    return header + palette + xor + mask


def main(path):
    images = [icon_image(32), icon_image(16)]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip((32, 16), images):
        out += struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    out += b''.join(images)
    with open(path, 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else 'res/install.ico')
