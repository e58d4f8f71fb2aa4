#!/usr/bin/env python3
"""Turns one run's results (tests/bench/run_bench.sh) into the table that
BENCHMARKS.md records: every figure, its anchor from the same run, the ratio
and the goal it is held to.

Single-threaded figures (the plug-in, the memcpy baseline, stb_image_resize)
compare medians of CPU time, which another process on the machine does not
inflate; libvips runs several threads, so its figures are wall-clock medians,
and so are the whole-process timings."""

import json
import os
import statistics
import sys


def load(path):
    if not os.path.exists(path):
        return {}
    with open(path) as f:
        data = json.load(f)
    medians = {}
    for b in data.get("benchmarks", []):
        if b.get("aggregate_name") != "median":
            continue
        name = b["run_name"]
        scale = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}[b.get("time_unit", "ns")]
        medians[name] = {
            "cpu": b["cpu_time"] * scale,
            "real": b["real_time"] * scale,
            "counters": {k: v for k, v in b.items()
                         if k in ("continue_ns", "start_us", "continues", "threads", "every_thread_cpu_ms")},
        }
    return medians, data.get("context", {})


def fmt_time(seconds):
    if seconds >= 1:
        return f"{seconds:.2f} s"
    if seconds >= 1e-3:
        return f"{seconds * 1e3:.2f} ms"
    return f"{seconds * 1e6:.2f} µs"


