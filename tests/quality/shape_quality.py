#!/usr/bin/python3
"""Measures the quilted fill without repetition (texfill's --repeat shapes)
against its quality goals.

Patch measures, on the gen-sample textures brick, stone, wood, fabric and
marble at 256X256 and on two photographs of surfaces from Debian's
python3-skimage (gravel and grass, gray) made seamless, each filled over a
1024 x 1024 document; the reference is the texture as the fill places it
(the tile fill of one period):

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

With --part shown, the same measures for the five structured textures below
(at their own size), without goals: a texture of pieces and joints shows the
fill's cuts more than these do.

Hidden cuts, on five structured textures of 256 x 256 drawn by
structured_textures.py (square tiles with grout, cobbles, planks, bricks in
running bond, a plain weave), each with the mask of its joints; fills of
768 x 512 at the texture's own size, seeds 1 and 2. shape_source (built
beside texfill) tells which texel each pixel comes from; every pixel of the
fill must be that texel, or the script stops (the map would not describe the
fill). A cut is a pair of neighbouring pixels, across or down, whose texels
are not neighbours in the texture (wrapped around). It is hidden when either
texel lies on a joint, or when the texel placed beside one pixel is within 3
levels (every channel) of the one the texture has there, seen from either
pixel:

  hidden     hidden cuts over all cuts: at least 0.85 for each texture and
             seed (cuts that run along the joints, or through texels that
             match, do not show).

NAME-cuts-SEED-shown.png in the work folder is each fill with the cuts that
show in red. A cut along a joint counts as hidden even where the joints on
either side of it do not line up.

Turned, on gen-sample brick at 256X256 and the planks above: the fill
turned 30 degrees against the cubic resampling of its own unturned plane
(the unturned fill, offset so that it holds every texel the turned fill's
pixels reach, resampled here with the point sampler's own 14-bit Keys
weights, 1/1024 phases and rounding; texel centres at half-integers, the
turn counter-clockwise on screen about the tile origin):

  turned     PSNR at least 45 dB (a nearest texel of the plane, as a fill
             without a cubic takes, is about 30 to 34 dB).

The tile fill turned is measured against the cubic of its own unturned fill
the same way; it is that cubic exactly, and below 60 dB the script stops (the
reference would no longer be the sampler's). Beside it, the share of the
quilted fill's pixels that are the plane's nearest texel (1.00 without a
cubic), which shows that the plane is the one the turned fill reads.

The whole run takes about a minute on two cores.

  shape_quality.py --texfill TEXFILL --tool SHAPE_SOURCE --work DIR
                   [--only NAME] [--part measures|cuts|turned|shown ...]

Prints a table for each part; exits 1 when a goal is missed.
"""

import argparse
import math
import os
import subprocess
import sys

try:
    import numpy as np
    from PIL import Image
except ImportError:
    sys.exit("shape_quality.py: needs Debian's python3-numpy and python3-pil")

# The module beside this script, imported without leaving compiled files in
# the source tree.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import structured_textures  # noqa: E402 (beside this script)

SAMPLES = ["brick", "stone", "wood", "fabric", "marble"]
PHOTOS = {"gravel": "gravel.png", "grass": "grass.png"}
PHOTO_DIR = "/usr/lib/python3/dist-packages/skimage/data"
STRUCTURED = list(structured_textures.KINDS)
DOCUMENT = 1024
PATCH = 12
PATCHES = 600

COHERENT_MINIMUM = 0.85
GRADIENT_RANGE = (0.95, 1.05)
REPEAT_LIMIT = 0.30
MEAN_LIMIT = 3.0
DEVIATION_LIMIT = 0.08

CUT_DOCUMENT = (768, 512)  # width, height
CUT_SEEDS = (1, 2)
LOOK_ALIKE = 3  # levels, every channel
HIDDEN_MINIMUM = 0.85

TURN_DEGREES = 30.0
TURN_DOCUMENT = 512
TURN_MINIMUM_DB = 45.0
REFERENCE_MINIMUM_DB = 60.0  # the tile fill against the same reference: exact today

