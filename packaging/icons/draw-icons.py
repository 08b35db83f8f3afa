#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The Vortlane developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""Draws Vortlane's icon: a plug pushed home into a socket, with traffic
both ways. The picture is 32 x 32 pixels in the sixteen-colour set (one
entry of which is the transparent mask); the larger sizes enlarge each pixel
without smoothing, and the SVG draws the same pixels as squares.

Writes src/about/icons/vortlane-32.png (the about box and the window icon)
and, beside this script, vortlane-48/64/128/256.png and vortlane.svg.
Run it again after changing the picture; nothing else needs it."""

import pathlib
import struct
import zlib

SIZE = 32
COLOURS = {  # '.' is the transparent mask
    '.': None,
    'k': (0, 0, 0), 'K': (128, 128, 128), 's': (192, 192, 192), 'w': (255, 255, 255),
    'n': (0, 0, 128), 'b': (0, 0, 255), 'c': (0, 255, 255),
    'o': (128, 128, 0), 'y': (255, 255, 0), 'g': (0, 128, 0), 'l': (0, 255, 0),
    'm': (128, 0, 0), 'r': (255, 0, 0),
}

pixels = [['.'] * SIZE for _ in range(SIZE)]


def fill(x0, y0, x1, y1, colour):
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            pixels[y][x] = colour


def block(x0, y0, x1, y1, face, light, dark):
    """A rounded block with a black outline, lit from the top left."""
    fill(x0, y0, x1, y1, 'k')
    fill(x0 + 1, y0 + 1, x1 - 1, y1 - 1, face)
    fill(x0 + 1, y0 + 1, x1 - 1, y0 + 1, light)
    fill(x0 + 1, y0 + 1, x0 + 1, y1 - 1, light)
    fill(x0 + 1, y1 - 1, x1 - 1, y1 - 1, dark)
    fill(x1 - 1, y0 + 2, x1 - 1, y1 - 1, dark)
    for x, y in ((x0, y0), (x1, y0), (x0, y1), (x1, y1)):
        pixels[y][x] = '.'
    for x, y in ((x0 + 1, y0 + 1), (x1 - 1, y0 + 1), (x0 + 1, y1 - 1), (x1 - 1, y1 - 1)):
        pixels[y][x] = 'k'


def arrow(tail, head, y, colour, shade):
    """A two-pixel shaft on rows y and y + 1 with a solid head at x = head."""
    step = 1 if head > tail else -1
    for x in range(tail, head - 2 * step, step):
        pixels[y][x] = colour
        pixels[y + 1][x] = shade
    for i in range(3):
        x = head - 2 * step + i * step
        for row in range(y - 2 + i, y + 4 - i):
            pixels[row][x] = colour if row <= y else shade


def draw():
    # the socket, a wall outlet seen from the side, with its fixing screw
    block(20, 5, 29, 26, 's', 'w', 'K')
    fill(24, 14, 26, 17, 'K')
    fill(25, 14, 25, 17, 'k')
    for x, y in ((24, 14), (26, 14), (24, 17), (26, 17)):
        pixels[y][x] = 's'
    # the cable behind the plug
    fill(0, 14, 3, 17, 'k')
    fill(0, 15, 3, 16, 'K')
    # the plug with its grip
    block(3, 8, 12, 23, 'b', 'c', 'n')
    for x in (6, 8, 10):
        fill(x, 11, x, 20, 'n')
    # the two prongs, pushed home into the socket
    for y in (11, 18):
        fill(13, y - 1, 22, y + 2, 'k')
        fill(13, y, 21, y, 'y')
        fill(13, y + 1, 21, y + 1, 'o')
    # data going out along the top, coming in along the bottom
    arrow(5, 18, 2, 'l', 'g')
    arrow(27, 14, 28, 'r', 'm')


def png(size):
    keys = list(COLOURS)
    if len(keys) > 16:
        raise SystemExit('more than sixteen colours')
    index = {key: i for i, key in enumerate(keys)}
    palette = b''.join(bytes(COLOURS[key] or (0, 0, 0)) for key in keys)
    alpha = bytes(0 if COLOURS[key] is None else 255 for key in keys)
    rows = b''
    for y in range(size):
        row = [index[pixels[y * SIZE // size][x * SIZE // size]] for x in range(size)]
        rows += b'\0' + bytes((row[i] << 4) | row[i + 1] for i in range(0, size, 2))

    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))

    return (b'\x89PNG\r\n\x1a\n'
            + chunk(b'IHDR', struct.pack('>IIBBBBB', size, size, 4, 3, 0, 0, 0))
            + chunk(b'PLTE', palette) + chunk(b'tRNS', alpha)
            + chunk(b'IDAT', zlib.compress(rows, 9)) + chunk(b'IEND', b''))


def svg():
    shapes = []
    for y, row in enumerate(pixels):
        x = 0
        while x < SIZE:
            key = row[x]
            run = 1
            while x + run < SIZE and row[x + run] == key:
                run += 1
            if COLOURS[key] is not None:
                shapes.append(f'  <rect x="{x}" y="{y}" width="{run}" height="1" fill="#%02x%02x%02x"/>'
                              % COLOURS[key])
            x += run
    return ('<?xml version="1.0" encoding="UTF-8"?>\n'
            '<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 32 32"'
            ' shape-rendering="crispEdges">\n'
            '  <title>Vortlane</title>\n'
            + '\n'.join(shapes) + '\n</svg>\n')


def main():
    here = pathlib.Path(__file__).resolve().parent
    draw()
    (here.parent.parent / 'src' / 'about' / 'icons' / 'vortlane-32.png').write_bytes(png(32))
    for size in (48, 64, 128, 256):
        (here / f'vortlane-{size}.png').write_bytes(png(size))
    (here / 'vortlane.svg').write_text(svg())


if __name__ == '__main__':
    main()
