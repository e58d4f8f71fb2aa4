#!/usr/bin/python3
"""Measures the quilted fill without repetition (texfill's --repeat shapes)
against its quality goals, on the gen-sample textures brick, stone, wood,
fabric and marble at 256X256 and on two photographs of surfaces from
Debian's python3-skimage (gravel and grass, gray) made seamless, each
filled over a 1024 x 1024 document. The reference is the texture as the
fill places it (the tile fill of one period).

  coherent   the share of 600 random 12 x 12 patches of the fill whose RMS
             distance to the nearest 12 x 12 patch of the reference
             (wrapped around, every position) is at most 0.10 of the
             reference's standard deviation: at least 0.85 (a tile fill
             has 1.00; broken shapes make new patches);
  gradient   the mean absolute difference between neighbouring pixels'
             luminance, across and down, over that of the reference
             (wrapped around): within 0.95 .. 1.05 (seams raise it, blends
             lower it);
  repeat     the share of pixels within one level (every channel) of the
             pixel one period to the right, and one period below: at most
             0.30 (a tile fill has 1.00);
  histogram  each channel's mean within 3 levels and its deviation within
             8 % of the reference's;
  seeds      the share of pixels within one level between fills of two
             variations: at most 0.30.

  shape_quality.py --texfill TEXFILL --work DIR

Prints one table row per texture; exits 1 when a goal is missed.
"""

import argparse
import os
import subprocess
import sys

try:
    import numpy as np
    from PIL import Image
except ImportError:
    sys.exit("shape_quality.py: needs Debian's python3-numpy and python3-pil")

SAMPLES = ["brick", "stone", "wood", "fabric", "marble"]
PHOTOS = {"gravel": "gravel.png", "grass": "grass.png"}
PHOTO_DIR = "/usr/lib/python3/dist-packages/skimage/data"
DOCUMENT = 1024
PATCH = 12
PATCHES = 600

COHERENT_MINIMUM = 0.85
GRADIENT_RANGE = (0.95, 1.05)
REPEAT_LIMIT = 0.30
MEAN_LIMIT = 3.0
DEVIATION_LIMIT = 0.08


def read(path):
    image = np.asarray(Image.open(path))
    return image[:, :, None] if image.ndim == 2 else image[:, :, :3]


def luminance(image):
    # In floating point before any weight: NumPy 2 refuses 601 * uint8.
    planes = image.astype(np.float64)
    if planes.shape[2] == 1:
        return planes[:, :, 0]
    return (306 * planes[:, :, 0] + 601 * planes[:, :, 1] + 117 * planes[:, :, 2]) / 1024


def gradient(plane, wrapped):
    if wrapped:
        across = np.abs(np.roll(plane, -1, axis=1) - plane)
        down = np.abs(np.roll(plane, -1, axis=0) - plane)
    else:
        across = np.abs(np.diff(plane, axis=1))
        down = np.abs(np.diff(plane, axis=0))
    return (across.mean() + down.mean()) / 2


def coherent(fill, reference, rng):
    """Share of random patches of the fill near some patch of the reference,
    every wrapped position: squared distances by FFT correlation."""
    height, width, channels = reference.shape
    ref = reference.astype(np.float64)
    limit = (0.10 * ref.std()) ** 2 * PATCH * PATCH * channels
    # Sum of squares of every wrapped PATCH x PATCH window of the reference.
    squares = (ref ** 2).sum(axis=2)
    box = np.zeros((height, width))
    box[:PATCH, :PATCH] = 1
    window_energy = np.real(np.fft.ifft2(np.fft.fft2(squares) * np.conj(np.fft.fft2(box))))
    spectra = [np.fft.fft2(ref[:, :, c]) for c in range(channels)]
    near = 0
    for _ in range(PATCHES):
        y = rng.integers(0, fill.shape[0] - PATCH + 1)
        x = rng.integers(0, fill.shape[1] - PATCH + 1)
        patch = fill[y:y + PATCH, x:x + PATCH].astype(np.float64)
        cross = np.zeros((height, width))
        for c in range(channels):
            padded = np.zeros((height, width))
            padded[:PATCH, :PATCH] = patch[:, :, c]
            cross += np.real(np.fft.ifft2(spectra[c] * np.conj(np.fft.fft2(padded))))
        distance = (patch ** 2).sum() + window_energy - 2 * cross
        near += distance.min() <= limit + 1e-6
    return near / PATCHES