PARTS = ("measures", "cuts", "turned", "shown")
# The structured textures' patch measures have no goals: shown when asked.
DEFAULT_PARTS = ("measures", "cuts", "turned")


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
    # Real transforms, the channels' products summed before one inverse.
    spectra = [np.fft.rfft2(ref[:, :, c]) for c in range(channels)]
    near = 0
    for _ in range(PATCHES):
        y = rng.integers(0, fill.shape[0] - PATCH + 1)
        x = rng.integers(0, fill.shape[1] - PATCH + 1)
        patch = fill[y:y + PATCH, x:x + PATCH].astype(np.float64)
        product = 0
        for c in range(channels):
            padded = np.zeros((height, width))
            padded[:PATCH, :PATCH] = patch[:, :, c]
            product = product + spectra[c] * np.conj(np.fft.rfft2(padded))
        cross = np.fft.irfft2(product, s=(height, width))
        distance = (patch ** 2).sum() + window_energy - 2 * cross
        near += distance.min() <= limit + 1e-6
    return near / PATCHES


def repeat_share(a, b):
    return float(np.all(np.abs(a.astype(np.int32) - b.astype(np.int32)) <= 1, axis=2).mean())


def fill(args, texture, size, out, seed, extra, gray=False):
    """An 8-bit RGB (or gray) document filled by texfill, read back (`out`
    a TIFF: written in half the time of a PNG)."""
    document = os.path.join(args.work, "document-gray.png" if gray else "document.png")
    if not os.path.exists(document):
        Image.fromarray(np.zeros((DOCUMENT, DOCUMENT) if gray else (DOCUMENT, DOCUMENT, 3), dtype=np.uint8)).save(document)
    command = [args.texfill, "fill", "--texture", texture, "--size", size, "--seed", str(seed)] + extra
    subprocess.run(command + [document, out], check=True, capture_output=True)
    return read(out)


