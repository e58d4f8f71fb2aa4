#!/usr/bin/env python3
"""Draws the chooser's two bitmaps: the Open Texture banner (493 x 38) and
the About picture (262 x 202), both 8-bit Windows bitmaps with a 256-colour
table. Everything is drawn here from procedural sample textures and a small
pixel font, so the build needs nothing but the Python standard library.

usage: make_artwork.py OUTPUT_DIRECTORY
writes OUTPUT_DIRECTORY/orielvmx_banner.bmp and orielvmx_about.bmp
"""
import math
import os
import struct
import sys

PRODUCT = "Oriel Brindle Zovezadu"

# --- pixel font ------------------------------------------------------------
# Seven rows per glyph, each row as wide as the glyph; '#' is ink.
GLYPHS = {
    " ": ["...", "...", "...", "...", "...", "...", "..."],
    "O": [".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
    "B": ["####.", "#...#", "#...#", "####.", "#...#", "#...#", "####."],
    "Z": ["#####", "....#", "...#.", "..#..", ".#...", "#....", "#####"],
    "T": ["#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."],
    "L": ["#....", "#....", "#....", "#....", "#....", "#....", "#####"],
    "a": [".....", ".....", ".###.", "....#", ".####", "#...#", ".####"],
    "b": ["#....", "#....", "####.", "#...#", "#...#", "#...#", "####."],
    "d": ["....#", "....#", ".####", "#...#", "#...#", "#...#", ".####"],
    "e": [".....", ".....", ".###.", "#...#", "#####", "#....", ".###."],
    "i": [".#.", "...", "##.", ".#.", ".#.", ".#.", "###"],
    "l": ["##.", ".#.", ".#.", ".#.", ".#.", ".#.", "###"],
    "n": [".....", ".....", "####.", "#...#", "#...#", "#...#", "#...#"],
    "o": [".....", ".....", ".###.", "#...#", "#...#", "#...#", ".###."],
    "r": [".....", ".....", "#.##.", "##..#", "#....", "#....", "#...."],
    "t": [".#..", ".#..", "####", ".#..", ".#..", ".#..", "..##"],
    "u": [".....", ".....", "#...#", "#...#", "#...#", "#..##", ".##.#"],
    "v": [".....", ".....", "#...#", "#...#", "#...#", ".#.#.", "..#.."],
    "x": [".....", ".....", "#...#", ".#.#.", "..#..", ".#.#.", "#...#"],
    "y": [".....", ".....", "#...#", "#...#", ".####", "....#", ".###."],
    "z": [".....", ".....", "#####", "...#.", "..#..", ".#...", "#####"],
}


def text_width(text, scale):
    return sum((len(GLYPHS[c][0]) + 1) * scale for c in text) - scale


def draw_text(image, text, left, top, scale, colour):
    x = left
    for c in text:
        glyph = GLYPHS[c]
        for gy, row in enumerate(glyph):
            for gx, cell in enumerate(row):
                if cell != "#":
                    continue
                for dy in range(scale):
                    for dx in range(scale):
                        image.put(x + gx * scale + dx, top + gy * scale + dy, colour)
        x += (len(glyph[0]) + 1) * scale


# --- procedural textures ---------------------------------------------------
def lattice(ix, iy, seed):
    h = (ix * 374761393 + iy * 668265263 + seed * 2147483647) & 0xFFFFFFFF
    h = ((h ^ (h >> 13)) * 1274126177) & 0xFFFFFFFF
    return ((h ^ (h >> 16)) & 0xFFFF) / 65535.0


def noise(x, y, seed):
    ix, iy = math.floor(x), math.floor(y)
    fx, fy = x - ix, y - iy
    sx, sy = fx * fx * (3 - 2 * fx), fy * fy * (3 - 2 * fy)
    a = lattice(ix, iy, seed)
    b = lattice(ix + 1, iy, seed)
    c = lattice(ix, iy + 1, seed)
    d = lattice(ix + 1, iy + 1, seed)
    top = a + (b - a) * sx
    bottom = c + (d - c) * sx
    return top + (bottom - top) * sy


def fbm(x, y, seed, octaves=4):
    total, amplitude, norm = 0.0, 1.0, 0.0
    for octave in range(octaves):
        total += amplitude * noise(x, y, seed + octave)
        norm += amplitude
        x, y, amplitude = x * 2.03, y * 2.03, amplitude * 0.5
    return total / norm


def mix(c0, c1, t):
    t = min(max(t, 0.0), 1.0)
    return tuple(a + (b - a) * t for a, b in zip(c0, c1))


def brindle(x, y):
    # Dark streaks over a tawny ground, bent by noise: the coat the product
    # is named after.
    warp = 7.0 * fbm(x * 0.025, y * 0.05, 11)
    stripe = 0.5 + 0.5 * math.sin(x * 0.22 + warp + 0.5 * math.sin(y * 0.07))
    grain = fbm(x * 0.2, y * 0.2, 17, 2)
    ground = mix((176, 118, 58), (205, 150, 84), grain)
    return mix(ground, (52, 32, 22), (stripe - 0.35) * 2.2)


def marble(x, y):
    v = math.sin((x * 0.6 + y) * 0.06 + 6.0 * fbm(x * 0.03, y * 0.03, 23))
    vein = abs(v) ** 0.35
    return mix((70, 82, 96), (236, 236, 230), vein)


def brick(x, y):
    row = y // 12
    offset = 12 if row % 2 else 0
    bx, by = (x + offset) % 24, y % 12
    n = fbm(x * 0.3, y * 0.3, 31, 2)
    if bx < 2 or by < 2:
        return mix((170, 166, 156), (200, 196, 186), n)
    tone = lattice((x + offset) // 24, row, 37)
    return mix(mix((150, 58, 40), (188, 92, 60), tone), (110, 40, 30), n * 0.6)


def wood(x, y):
    cx, cy = x - 30.0, y * 0.35 - 80.0
    r = math.hypot(cx, cy) * 0.22 + 3.0 * fbm(x * 0.04, y * 0.01, 41)
    ring = r - math.floor(r)
    return mix((214, 168, 110), (150, 98, 52), ring ** 3)


def weave(x, y):
    cell, stripe = 10, 8
    cx, cy = x // cell, y // cell
    fx, fy = x % cell, y % cell
    horizontal = (cx + cy) % 2 == 0
    along, across = (fx, fy) if horizontal else (fy, fx)
    shade = 0.55 + 0.45 * math.sin(math.pi * (across + 0.5) / cell)
    if across >= stripe:
        return (48, 56, 70)
    base = (90, 128, 170) if horizontal else (206, 196, 150)
    return tuple(c * shade for c in base)


def terrazzo(x, y):
    n = fbm(x * 0.5, y * 0.5, 53, 2)
    chip = lattice(x // 3, y // 3, 59)
    if chip > 0.93:
        return (40, 96, 84)
    if chip > 0.86:
        return (170, 60, 50)
    return mix((226, 220, 206), (196, 190, 176), n)


TEXTURES = [brindle, marble, brick, wood, weave, terrazzo]


# --- indexed image and bitmap file -----------------------------------------
# A 6 x 7 x 6 colour cube (green gets the extra level: the eye sees it best)
# and four grays; ordered dithering hides the steps.
LEVELS = (6, 7, 6)


def palette():
    entries = []
    for r in range(LEVELS[0]):
        for g in range(LEVELS[1]):
            for b in range(LEVELS[2]):
                entries.append((r * 255 // (LEVELS[0] - 1), g * 255 // (LEVELS[1] - 1),
                                b * 255 // (LEVELS[2] - 1)))
    entries += [(32, 32, 32), (96, 96, 96), (160, 160, 160), (224, 224, 224)]
    return entries


BAYER = [[0, 8, 2, 10], [12, 4, 14, 6], [3, 11, 1, 9], [15, 7, 13, 5]]


def quantise(rgb, x, y):
    threshold = (BAYER[y % 4][x % 4] + 0.5) / 16.0 - 0.5
    index = 0
    for channel, levels in zip(rgb, LEVELS):
        steps = levels - 1
        v = min(max(channel / 255.0 * steps + threshold, 0.0), steps)
        index = index * levels + int(round(v))
    return index


class Image:
    def __init__(self, width, height):
        self.width, self.height = width, height
        self.rgb = [[(255, 255, 255)] * width for _ in range(height)]

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.rgb[y][x] = tuple(colour)

    def fill(self, left, top, width, height, source):
        for y in range(top, top + height):
            for x in range(left, left + width):
                self.put(x, y, source(x - left, y - top))

    def frame(self, left, top, width, height, colour):
        for x in range(left, left + width):
            self.put(x, top, colour)
            self.put(x, top + height - 1, colour)
        for y in range(top, top + height):
            self.put(left, y, colour)
            self.put(left + width - 1, y, colour)

    def write_bmp(self, path):
        row_bytes = (self.width + 3) // 4 * 4
        table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette())
        table += b"\0" * (1024 - len(table))
        pixels = bytearray()
        for y in reversed(range(self.height)):  # bottom-up rows
            row = bytes(quantise(self.rgb[y][x], x, y) for x in range(self.width))
            pixels += row + b"\0" * (row_bytes - self.width)
        offset = 14 + 40 + len(table)
        header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
        info = struct.pack("<IiiHHIIiiII", 40, self.width, self.height, 1, 8, 0, len(pixels),
                           2835, 2835, 256, 0)
        with open(path, "wb") as out:
            out.write(header + info + table + pixels)


def banner():
    # 493 x 38: three swatches, then the product name on a pale ground.
    image = Image(493, 38)
    image.fill(0, 0, 493, 38, lambda x, y: mix((255, 255, 255), (232, 226, 214), y / 37.0))
    for i, texture in enumerate(TEXTURES[:3]):
        left = 3 + i * 36
        image.fill(left + 1, 3, 30, 30, lambda x, y, t=texture, s=i: t(x + 40 * s, y))
        image.frame(left, 2, 32, 32, (60, 44, 32))
    left = 3 + 3 * 36 + 10
    draw_text(image, PRODUCT, left + 1, 7, 3, (200, 176, 140))  # shadow
    draw_text(image, PRODUCT, left, 6, 3, (86, 44, 24))
    for x in range(left, 490):
        image.put(x, 32, (150, 98, 52))
    return image


def about():
    # 262 x 202: six textures in two rows above the product name.
    image = Image(262, 202)
    side, gap = 84, 3
    for i, texture in enumerate(TEXTURES):
        column, row = i % 3, i // 3
        left, top = 3 + column * (side + gap), 3 + row * (side + gap)
        image.fill(left, top, side, side, texture)
        image.frame(left - 1, top - 1, side + 2, side + 2, (60, 44, 32))
    width = text_width(PRODUCT, 2)
    draw_text(image, PRODUCT, (262 - width) // 2 + 1, 182, 2, (200, 176, 140))
    draw_text(image, PRODUCT, (262 - width) // 2, 181, 2, (86, 44, 24))
    return image


def main():
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    banner().write_bmp(os.path.join(out, "orielvmx_banner.bmp"))
    about().write_bmp(os.path.join(out, "orielvmx_about.bmp"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