def main():
    results = sys.argv[1]
    ours, context = load(os.path.join(results, "ours.json")) or ({}, {})
    peers, _ = load(os.path.join(results, "peers.json")) or ({}, {})

    def cpu(table, name):
        entry = table.get(name)
        return entry["cpu"] if entry else None

    def real(table, name):
        entry = table.get(name)
        return entry["real"] if entry else None

    lines = []
    out = lines.append
    out(f"Machine: {context.get('num_cpus', '?')} CPUs at {context.get('mhz_per_cpu', '?')} MHz, "
        f"caches " + ", ".join(f"L{c['level']} {c['size'] // 1024} KiB" for c in context.get("caches", [])
                               if c.get("type") in ("Data", "Unified")) + f"; run {context.get('date', '?')}")
    out("")

    goals = []

    def goal(label, figure, anchor_label, anchor, limit, compare="<="):
        if figure is None or anchor is None or anchor == 0:
            goals.append((label, fmt_time(figure) if figure else "—", anchor_label,
                          fmt_time(anchor) if anchor else "—", "—", f"{compare} {limit}", "not measured"))
            return
        ratio = figure / anchor
        met = ratio <= limit if compare == "<=" else ratio < limit
        goals.append((label, fmt_time(figure), anchor_label, fmt_time(anchor), f"{ratio:.2f}x",
                      f"{compare} {limit}x", "met" if met else "NOT MET"))

    base_rgb = cpu(ours, "baseline/rgb")
    base_gray = cpu(ours, "baseline/gray")
    base_rgb16 = cpu(ours, "baseline/rgb16")
    base_gray16 = cpu(ours, "baseline/gray16")
    for mode, base, base_label in (("rgb", base_rgb, "memcpy runs RGB"), ("gray", base_gray, "memcpy runs gray"),
                                   ("rgb16", base_rgb16, "memcpy runs RGB 16-bit"),
                                   ("gray16", base_gray16, "memcpy runs gray 16-bit")):
        goal(f"fill {mode} 8000², Actual from 512²", cpu(ours, f"fill/{mode}/512/actual"), base_label, base, 1.5)
        goal(f"fill {mode} 8000², 128X128 pre-scaled", cpu(ours, f"fill/{mode}/512/128"), base_label, base, 1.5)
        goal(f"fill {mode} 8000², 512X512 from 128² (r = 4)", cpu(ours, f"fill/{mode}/128/512"), base_label, base, 1.5)
    goal("fill rgb 8000², 256X256 on the fly", cpu(ours, "fill/rgb/512/256"), "memcpy runs RGB", base_rgb, 3)
    goal("fill gray 8000², 256X256 on the fly (no goal; for reference)", cpu(ours, "fill/gray/512/256"),
         "memcpy runs gray", base_gray, 3)
    for target in (128, 64):
        goal(f"pre-scale 512 -> {target}", cpu(ours, f"prescale/from:512/to:{target}"),
             f"stb 512 -> {target}", cpu(peers, f"stbReduce/from:512/to:{target}"), 0.25)
    stb256 = cpu(peers, "stbReduce/from:512/to:256")
    goal("one on-the-fly row 512 -> 256", cpu(ours, "oneRow/from:512/to:256"), "stb 512 -> 256 ÷ 256",
         stb256 / 256 if stb256 else None, 0.25)

    goal("fill rgb 8000², Mirror at 100 %", cpu(ours, "fill/rgb/512/mirror"), "fill rgb 8000², Actual (repeat)",
         cpu(ours, "fill/rgb/512/actual"), 1.5)
    goal("fill rgb 8000², 73 % and 30° through the engine (wall clock)", real(ours, "fill/rgb/512/turned"),
         "vips replicate + bicubic affine + crop", real(peers, "vipsAffine/process_time/real_time"), 0.5)
    goal("quilted fill rgb 8000², 73 % and 30° through the engine (wall clock)",
         real(ours, "fill/rgb/512/shapes-turned"), "fill rgb 8000², 73 % and 30° (tiles)",
         real(ours, "fill/rgb/512/turned"), 1.5)
    goal("transformed fill rgb 8000², 512² at 73 % and 30°, every core (wall clock)",
         real(ours, "transformedFill/threads:0/process_time/real_time"), "vips replicate + bicubic affine + crop",
         real(peers, "vipsAffine/process_time/real_time"), 0.5)
    goal("the same on one thread (wall clock; for reference)", real(ours, "transformedFill/threads:1/process_time/real_time"),
         "vips replicate + bicubic affine + crop", real(peers, "vipsAffine/process_time/real_time"), 0.5)
    goal("the same, CPU time of all threads (for reference; a busy machine inflates wall clocks)",
         cpu(ours, "transformedFill/threads:0/process_time/real_time"), "vips, CPU time of all threads",
         cpu(peers, "vipsAffine/process_time/real_time"), 0.5)

    process = {}
    process_path = os.path.join(results, "process.txt")
    if os.path.exists(process_path):
        with open(process_path) as f:
            for line in f:
                label, seconds = line.split()
                process.setdefault(label, []).append(float(seconds))
    texfill = statistics.median(process["texfill"]) if "texfill" in process else None
    vips = statistics.median(process["vips"]) if "vips" in process else None
    goal("whole process: texfill fill -> 8000² TIFF", texfill, "vips replicate + crop -> TIFF", vips, 1, "<")

    # The by-example fill renders rows on every core (wall clock); the tile
    # fill it is held to runs on one (CPU time). Its oracle and the integer
    # rows it is held to both run on one thread.
    by_example = real(ours, "document/channels:3/bytes:1/real_time")
    goal("without repetition rgb 8000² from 512², every core", by_example, "fill rgb/512/actual",
         cpu(ours, "fill/rgb/512/actual"), 15)
    # On a busy machine other processes take the cores the wall clock
    # counts on; the processor time of every thread shared among the cores
    # is what an idle machine's wall clock would be.
    entry = ours.get("document/channels:3/bytes:1/real_time")
    if entry and entry["counters"].get("threads"):
        idle = entry["counters"]["every_thread_cpu_ms"] / 1e3 / entry["counters"]["threads"]
        goal("the same: processor time of every thread ÷ cores", idle, "fill rgb/512/actual",
             cpu(ours, "fill/rgb/512/actual"), 15)
    goal("without repetition rgb16 8000² from 512², every core", real(ours, "document/channels:3/bytes:2/real_time"),
         "the same in 8-bit", by_example, 1.5)
    goal("without repetition, 16 rows of 8000, one thread", cpu(ours, "rowsInteger"),
         "the double-precision oracle", cpu(ours, "rowsOracle"), 0.2)

    out("| Goal figure | Median | Anchor (same run) | Anchor median | Ratio | Goal | |")
    out("|---|---|---|---|---|---|---|")
    for row in goals:
        out("| " + " | ".join(row) + " |")
    out("")

    out("Anchors themselves (issue figures: baseline about 30 ms, vips about 8x it, stb about 4.4 ms):")
    out("")
    out("| Anchor | Median | Ratio to the memcpy baseline |")
    out("|---|---|---|")
    pb_rgb = cpu(peers, "baseline/planes:3")
    pb_gray = cpu(peers, "baseline/planes:1")
    out(f"| memcpy runs 8000² RGB (plug-in run) | {fmt_time(base_rgb) if base_rgb else '—'} | 1x |")
    out(f"| memcpy runs 8000² gray (plug-in run) | {fmt_time(base_gray) if base_gray else '—'} | 1x |")
    for planes, label, pb in ((3, "RGB", pb_rgb), (1, "gray", pb_gray)):
        v = real(peers, f"vipsReplicateCrop/planes:{planes}")
        ratio = f"{v / pb:.1f}x (wall clock, {context.get('num_cpus', '?')} threads)" if v and pb else "—"
        out(f"| vips replicate + crop 8000² {label} to memory | {fmt_time(v) if v else '—'} | {ratio} |")
    for target in (256, 128, 64):
        v = cpu(peers, f"stbReduce/from:512/to:{target}")
        out(f"| stb_image_resize 512 -> {target}, wrap, Catmull-Rom | {fmt_time(v) if v else '—'} | |")
    v = cpu(peers, "stbReduce/from:128/to:64")
    out(f"| stb_image_resize 128 -> 64 | {fmt_time(v) if v else '—'} | |")
    out("")

    out("Resampler (in-memory texture, 3 bytes a pixel):")
    out("")
    out("| Reduction | Creation | One row (in order) | Whole pre-scale | stb whole | Pre-scale ÷ stb |")
    out("|---|---|---|---|---|---|")
    for source, target in ((512, 256), (512, 128), (512, 64), (128, 64)):
        key = f"from:{source}/to:{target}"
        c, r, p = cpu(ours, f"create/{key}"), cpu(ours, f"oneRow/{key}"), cpu(ours, f"prescale/{key}")
        s = cpu(peers, f"stbReduce/{key}")
        out(f"| {source} -> {target} | {fmt_time(c) if c else '—'} | {fmt_time(r) if r else '—'} | "
            f"{fmt_time(p) if p else '—'} | {fmt_time(s) if s else '—'} | "
            f"{f'{p / s:.2f}x' if p and s else '—'} |")
    for size in (3, 4):
        for low in (0, 1):
            v = cpu(ours, f"startPrescaled/size:{size}/low:{low}")
            if v:
                out(f"| Start with pre-scaling, {'128²' if low else '512²'} TIFF, size choice {size} "
                    f"(file reads included) | | | {fmt_time(v)} | | |")
    out("")

    out("Point sampler, one 8000-pixel row from a 512² tile at 30° (CPU time; prefiltered below 100 %):")
    out("")
    out("| Case | One row | Per pixel |")
    out("|---|---|---|")
    for mirror in (0, 1):
        for scale in (73, 100, 400):
            v = cpu(ours, f"transformedRow/mirror:{mirror}/scale:{scale}")
            if v:
                out(f"| {'mirror' if mirror else 'tile'} at {scale} % | {fmt_time(v)} | {v / 8000 * 1e9:.1f} ns |")
    out("")
    out("Preferences swatch, 160 x 160 from a 2048² texture at 30°: the sampler alone from the decoded texture,")
    out("and a redraw by the product's renderer after a scale change (the PNG is read once per file; goal 30 ms):")
    out("")
    out("| Scale | Prefilter + sampler | Redraw | Goal |")
    out("|---|---|---|---|")
    for scale in (10, 400):
        v = cpu(ours, f"swatch/scale:{scale}")
        r = cpu(ours, f"swatchRedraw/scale:{scale}")
        verdict = "—" if r is None else ("met" if r <= 0.030 else "NOT MET")
        out(f"| {scale} % | {fmt_time(v) if v else '—'} | {fmt_time(r) if r else '—'} | {verdict} |")
    out("")

    out("Fill, 8000 x 8000 through ENTRYPOINT1 and the simulated host (whole filter run; per Continue is the")
    out("Continue calls' time divided by their number):")
    out("")
    out("| Case | Whole run | Start | Continues | Per Continue | ÷ baseline |")
    out("|---|---|---|---|---|---|")
    for name, entry in sorted(ours.items()):
        if not name.startswith("fill/"):
            continue
        counters = entry["counters"]
        base = {"gray": base_gray, "rgb16": base_rgb16, "gray16": base_gray16}.get(name.split("/")[1], base_rgb)
        per = counters.get("continue_ns")
        start = counters.get("start_us")
        out(f"| {name[5:]} | {fmt_time(entry['cpu'])} | {fmt_time(start * 1e-6) if start else '—'} | "
            f"{int(counters.get('continues', 0))} | {f'{per / 1000:.2f} µs' if per else '—'} | "
            f"{entry['cpu'] / base:.2f}x |" if base else "")
    out("")

    heap_path = os.path.join(results, "heap.txt")
    if os.path.exists(heap_path):
        heap = {}
        with open(heap_path) as f:
            for line in f:
                parts = line.split()
                if len(parts) == 3:
                    heap.setdefault(parts[0], {})[parts[1]] = int(parts[2])
        out("Heap (every malloc of the process, libtiff's included), one fill of 8000 x 8000:")
        out("")
        out("| Case | Allocations during the bands | Heap growth during the bands | Peak above the document during Start "
            "| Bound: texture rows + pre-scaled block | |")
        out("|---|---|---|---|---|---|")
        for name, h in heap.items():
            bound = h.get("texture_rows", 0) + h.get("prescaled_block", 0)
            peak = max(h.get("heap_start_peak", 0), h.get("heap_held_after_start", 0) + h.get("heap_growth_during_bands", 0))
            met = h.get("heap_allocations_during_bands", 1) == 0 and peak <= bound
            out(f"| {name} | {h.get('heap_allocations_during_bands')} | {h.get('heap_growth_during_bands')} B | "
                f"{peak} B | {bound} B | {'met' if met else 'NOT MET'} |")
        out("")

    callgrind_path = os.path.join(results, "callgrind.txt")
    if os.path.exists(callgrind_path):
        out("Callgrind instruction counts (only the operation instrumented; a fill from Start to Finish). Under")
        out("valgrind glibc copies large blocks with rep movsb, and every byte it moves counts as an instruction,")
        out("so the memcpy column says how much of a count is the copying itself:")
        out("")
        out("| Operation | Instructions | of which in memcpy | Outside memcpy |")
        out("|---|---|---|---|")
        with open(callgrind_path) as f:
            for line in f:
                label, total, copies = line.strip().split("|")
                total, copies = int(total or 0), int(copies or 0)
                out(f"| {label} | {total:,} | {copies:,} | {total - copies:,} |")
        out("")

    print("\n".join(lines))


if __name__ == "__main__":
    main()
