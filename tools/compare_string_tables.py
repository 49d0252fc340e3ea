#!/usr/bin/env python3
"""Compares the string tables that windres prints back from the DLL with resources/strings.tsv:
the same languages, exactly IDs 6000, 6001, 6003 and 6004 in each, and the same texts."""
import re
import sys

sys.path.insert(0, __import__("os").path.dirname(__file__))
from gen_string_table import read_table  # noqa: E402


def decode(body):
    out, i = [], 0
    while i < len(body):
        c = body[i]
        if c != "\\":
            out.append(c)
            i += 1
            continue
        n = body[i + 1]
        if n == "x":
            out.append(chr(int(body[i + 2:i + 6], 16)))
            i += 6
        elif n in "01234567":
            digits = re.match(r"[0-7]{1,3}", body[i + 1:]).group(0)
            out.append(chr(int(digits, 8)))
            i += 1 + len(digits)
        else:
            out.append({"n": "\n", "r": "\r", "t": "\t", "a": "\a", "b": "\b", "f": "\f",
                        "v": "\v"}.get(n, n))
            i += 2
    return "".join(out)


def read_dump(path):
    strings, language = {}, None
    with open(path, encoding="utf-8", errors="replace") as dump:
        for line in dump:
            m = re.match(r"LANGUAGE (\d+), (\d+)", line)
            if m:
                language = int(m.group(1)) | (int(m.group(2)) << 10)
                continue
            m = re.match(r'\s+(\d+), L?"(.*)"\s*$', line)
            if m and language is not None:
                strings[(language, int(m.group(1)))] = decode(m.group(2))
    return strings


def main():
    actual = read_dump(sys.argv[1])
    expected = {(lang, sid): text for lang, sid, text in read_table(sys.argv[2])}
    problems = []
    languages = {lang for lang, _ in expected}
    if len(languages) != 32:
        problems.append(f"the table has {len(languages)} languages, not 32")
    for lang in sorted(languages):
        ids = sorted(sid for l, sid in actual if l == lang)
        if ids != [6000, 6001, 6003, 6004]:
            problems.append(f"language {lang}: the DLL has IDs {ids}")
    for key, text in sorted(expected.items()):
        if actual.get(key) != text:
            problems.append(f"language {key[0]} ID {key[1]}: DLL has {actual.get(key)!r}, "
                            f"table has {text!r}")
    for key in sorted(set(actual) - set(expected)):
        problems.append(f"language {key[0]} ID {key[1]}: not in the table")
    if problems:
        sys.exit("check-dll-strings: " + "\n".join(problems))
    print(f"check-dll-strings: {len(actual)} strings in {len(languages)} languages match")


if __name__ == "__main__":
    main()
