"""Structured textures for the quilted fill's quality script: five 256 x 256
RGB pictures that tile without a seam (every feature wraps around), each
with a joint mask, True on the lines where one piece meets the next (grout,
cobble joints, the gaps between boards, mortar, the gaps between threads).
A cut that runs along such a line does not show; one that crosses a tile,
stone, board, brick or thread does unless the texels either side of it
match.

Drawn with NumPy alone from a seed, so that every run measures the same
pictures:

  textures(seed) -> {name: (rgb uint8 array 256 x 256 x 3, joint bool array 256 x 256)}

Run as a script to write NAME.png and NAME-joints.png into a folder.
"""

import os
import sys

import numpy as np

SIZE = 256


def periodic_noise(rng, size, wavelength, shape=None):
    """Smooth noise that wraps around: white noise low-passed in the
    frequency domain (a Gaussian of the given wavelength), unit deviation."""
    shape = shape or (size, size)
    white = rng.standard_normal(shape)
    fy = np.fft.fftfreq(shape[0])[:, None]
    fx = np.fft.fftfreq(shape[1])[None, :]
    sigma = 1.0 / wavelength
    spectrum = np.fft.fft2(white) * np.exp(-(fx ** 2 + fy ** 2) / (2 * sigma ** 2))
    noise = np.real(np.fft.ifft2(spectrum))
    return (noise - noise.mean()) / (noise.std() + 1e-12)


def grid():
    y, x = np.mgrid[0:SIZE, 0:SIZE]
    return x, y


def finish(rgb):
    return np.clip(np.rint(rgb), 0, 255).astype(np.uint8)


