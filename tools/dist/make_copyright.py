#!/usr/bin/env python3
"""Writes the Debian package's machine-readable copyright file from its
template, filling each line "@text FILE | FIRST | LAST@" with that text
(cut as licenses.list cuts the download's licence texts, from the same
files), indented as a field's continuation lines.

    make_copyright.py TEMPLATE OUT
"""
import re
import sys
import textwrap

from collect_licenses import licence_text

PLACEHOLDER = re.compile(r"^@text (.*)@$")


def continuation(lines):
    # Texts taken from another copyright file come indented already. A blank
    # line inside a field is written " ."; every other line is indented by
    # one space.
    lines = textwrap.dedent("\n".join(lines)).splitlines()
    return [" " + line if line.strip() else " ." for line in lines]


def main():
    template, out = sys.argv[1], sys.argv[2]
    written = []
    with open(template, encoding="utf-8") as f:
        for line in f.read().splitlines():
            placeholder = PLACEHOLDER.match(line)
            if not placeholder:
                written.append(line)
                continue
            fields = [field.strip() for field in placeholder.group(1).split("|")]
            fields += [""] * (3 - len(fields))
            path, first, last = fields[:3]
            written += continuation(licence_text(path, path, first, last))
    with open(out, "w", encoding="utf-8") as f:
        f.write("\n".join(written) + "\n")


if __name__ == "__main__":
    main()
