#!/usr/bin/python3
"""The make-seamless comparison's pictures, figures and contact sheets.

    seamless_compare.py prepare WORK         input pictures into WORK
    seamless_compare.py report WORK SHEETS   figures (Markdown, stdout) and
                                             one contact sheet per picture

Pictures: photographs of surfaces that are not seamless, from Debian
packages: scikit-image's data (python3-skimage) and MATE's nature
backgrounds (mate-backgrounds, GPL-2+). Each is used at its own size and
cropped to a square and scaled to 1024 x 1024.
"""
import os
import statistics
import sys

import numpy as np
from PIL import Image, ImageDraw

SKIMAGE = "/usr/lib/python3/dist-packages/skimage/data"
MATE = "/usr/share/backgrounds/mate/nature"
PICTURES = [
    ("brick", f"{SKIMAGE}/brick.png"),
    ("grass", f"{SKIMAGE}/grass.png"),
    ("gravel", f"{SKIMAGE}/gravel.png"),
    ("leaf", f"{MATE}/Blinds.jpg"),
    ("meadow", f"{MATE}/GreenMeadow.jpg"),
    ("wood", f"{MATE}/Wood.jpg"),
    ("drops", f"{MATE}/RainDrops.jpg"),
    ("dune", f"{MATE}/Dune.jpg"),
]
SIZES = ["own", "1024"]
METHODS = ["smooth", "cut", "gegl", "gmic"]
LABELS = {"input": "input", "smooth": "ours, smooth", "cut": "ours, cut",
          "gegl": "GEGL tile-seamless", "gmic": "G'MIC periodize_poisson"}


def load(path, channels):
    """As an array of `channels` channels (GEGL writes RGBA, G'MIC keeps gray)."""
    image = Image.open(path)
    image = image.convert("L" if channels == 1 else "RGB")
    array = np.asarray(image, dtype=np.float64)
    return array[..., None] if array.ndim == 2 else array


def seam_ratio(a):
    """Mean absolute difference across the wrap-around edges over that
    between neighbouring interior pixels; 1.0 is seamless."""
    across = np.abs(np.diff(a, axis=1)).mean()
    down = np.abs(np.diff(a, axis=0)).mean()
    wrap_across = np.abs(a[:, -1] - a[:, 0]).mean()
    wrap_down = np.abs(a[-1, :] - a[0, :]).mean()
    n_across, n_down = a.shape[0] * (a.shape[1] - 1), (a.shape[0] - 1) * a.shape[1]
    interior = (across * n_across + down * n_down) / (n_across + n_down)
    wrap = (wrap_across * a.shape[0] + wrap_down * a.shape[1]) / (a.shape[0] + a.shape[1])
    return wrap / interior


