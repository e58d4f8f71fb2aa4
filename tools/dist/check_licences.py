#!/usr/bin/env python3
"""Checks that the project's LICENSE, the Debian package's copyright file
and the download's LICENSE.txt say the same about every file they cover:
the project's licence text is the same in all three, the sample
photographs' licence text is the same in the copyright file and
LICENSE.txt, and both name the same photographs.

    check_licences.py LICENSE COPYRIGHT RELEASE.zip
"""
import re
import sys
import zipfile

PHOTO_PARAGRAPH_LICENCE = "BSD-3-Clause"


def words(text):
    # Line ends, indentation and the " ." of blank lines inside a field do
    # not change what a text says.
    return " ".join(word for word in text.split() if word != ".")


def paragraphs(copyright_text):
    return [dict(re.findall(r"^(\S+):[ \t]*((?:.*)(?:\n[ \t].*)*)", paragraph, re.MULTILINE))
            for paragraph in copyright_text.split("\n\n")]


def sections(licence_txt):
    # A title line, its underline of "=", then the text up to the next title.
    found = re.split(r"\n([^\n]+)\n=+\n", "\n" + licence_txt)
    return dict(zip(found[1::2], found[2::2]))


def photos(text):
    return sorted(set(re.findall(r"[\w-]+-(?:photo|seamless)\.png", text)))


def main():
    licence_path, copyright_path, zip_path = sys.argv[1:4]
    licence = open(licence_path, encoding="utf-8").read()
    copyright_paragraphs = paragraphs(open(copyright_path, encoding="utf-8").read())
    licence_txt = zipfile.ZipFile(zip_path).read("LICENSE.txt").decode("utf-8").replace("\r\n", "\n")
    download = sections(licence_txt)
    texts = {p["License"].split("\n", 1)[0]: p["License"].split("\n", 1)[1]
             for p in copyright_paragraphs if "License" in p and "Files" not in p and "\n" in p["License"]}
    failures = []

    if words(next(iter(download.values()), "")) != words(licence):
        failures.append("LICENSE.txt does not start with LICENSE")
    permission = licence[licence.index("Permission is hereby granted"):]
    if words(texts.get("Expat", "")) != words(permission):
        failures.append("the copyright file's Expat text is not LICENSE's")

    photo_paragraphs = [p for p in copyright_paragraphs
                        if p.get("License", "").split("\n")[0] == PHOTO_PARAGRAPH_LICENCE and "Files" in p]
    photo_sections = [title for title in download if "photograph" in title]
    if len(photo_paragraphs) != 1 or len(photo_sections) != 2:
        failures.append("expected one paragraph for the sample photographs in the copyright file and "
                        "two sections (notice, licence text) in LICENSE.txt")
    else:
        notice, licence_text = (download[title] for title in photo_sections)
        if photos(photo_paragraphs[0]["Files"]) != photos(notice):
            failures.append(f"the copyright file names the photographs {photos(photo_paragraphs[0]['Files'])}, "
                            f"LICENSE.txt {photos(notice)}")
        if words(texts.get(PHOTO_PARAGRAPH_LICENCE, "")) != words(licence_text):
            failures.append("the photographs' licence text differs between the copyright file and LICENSE.txt")
        if words(photo_paragraphs[0].get("Comment", "")) != words(notice):
            failures.append("the photographs' notice differs between the copyright file and LICENSE.txt")

    for failure in failures:
        print(f"check_licences: {failure}", file=sys.stderr)
    if failures:
        sys.exit(1)
    print(f"check_licences: LICENSE, the copyright file and LICENSE.txt agree "
          f"(the project's files, and {len(photos(photo_paragraphs[0]['Files']))} sample photographs)")


if __name__ == "__main__":
    main()