def repeat_share(a, b):
    return float(np.all(np.abs(a.astype(np.int32) - b.astype(np.int32)) <= 1, axis=2).mean())


def fill(args, texture, size, out, seed, extra, gray=False):
    """An 8-bit RGB (or gray) document filled by texfill, read back."""
    document = os.path.join(args.work, "document-gray.png" if gray else "document.png")
    if not os.path.exists(document):
        Image.fromarray(np.zeros((DOCUMENT, DOCUMENT) if gray else (DOCUMENT, DOCUMENT, 3), dtype=np.uint8)).save(document)
    command = [args.texfill, "fill", "--texture", texture, "--size", size, "--seed", str(seed)] + extra
    subprocess.run(command + [document, out], check=True, capture_output=True)
    return read(out)


def measure(name, texture, size, gray, args):
    extra = ["--make-seamless"] if gray else []
    # The texture as the fill places it: the tile fill, one period read back.
    plain = fill(args, texture, size, os.path.join(args.work, f"{name}-tile.png"), 1, extra, gray)
    first = fill(args, texture, size, os.path.join(args.work, f"{name}-shapes.png"), 1,
                 extra + ["--repeat", "shapes"], gray)
    second = fill(args, texture, size, os.path.join(args.work, f"{name}-shapes-2.png"), 2,
                  extra + ["--repeat", "shapes"], gray)
    # The period: where the tile fill first repeats across and down.
    period_x = next(p for p in range(1, DOCUMENT) if np.array_equal(plain[:, p:], plain[:, :-p]))
    period_y = next(p for p in range(1, DOCUMENT) if np.array_equal(plain[p:], plain[:-p]))
    reference = plain[:period_y, :period_x]

    rng = np.random.default_rng(31)
    share = coherent(first, reference, rng)
    ratio = gradient(luminance(first), False) / gradient(luminance(reference), True)
    repeat = max(repeat_share(first[:, period_x:], first[:, :-period_x]),
                 repeat_share(first[period_y:], first[:-period_y]))
    seeds = repeat_share(first, second)
    mean_error = max(abs(first[:, :, c].mean() - reference[:, :, c].mean()) for c in range(first.shape[2]))
    deviation_error = max(abs(first[:, :, c].std() / reference[:, :, c].std() - 1) for c in range(first.shape[2]))
    met = (share >= COHERENT_MINIMUM and GRADIENT_RANGE[0] <= ratio <= GRADIENT_RANGE[1] and repeat <= REPEAT_LIMIT
           and seeds <= REPEAT_LIMIT and mean_error <= MEAN_LIMIT and deviation_error <= DEVIATION_LIMIT)
    print(f"| {name} | {period_x}x{period_y} | {share:.2f} | {ratio:.3f} | {repeat:.3f} | {seeds:.3f} | "
          f"{mean_error:.2f} | {100 * deviation_error:.1f} % | {'met' if met else 'NOT MET'} |", flush=True)
    return met


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--texfill", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--only", help="one texture by name")
    args = parser.parse_args()
    os.makedirs(args.work, exist_ok=True)

    print(f"Fills of {DOCUMENT} x {DOCUMENT} with --repeat shapes; goals: coherent >= {COHERENT_MINIMUM}, gradient "
          f"ratio {GRADIENT_RANGE[0]}-{GRADIENT_RANGE[1]}, repeat and two seeds' repeat <= {REPEAT_LIMIT}, mean within "
          f"{MEAN_LIMIT} levels, deviation within {100 * DEVIATION_LIMIT:.0f} %.")
    print()
    print("| Texture | Period | Coherent | Gradient ratio | Repeat | Two seeds | Mean error | Deviation error | |")
    print("|---|---|---|---|---|---|---|---|---|")
    all_met = True
    for name in SAMPLES:
        if args.only and name != args.only:
            continue
        png = os.path.join(args.work, name + "-sample.png")
        subprocess.run([args.texfill, "gen-sample", name, png], check=True, capture_output=True)
        all_met &= measure(name, png, "256X256", False, args)
    for name, file in PHOTOS.items():
        if args.only and name != args.only:
            continue
        path = os.path.join(PHOTO_DIR, file)
        if not os.path.exists(path):
            print(f"| {name} | missing: {path} (python3-skimage) | | | | | | | NOT MET |")
            all_met = False
            continue
        all_met &= measure(name, path, "Actual", True, args)
    return 0 if all_met else 1


if __name__ == "__main__":
    sys.exit(main())
