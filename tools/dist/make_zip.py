#!/usr/bin/env python3
"""Zips a directory so that the same files always give the same bytes: names
in sorted order, one fixed time for every entry, fixed permissions, no extra
fields.

    make_zip.py OUT.zip DIR EPOCH
"""
import os
import sys
import time
import zipfile


def main():
    out, top, epoch = sys.argv[1], sys.argv[2], int(sys.argv[3])
    # Zip times have a two-second grain and no time zone; UTC keeps them
    # independent of where the build runs.
    stamp = time.gmtime(max(epoch, 315532800))[:6]
    names = []
    for folder, dirs, files in os.walk(top):
        dirs.sort()
        for name in files:
            names.append(os.path.relpath(os.path.join(folder, name), top).replace(os.sep, "/"))
    with zipfile.ZipFile(out, "w") as archive:
        for name in sorted(names):
            entry = zipfile.ZipInfo(name, date_time=stamp)
            entry.compress_type = zipfile.ZIP_DEFLATED
            entry.create_system = 3
            entry.external_attr = 0o100644 << 16
            with open(os.path.join(top, name), "rb") as f:
                archive.writestr(entry, f.read(), compresslevel=9)


if __name__ == "__main__":
    main()
