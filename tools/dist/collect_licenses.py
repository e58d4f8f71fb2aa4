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
    if first:
        starts = [i for i, line in enumerate(lines) if re.search(first, line)]
        if not starts:
            return None
        lines = lines[starts[0]:]
    if last:
        ends = [i for i, line in enumerate(lines) if re.search(last, line)]
        if not ends:
            return None
        lines = lines[:ends[0] + 1]
    return lines


def main():
    list_path, caches, out = sys.argv[1], sys.argv[2:-1], sys.argv[-1]
    cache_root = os.environ.get("ORIELVMX_CACHE", "/var/cache/orielvmx")
    source_root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    linked_words = "".join(open(c, encoding="utf-8", errors="replace").read() for c in caches)
    parts = []
    for title, marker, pattern, first, last in read_list(list_path):
        if marker != "always" and marker not in linked_words:
            continue
        pattern = pattern.replace("$CACHE", cache_root)
        if not os.path.isabs(pattern):
            pattern = os.path.join(source_root, pattern)
        found = sorted(glob.glob(pattern))
        if not found:
            sys.exit(f"collect_licenses: no licence file for {title} ({pattern})")
        with open(found[-1], encoding="utf-8", errors="replace") as f:
            lines = f.read().splitlines()
        text = cut(lines, first, last)
        if not text:
            sys.exit(f"collect_licenses: {found[-1]} no longer has the part for {title}")
        # Debian copyright files mark blank lines inside a field with " .".
        text = ["" if line == " ." else line.rstrip() for line in text]
        parts.append([title, "=" * len(title), ""] + text)
    with open(out, "w", encoding="utf-8", newline="\r\n") as f:
        f.write("\n\n\n".join("\n".join(part) for part in parts) + "\n")


if __name__ == "__main__":
    main()
