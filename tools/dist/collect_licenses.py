#!/usr/bin/env python3
"""Writes LICENSE.txt of the Windows download: the project's licence, then
the licence of every library linked into the DLLs and executables, as
tools/dist/licenses.list names them.

    collect_licenses.py LIST CMAKECACHE... OUT

A library whose marker word appears in none of the given CMakeCache.txt
files is not linked and is left out; a listed file that cannot be found
fails the run, so a download never ships without a licence it needs.
"""
import glob
import os
import re
import sys


def read_list(path):
    entries = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            if not line.strip() or line.startswith("#"):
                continue
            fields = [field.strip() for field in line.rstrip("\n").split("|")]
            fields += [""] * (5 - len(fields))
            entries.append(fields[:5])
    return entries


def cut(lines, first, last):
    # The first pattern may span lines ("\n" in it), to pick one paragraph
    # of a file that repeats its opening line; the cut starts at the line
    # where the match starts.
    if first:
        match = re.search(first, "\n".join(lines), re.MULTILINE)
        if not match:
            return None
        lines = lines[match.string.count("\n", 0, match.start()):]
    if last:
        ends = [i for i, line in enumerate(lines) if re.search(last, line)]
        if not ends:
            return None
        lines = lines[:ends[0] + 1]
    return lines


SOURCE_ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def licence_text(title, pattern, first, last):
    """The lines of one licence text: PATTERN is a glob, relative to the
    source tree unless absolute, $CACHE the cache of cross-built libraries;
    FIRST and LAST cut the text out of a longer file. Exits when the file or
    the part is missing, so nothing ships without a licence it needs."""
    cache_root = os.environ.get("ORIELVMX_CACHE", "/var/cache/orielvmx")
    pattern = pattern.replace("$CACHE", cache_root)
    if not os.path.isabs(pattern):
        pattern = os.path.join(SOURCE_ROOT, pattern)
    found = sorted(glob.glob(pattern))
    if not found:
        sys.exit(f"collect_licenses: no licence file for {title} ({pattern})")
    with open(found[-1], encoding="utf-8", errors="replace") as f:
        lines = f.read().splitlines()
    text = cut(lines, first, last)
    if not text:
        sys.exit(f"collect_licenses: {found[-1]} no longer has the part for {title}")
    # Debian copyright files mark blank lines inside a field with " .".
    return ["" if line == " ." else line.rstrip() for line in text]


def main():
    list_path, caches, out = sys.argv[1], sys.argv[2:-1], sys.argv[-1]
    linked_words = "".join(open(c, encoding="utf-8", errors="replace").read() for c in caches)
    parts = []
    for title, marker, pattern, first, last in read_list(list_path):
        if marker != "always" and marker not in linked_words:
            continue
        parts.append([title, "=" * len(title), ""] + licence_text(title, pattern, first, last))
    with open(out, "w", encoding="utf-8", newline="\r\n") as f:
        f.write("\n\n\n".join("\n".join(part) for part in parts) + "\n")


if __name__ == "__main__":
    main()
