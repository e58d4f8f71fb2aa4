#!/usr/bin/env python3
"""Copies a PNG picture with a long name: a "Title" text chunk right after
the header, which the plug-in and `texfill list` show the picture by. The
pixels and every other chunk are copied as they are.

    png_title.py IN.png OUT.png TITLE
"""
import struct
import sys
import zlib

SIGNATURE = b"\x89PNG\r\n\x1a\n"


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def main():
    source, out, title = sys.argv[1], sys.argv[2], sys.argv[3]
    with open(source, "rb") as f:
        data = f.read()
    # The header chunk is always first and always 13 bytes: 8 + 4 + 4 + 13 + 4.
    header_end = len(SIGNATURE) + 25
    if not data.startswith(SIGNATURE) or data[12:16] != b"IHDR":
        sys.exit(f"png_title: {source} is not a PNG picture")
    text = chunk(b"tEXt", b"Title\0" + title.encode("latin-1"))
    with open(out, "wb") as f:
        f.write(data[:header_end] + text + data[header_end:])


if __name__ == "__main__":
    main()