def measure(name, texture, size, gray, args, goals=True):
    extra = ["--make-seamless"] if gray else []
    # The texture as the fill places it: the tile fill, one period read back.
    plain = fill(args, texture, size, os.path.join(args.work, f"{name}-tile.tif"), 1, extra, gray)
    first = fill(args, texture, size, os.path.join(args.work, f"{name}-shapes.tif"), 1,
                 extra + ["--repeat", "shapes"], gray)
    second = fill(args, texture, size, os.path.join(args.work, f"{name}-shapes-2.tif"), 2,
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
    verdict = ("met" if met else "NOT MET") if goals else ("within" if met else "outside") + " (no goal)"
    print(f"| {name} | {period_x}x{period_y} | {share:.2f} | {ratio:.3f} | {repeat:.3f} | {seeds:.3f} | "
          f"{mean_error:.2f} | {100 * deviation_error:.1f} % | {verdict} |", flush=True)
    return met or not goals


def blank_document(args, width, height):
    path = os.path.join(args.work, f"document-{width}x{height}.png")
    if not os.path.exists(path):
        Image.fromarray(np.zeros((height, width, 3), dtype=np.uint8)).save(path)
    return path


def run_texfill(args, texture, document, out, options):
    subprocess.run([args.texfill, "fill", "--texture", texture] + options + [document, out], check=True,
                   capture_output=True)
    return read(out)


def structured_pngs(args):
    """The structured textures written once into the work folder, with
    their pixels and joint masks."""
    drawn = {}
    for name, (rgb, joints) in structured_textures.textures().items():
        path = os.path.join(args.work, f"{name}.png")
        Image.fromarray(rgb).save(path)
        drawn[name] = (path, rgb, joints)
    return drawn


def source_map(args, texture, seed, width, height):
    """Which texel (x, y) each pixel of the quilted fill is copied from."""
    out = os.path.join(args.work, f"source-{seed}.bin")
    subprocess.run([args.tool, texture, out, str(width), str(height), "--seed", str(seed)], check=True,
                   capture_output=True)
    pairs = np.fromfile(out, dtype="<u2").reshape(height, width, 2).astype(np.int64)
    return pairs[:, :, 0], pairs[:, :, 1]


def hidden_cuts(texture, joints, sx, sy):
    """Cuts between neighbours across and down, how many are hidden (either
    texel on a joint, or the texel placed beside a pixel within LOOK_ALIKE
    levels of the texture's own neighbour there, either way), and a mask of
    the pixels left of or above a cut that shows."""
    height, width = joints.shape
    pixels = texture.astype(np.int32)
    cuts = 0
    hidden = 0
    shows = np.zeros(sx.shape, dtype=bool)
    for dx, dy in ((1, 0), (0, 1)):
        ax, ay = sx[:sx.shape[0] - dy, :sx.shape[1] - dx], sy[:sy.shape[0] - dy, :sy.shape[1] - dx]
        bx, by = sx[dy:, dx:], sy[dy:, dx:]
        cut = (bx != (ax + dx) % width) | (by != (ay + dy) % height)
        ax, ay, bx, by = ax[cut], ay[cut], bx[cut], by[cut]
        on_joint = joints[ay, ax] | joints[by, bx]
        # From a: b's texel against the one after a's in the texture; from b:
        # a's texel against the one before b's.
        after_a = pixels[(ay + dy) % height, (ax + dx) % width]
        before_b = pixels[(by - dy) % height, (bx - dx) % width]
        alike = (np.abs(pixels[by, bx] - after_a) <= LOOK_ALIKE).all(axis=1) | \
                (np.abs(pixels[ay, ax] - before_b) <= LOOK_ALIKE).all(axis=1)
        cuts += int(cut.sum())
        hidden += int((on_joint | alike).sum())
        where = np.argwhere(cut)[~(on_joint | alike)]
        shows[where[:, 0], where[:, 1]] = True
    return cuts, hidden, shows


def measure_cuts(args, name, texture, rgb, joints):
    width, height = CUT_DOCUMENT
    document = blank_document(args, width, height)
    all_met = True
    for seed in CUT_SEEDS:
        filled = run_texfill(args, texture, document, os.path.join(args.work, f"{name}-cuts-{seed}.tif"),
                             ["--size", "Actual", "--repeat", "shapes", "--seed", str(seed)])
        sx, sy = source_map(args, texture, seed, width, height)
        # The map must describe this very fill, or every figure below is about
        # something else.
        wrong = np.any(filled != rgb[sy, sx], axis=2)
        if wrong.any():
            y, x = np.argwhere(wrong)[0]
            sys.exit(f"shape_quality.py: {name}, seed {seed}: {int(wrong.sum())} pixels of the fill are not the "
                     f"texel shape_source names (first at {x}, {y}: texel {sx[y, x]}, {sy[y, x]}); the source map "
                     "no longer follows the fill")
        cuts, hidden, shows = hidden_cuts(rgb, joints, sx, sy)
        # For the eye: the fill with the cuts that show in red.
        marked = filled.copy()
        marked[shows] = (255, 0, 0)
        Image.fromarray(marked).save(os.path.join(args.work, f"{name}-cuts-{seed}-shown.png"))
        share = hidden / cuts if cuts else 1.0
        met = share >= HIDDEN_MINIMUM
        all_met &= met
        print(f"| {name} | {seed} | {cuts} | {share:.3f} | {'met' if met else 'NOT MET'} |", flush=True)
    return all_met


# The point sampler's cubic, as resample/cubic_weights.cpp and
# resample/point_sampler.cpp compute it: Keys' kernel (a = -0.5) in the same
# nested forms, 14-bit weights rounded half up and renormalised with the
# remainder on tap i + 1, positions with 32 fractional bits rounded to
# 1/1024 of a texel, columns first with 6 fractional bits kept.
WEIGHT_ONE = 1 << 14
FRACTION_BITS = 32
PHASE_BITS = 10


def keys_kernel(x):
    if x < -2.0:
        return 0.0
    if x < -1.0:
        t = x + 2.0
        return 0.5 * t * ((t - 1.0) * t)
    if x < 0.0:
        t = x + 1.0
        return 0.5 * t * (t * (-3.0 * t + 4.0) + 1.0)
    if x < 1.0:
        return 0.5 * ((3.0 * x - 5.0) * x * x + 2.0)
    if x < 2.0:
        t = x - 1.0
        return 0.5 * t * ((2.0 - t) * t - 1.0)
    return 0.0


def phase_weights():
    """Weights of texels i - 1 .. i + 2 for each phase past texel i's centre."""
    rows = []
    for phase in range((1 << PHASE_BITS) + 1):
        frac = 1.0 - phase / (1 << PHASE_BITS)
        # int() truncates toward zero, as the C++ conversion and division do.
        weights = [int(keys_kernel(j + frac) * WEIGHT_ONE + 0.5) for j in range(-2, 2)]
        total = sum(weights)
        weights = [(abs(w) * WEIGHT_ONE // total) * (1 if w >= 0 else -1) for w in weights]
        weights[2] += WEIGHT_ONE - sum(weights)
        rows.append(weights)
    return np.array(rows, dtype=np.int64)


def fixed(value):
    """llround(value x 2^32): halves away from zero."""
    return int(math.copysign(math.floor(abs(value) * 2.0 ** FRACTION_BITS + 0.5), value))


def turned_positions(size):
    """Plane positions of each pixel of a fill turned TURN_DEGREES
    counter-clockwise about the tile origin (resample/texture_map.cpp):
    pixel centre (x + 0.5, y + 0.5) turned back, 32 fractional bits."""
    c = math.cos(math.radians(TURN_DEGREES))
    s = math.sin(math.radians(TURN_DEGREES))
    y, x = np.mgrid[0:size, 0:size].astype(np.int64)
    u = fixed(c) * x + fixed(-s) * y + fixed(c * 0.5 - s * 0.5)
    v = fixed(s) * x + fixed(c) * y + fixed(s * 0.5 + c * 0.5)
    return u, v


def measure_turned(args, name, texture, size_choice):
    """PSNR of the quilted fill turned against the cubic of its own unturned
    plane; the tile fill the same way, as a check of the reference."""
    u, v = turned_positions(TURN_DOCUMENT)
    half = 1 << (FRACTION_BITS - 1)
    # The texel left of (above) each position's centre and the phase past it.
    left, top = (u - half) >> FRACTION_BITS, (v - half) >> FRACTION_BITS
    phase_u = ((((u - half) & 0xFFFFFFFF) >> (FRACTION_BITS - PHASE_BITS - 1)) + 1) >> 1
    phase_v = ((((v - half) & 0xFFFFFFFF) >> (FRACTION_BITS - PHASE_BITS - 1)) + 1) >> 1
    # The unturned plane holds texels left - 1 .. left + 2 of every pixel:
    # the fill offset so that plane texel (i, j) is document pixel (i + ox, j + oy).
    ox, oy = 1 - int(left.min()), 1 - int(top.min())
    width, height = int(left.max()) + 3 + ox, int(top.max()) + 3 + oy
    weights = phase_weights()
    across, down = weights[phase_u], weights[phase_v]
    turned_document = blank_document(args, TURN_DOCUMENT, TURN_DOCUMENT)
    plane_document = blank_document(args, width, height)
    figures = []
    for repeat in (["--repeat", "shapes"], []):
        options = ["--size", size_choice, "--seed", "1"] + repeat
        kind = "shapes" if repeat else "tile"
        plane = run_texfill(args, texture, plane_document, os.path.join(args.work, f"{name}-{kind}-plane.tif"),
                            options + ["--offset", f"{ox},{oy}"]).astype(np.int64)
        turned = run_texfill(args, texture, turned_document, os.path.join(args.work, f"{name}-{kind}-turned.tif"),
                             options + ["--angle", f"{TURN_DEGREES:g}"]).astype(np.int64)
        total = np.zeros(turned.shape, dtype=np.int64)
        for c in range(4):
            column = np.zeros(turned.shape, dtype=np.int64)
            for k in range(4):
                column += down[:, :, k, None] * plane[top + k - 1 + oy, left + c - 1 + ox]
            total += across[:, :, c, None] * ((column + 128) >> 8)
        reference = np.clip((total + (1 << 19)) >> 20, 0, 255)
        error = ((reference - turned) ** 2).mean()
        figures.append(10 * math.log10(255 ** 2 / error) if error > 0 else math.inf)
        if repeat:
            # The share a fill of nearest texels would have: 1.00 then.
            nearest = plane[(v >> FRACTION_BITS) + oy, (u >> FRACTION_BITS) + ox]
            nearest_share = np.all(nearest == turned, axis=2).mean()
    # The tile fill turned is the point sampler's cubic of its own plane: far
    # below that, the reference has lost the sampler's positions or weights.
    if figures[1] < REFERENCE_MINIMUM_DB:
        sys.exit(f"shape_quality.py: {name}: the tile fill turned is {figures[1]:.1f} dB from the reference's cubic "
                 "of its plane; the reference no longer follows the point sampler")
    met = figures[0] >= TURN_MINIMUM_DB
    print(f"| {name} | {figures[0]:.1f} dB | {nearest_share:.2f} | {figures[1]:.1f} dB | {'met' if met else 'NOT MET'} |",
          flush=True)
    return met


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--texfill", required=True)
    parser.add_argument("--tool", help="shape_source, for the hidden cuts")
    parser.add_argument("--work", required=True)
    parser.add_argument("--only", help="one texture by name")
    parser.add_argument("--part", action="append", choices=PARTS, help="only these parts (default: all)")
    args = parser.parse_args()
    parts = args.part or DEFAULT_PARTS
    if "cuts" in parts and not args.tool:
        parser.error("the hidden cuts need --tool SHAPE_SOURCE")
    os.makedirs(args.work, exist_ok=True)
    structured = structured_pngs(args)

    def chosen(name):
        return not args.only or name == args.only

    all_met = True
    if "measures" in parts:
        print(f"Fills of {DOCUMENT} x {DOCUMENT} with --repeat shapes; goals: coherent >= {COHERENT_MINIMUM}, "
              f"gradient ratio {GRADIENT_RANGE[0]}-{GRADIENT_RANGE[1]}, repeat and two seeds' repeat <= "
              f"{REPEAT_LIMIT}, mean within {MEAN_LIMIT} levels, deviation within {100 * DEVIATION_LIMIT:.0f} %.")
        print()
        print("| Texture | Period | Coherent | Gradient ratio | Repeat | Two seeds | Mean error | Deviation error | |")
        print("|---|---|---|---|---|---|---|---|---|")
        for name in SAMPLES:
            if not chosen(name):
                continue
            png = os.path.join(args.work, name + "-sample.png")
            subprocess.run([args.texfill, "gen-sample", name, png], check=True, capture_output=True)
            all_met &= measure(name, png, "256X256", False, args)
        for name, file in PHOTOS.items():
            if not chosen(name):
                continue
            path = os.path.join(PHOTO_DIR, file)
            if not os.path.exists(path):
                print(f"| {name} | missing: {path} (python3-skimage) | | | | | | | NOT MET |")
                all_met = False
                continue
            all_met &= measure(name, path, "Actual", True, args)
        print()

    if "shown" in parts:
        print("The structured textures against the same figures, without goals.")
        print()
        print("| Texture | Period | Coherent | Gradient ratio | Repeat | Two seeds | Mean error | Deviation error | |")
        print("|---|---|---|---|---|---|---|---|---|")
        for name in STRUCTURED:
            if chosen(name):
                measure(name, structured[name][0], "Actual", False, args, goals=False)
        print()

    if "cuts" in parts:
        width, height = CUT_DOCUMENT
        print(f"Hidden cuts in fills of {width} x {height} at the texture's own size; goal: at least "
              f"{HIDDEN_MINIMUM} of the cuts on a joint or between texels within {LOOK_ALIKE} levels of the "
              "texture's own neighbours.")
        print()
        print("| Texture | Seed | Cuts | Hidden | |")
        print("|---|---|---|---|---|")
        for name in STRUCTURED:
            if chosen(name):
                path, rgb, joints = structured[name]
                all_met &= measure_cuts(args, name, path, rgb, joints)
        print()

    if "turned" in parts:
        print(f"Fills of {TURN_DOCUMENT} x {TURN_DOCUMENT} turned {TURN_DEGREES:g} degrees against the point "
              f"sampler's cubic of their own unturned plane; goal for the quilted fill: at least "
              f"{TURN_MINIMUM_DB:g} dB (the tile fill is the cubic exactly).")
        print()
        print("| Texture | Quilted fill | Nearest texels | Tile fill | |")
        print("|---|---|---|---|---|")
        if chosen("brick"):
            png = os.path.join(args.work, "brick-sample.png")
            subprocess.run([args.texfill, "gen-sample", "brick", png], check=True, capture_output=True)
            all_met &= measure_turned(args, "brick", png, "256X256")
        if chosen("planks"):
            all_met &= measure_turned(args, "planks", structured["planks"][0], "Actual")
    return 0 if all_met else 1


if __name__ == "__main__":
    sys.exit(main())