def central_psnr(output, reference):
    h, w = reference.shape[:2]
    window = (slice(h // 4, h - h // 4), slice(w // 4, w - w // 4))
    mse = np.mean((output[window] - reference[window]) ** 2)
    return float("inf") if mse == 0 else 10 * np.log10(255.0 ** 2 / mse)


def prepare(work):
    os.makedirs(work, exist_ok=True)
    for name, path in PICTURES:
        image = Image.open(path)
        image = image.convert("L" if image.mode in ("L", "I;16", "I") else "RGB")
        image.save(f"{work}/{name}-own.png")
        side = min(image.size)
        left, top = (image.size[0] - side) // 2, (image.size[1] - side) // 2
        square = image.crop((left, top, left + side, top + side)).resize((1024, 1024), Image.LANCZOS)
        square.save(f"{work}/{name}-1024.png")
        print(f"{name}: {image.size[0]}x{image.size[1]} {image.mode}, {path}")


def tiled(array, shift):
    h, w = array.shape[:2]
    if shift:
        array = np.roll(array, (h // 2, w // 2), axis=(0, 1))
    return np.tile(array, (2, 2, 1))


def contact_sheet(work, name, channels, path):
    cell, caption = 384, 18
    columns = ["input"] + METHODS
    sheet = Image.new("RGB", (cell * len(columns), (cell + caption) * 2), "white")
    draw = ImageDraw.Draw(sheet)
    for row, shift in enumerate([False, True]):
        for column, method in enumerate(columns):
            file = f"{work}/{name}-1024.png" if method == "input" else f"{work}/{name}-1024-{method}.png"
            if not os.path.exists(file):
                continue
            picture = tiled(load(file, channels), shift).clip(0, 255).astype(np.uint8)
            image = Image.fromarray(picture[..., 0] if channels == 1 else picture).convert("RGB")
            sheet.paste(image.resize((cell, cell), Image.BOX), (column * cell, row * (cell + caption) + caption))
            anchor = "shifted by half" if shift else "at the corner"
            draw.text((column * cell + 4, row * (cell + caption) + 3), f"{LABELS[method]}, 2x2 {anchor}", fill="black")
    sheet.save(path)


def read_times(work):
    times = {}
    with open(f"{work}/times.txt") as lines:
        for line in lines:
            name, method, seconds = line.split()
            times.setdefault((name, method), []).append(float(seconds))
    return times


def report(work, sheets):
    os.makedirs(sheets, exist_ok=True)
    times = read_times(work)
    print("| Picture | Size | Seam ratio: input | smooth | cut | GEGL | G'MIC | PSNR of the central half, dB: smooth | cut | GEGL | G'MIC |")
    print("|---|---|---|---|---|---|---|---|---|---|---|")
    worst = {m: 0.0 for m in METHODS}
    psnr_shortfalls = []
    for name, _ in PICTURES:
        channels = 1 if Image.open(f"{work}/{name}-own.png").mode == "L" else 3
        for size in SIZES:
            reference = load(f"{work}/{name}-{size}.png", channels)
            ratios, psnrs = [], []
            for method in METHODS:
                output = load(f"{work}/{name}-{size}-{method}.png", channels)
                ratios.append(seam_ratio(output))
                psnrs.append(central_psnr(output, reference))
                worst[method] = max(worst[method], ratios[-1])
            for ours in (0, 1):
                if psnrs[ours] < max(psnrs[2], psnrs[3]):
                    psnr_shortfalls.append(f"{name}-{size} {METHODS[ours]}")
            h, w = reference.shape[:2]
            print(f"| {name} | {w}x{h} | {seam_ratio(reference):.2f} | "
                  + " | ".join(f"{r:.3f}" for r in ratios) + " | "
                  + " | ".join(f"{p:.1f}" for p in psnrs) + " |")
        contact_sheet(work, name, channels, f"{sheets}/{name}.png")
    print()
    print("Largest seam ratio: " + ", ".join(f"{m} {worst[m]:.3f}" for m in METHODS))
    print("PSNR below a peer's: " + (", ".join(psnr_shortfalls) if psnr_shortfalls else "none"))
    print()
    print("Whole process, 1024 x 1024 RGB, PNG in and out: median wall-clock seconds of the runs")
    print()
    print("| Picture | smooth | cut | GEGL | G'MIC | smooth / G'MIC | cut / G'MIC |")
    print("|---|---|---|---|---|---|---|")
    ratios = {"smooth": [], "cut": []}
    for name, _ in PICTURES:
        if (name, "gmic") not in times:
            continue
        median = {m: statistics.median(times[(name, m)]) for m in METHODS}
        for m in ratios:
            ratios[m].append(median[m] / median["gmic"])
        print(f"| {name} | " + " | ".join(f"{median[m]:.3f}" for m in METHODS)
              + f" | {median['smooth'] / median['gmic']:.2f}x | {median['cut'] / median['gmic']:.2f}x |")
    for m, values in ratios.items():
        if values:
            print(f"\n{m} against G'MIC, geometric mean over the RGB pictures: "
                  f"{float(np.exp(np.mean(np.log(values)))):.2f}x (largest {max(values):.2f}x)")


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "prepare":
        prepare(sys.argv[2])
    elif len(sys.argv) == 4 and sys.argv[1] == "report":
        report(sys.argv[2], sys.argv[3])
    else:
        sys.exit(__doc__)