def square_tiles(rng):
    """8 x 8 glazed tiles of 32 px with 3 px of light grout; each tile its
    own shade of one glaze, a faint mottle and a darker bevel at its edge."""
    x, y = grid()
    pitch, grout = 32, 3
    # Grout lines centred on the multiples of the pitch.
    cx = (x + 1) % pitch
    cy = (y + 1) % pitch
    joint = (cx < grout) | (cy < grout)
    i = (x + 1) // pitch % (SIZE // pitch)
    j = (y + 1) // pitch % (SIZE // pitch)
    glaze = np.array([70.0, 110.0, 150.0])
    shade = rng.normal(0, 14, (SIZE // pitch, SIZE // pitch))
    tint = rng.normal(0, 6, (SIZE // pitch, SIZE // pitch, 3))
    rgb = glaze[None, None, :] + shade[j, i][:, :, None] + tint[j, i]
    rgb = rgb + 4 * periodic_noise(rng, SIZE, 6)[:, :, None] + rng.normal(0, 1.5, (SIZE, SIZE, 1))
    # Bevel: the glaze thins toward the tile's edge.
    inside = np.minimum(np.minimum(cx - grout, pitch - 1 - cx), np.minimum(cy - grout, pitch - 1 - cy))
    rgb = rgb - np.clip(3 - inside, 0, 3)[:, :, None] * 7
    grout_colour = np.array([205.0, 200.0, 190.0]) + 5 * periodic_noise(rng, SIZE, 3)[:, :, None]
    rgb = np.where(joint[:, :, None], grout_colour + rng.normal(0, 2, (SIZE, SIZE, 1)), rgb)
    return finish(rgb), joint


def cobbles(rng):
    """Stones of a periodic Voronoi pattern (distances wrap around), each
    its own tone, rounded (darker toward its rim), in dark joints about
    3 px wide."""
    x, y = grid()
    cells = 6
    pitch = SIZE / cells
    sy, sx = np.mgrid[0:cells, 0:cells]
    seeds_x = ((sx + 0.5 + rng.uniform(-0.35, 0.35, sx.shape)) * pitch).ravel()
    seeds_y = ((sy + 0.5 + rng.uniform(-0.35, 0.35, sy.shape)) * pitch).ravel()
    # Wrapped offsets from every pixel to every seed, (seeds, SIZE, SIZE).
    dx = (seeds_x[:, None, None] - x[None] + SIZE / 2) % SIZE - SIZE / 2
    dy = (seeds_y[:, None, None] - y[None] + SIZE / 2) % SIZE - SIZE / 2
    squared = dx ** 2 + dy ** 2
    nearest = np.argmin(squared, axis=0)
    ax = np.take_along_axis(dx, nearest[None], 0)[0]
    ay = np.take_along_axis(dy, nearest[None], 0)[0]
    near = np.take_along_axis(squared, nearest[None], 0)[0]
    # Distance to the nearest bisector: (|p - b|^2 - |p - a|^2) / 2|a - b|.
    gap = np.sqrt((dx - ax[None]) ** 2 + (dy - ay[None]) ** 2)
    border = np.where(gap > 0, (squared - near[None]) / (2 * np.maximum(gap, 1e-9)), np.inf).min(axis=0)
    joint = border < 1.5
    count = seeds_x.size
    tone = rng.uniform(95, 185, count)
    hue = rng.normal(0, 1, (count, 3)) * np.array([5.0, 4.0, 5.0]) + np.array([8.0, 2.0, -10.0])
    rgb = tone[nearest][:, :, None] + hue[nearest]
    # Rounded stones: darker toward the rim, over the last 8 px.
    rgb = rgb * (0.72 + 0.28 * np.clip(border / 8, 0, 1))[:, :, None]
    rgb = rgb + 6 * periodic_noise(rng, SIZE, 4)[:, :, None] + rng.normal(0, 2, (SIZE, SIZE, 1))
    mortar = np.array([48.0, 44.0, 40.0]) + 4 * periodic_noise(rng, SIZE, 3)[:, :, None]
    rgb = np.where(joint[:, :, None], mortar + rng.normal(0, 2, (SIZE, SIZE, 1)), rgb)
    return finish(rgb), joint


def planks(rng):
    """16 rows of 16 px boards with 2 px dark gaps between rows, board ends
    (2 px butt joints) at staggered random places in each row, each board
    its own tone with a grain along it."""
    x, y = grid()
    height, gap = 16, 2
    rows = SIZE // height
    joint = (y % height) < gap
    board = np.zeros((SIZE, SIZE), dtype=np.int64)
    along = np.zeros((SIZE, SIZE))
    starts = []
    for r in range(rows):
        # Boards of 48 to 150 px, laid from a random start; the row wraps,
        # so the last board runs on into the first one's start.
        first = rng.integers(0, SIZE)
        ends = [first]
        while True:
            step = rng.integers(48, 151)
            if ends[-1] + step > first + SIZE - 48:
                break
            ends.append(ends[-1] + step)
        starts.append(np.array(ends) % SIZE)
    tones = []
    base = 0
    for r in range(rows):
        s = np.sort(starts[r])
        line = slice(r * height, (r + 1) * height)
        xs = x[line]
        # Which board of the row each column is on, and how far along it.
        index = np.searchsorted(s, xs, side="right") - 1  # -1: the board that wraps from the last start
        start = s[index]
        board[line] = base + index % len(s)
        along[line] = (xs - start) % SIZE
        for end in s:
            joint[line] |= ((xs - end) % SIZE < 1) | ((xs - end) % SIZE >= SIZE - 1)
        tones.extend(rng.uniform(-22, 22, len(s)))
        base += len(s)
    tones = np.array(tones)
    phases = rng.uniform(0, 2 * np.pi, base)
    wood = np.array([150.0, 100.0, 58.0])
    rgb = wood[None, None, :] + tones[board][:, :, None] * np.array([1.0, 0.8, 0.55])
    # Grain: fine stripes along the board, their rows wavering slowly.
    waver = 2.5 * periodic_noise(rng, SIZE, 24)
    grain = np.sin((y + waver) * 2 * np.pi / 4.5 + phases[board] + along / 40.0)
    rgb = rgb + (7 * grain)[:, :, None] * np.array([1.0, 0.8, 0.6])
    rgb = rgb + 3 * periodic_noise(rng, SIZE, 2)[:, :, None]
    dark = np.array([42.0, 28.0, 18.0]) + rng.normal(0, 2, (SIZE, SIZE, 1))
    rgb = np.where(joint[:, :, None], dark, rgb)
    return finish(rgb), joint


def brick(rng):
    """Running bond: courses of 32 px, bricks of 64 px, every other course
    half a brick along, 4 px of mortar; each brick its own red, speckled."""
    x, y = grid()
    course, length, mortar = 32, 64, 4
    c = y // course
    shifted = (x + (c % 2) * (length // 2)) % SIZE
    joint = ((y % course) < mortar) | ((shifted % length) < mortar)
    b = (c * (SIZE // length) + shifted // length).astype(np.int64)
    count = (SIZE // course) * (SIZE // length)
    tone = rng.normal(0, 12, count)
    red = np.array([160.0, 72.0, 50.0])
    rgb = red[None, None, :] + tone[b][:, :, None] * np.array([1.0, 0.6, 0.5])
    rgb = rgb + rng.normal(0, 5, count)[b][:, :, None] * np.array([0.2, 0.6, 0.6])
    rgb = rgb + 5 * periodic_noise(rng, SIZE, 5)[:, :, None] + rng.normal(0, 2.5, (SIZE, SIZE, 1))
    mortar_colour = np.array([182.0, 176.0, 165.0]) + 5 * periodic_noise(rng, SIZE, 3)[:, :, None]
    rgb = np.where(joint[:, :, None], mortar_colour + rng.normal(0, 2, (SIZE, SIZE, 1)), rgb)
    return finish(rgb), joint


def woven(rng):
    """Plain weave of coarse threads on a 16 px pitch: in each cell the
    thread on top (warp and weft taking turns, over one, under the next)
    shows 14 px of its length, rounded across and darker toward the ends
    where it dives under its neighbour, with its fibres along it; 2 px dark
    lines between the cells, where the threads part and dive."""
    x, y = grid()
    pitch, width = 16, 14
    i = x // pitch  # warp thread (runs down)
    j = y // pitch  # weft thread (runs across)
    px = x % pitch
    py = y % pitch
    joint = (px >= width) | (py >= width)
    warp_over = (i + j) % 2 == 0
    threads = SIZE // pitch
    warp_tone = rng.normal(0, 4, threads)
    weft_tone = rng.normal(0, 4, threads)
    warp_colour = np.array([190.0, 160.0, 108.0])
    weft_colour = np.array([150.0, 112.0, 70.0])
    # Across the thread (a) and along it (b), both -1 .. 1 over the 14 px.
    a = np.where(warp_over, px, py)
    b = np.where(warp_over, py, px)
    a = (a - (width - 1) / 2) / (width / 2)
    b = (b - (width - 1) / 2) / (width / 2)
    lit = (1 - 0.45 * a ** 2) * (1 - 0.35 * b ** 4)
    # Fibres: fine ridges along the thread, slightly twisted.
    fibres = np.sin(2 * np.pi * (np.where(warp_over, px, py) + 0.15 * np.where(warp_over, py, px)) / 3.5)
    tone = np.where(warp_over, warp_tone[i], weft_tone[j])
    colour = np.where(warp_over[:, :, None], warp_colour, weft_colour)
    rgb = (colour + tone[:, :, None]) * lit[:, :, None] + (5 * fibres)[:, :, None]
    rgb = rgb + 3 * periodic_noise(rng, SIZE, 2)[:, :, None]
    gap = np.array([40.0, 30.0, 20.0]) + rng.normal(0, 2, (SIZE, SIZE, 1))
    rgb = np.where(joint[:, :, None], gap, rgb)
    return finish(rgb), joint


KINDS = {"tiles": square_tiles, "cobbles": cobbles, "planks": planks, "bricks": brick, "weave": woven}


def textures(seed=7):
    """Every kind, each from its own stream of the seed."""
    return {name: draw(np.random.default_rng([seed, n])) for n, (name, draw) in enumerate(KINDS.items())}


def main():
    from PIL import Image

    folder = sys.argv[1] if len(sys.argv) > 1 else "."
    os.makedirs(folder, exist_ok=True)
    for name, (rgb, joint) in textures().items():
        Image.fromarray(rgb).save(os.path.join(folder, name + ".png"))
        Image.fromarray(joint.astype(np.uint8) * 255).save(os.path.join(folder, name + "-joints.png"))
        print(name, f"joints {joint.mean():.3f}")


if __name__ == "__main__":
    main()
