#!/usr/bin/env python3
"""Fails when a source file includes a header from a folder above its own.

The layers, top first, are the README's layout order. A folder may include its own headers and
those of any folder in a lower layer; folders in one layer may not include each other.
Usage: check-layers.py ROOT
"""
import pathlib
import re
import sys

LAYERS = [
    ["cli", "tools/wine"],
    ["cli/fleet", "cli/live", "cli/profiles", "cli/wmiparams"],
    ["cli/run"],
    ["image"],
    ["module"],
    ["platform/sim", "platform/win32"],
    ["machine"],
    ["platform/emulation", "resources"],
    ["policy"],
    ["power"],
    ["host"],
    ["wmi"],
    ["platform"],
]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)


def folder_of(path):
    """The deepest layered folder that holds the path, or None."""
    parent = str(pathlib.PurePosixPath(path).parent)
    known = [folder for layer in LAYERS for folder in layer]
    while parent not in known:
        if parent in ("", "."):
            return None
        parent = str(pathlib.PurePosixPath(parent).parent)
    return parent


def layer_of(folder):
    for index, layer in enumerate(LAYERS):
        if folder in layer:
            return index
    return None


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".")
    problems = []
    checked = 0
    for source in sorted(root.rglob("*")):
        if source.suffix not in (".cpp", ".h") or not source.is_file():
            continue
        relative = source.relative_to(root).as_posix()
        folder = folder_of(relative)
        if folder is None or relative.startswith(("build", "tests/")):
            continue
        checked += 1
        text = source.read_text(encoding="utf-8", errors="replace")
        for line_number, line in enumerate(text.splitlines(), 1):
            match = INCLUDE.match(line)
            if not match:
                continue
            target = folder_of(match.group(1))
            if target is None or target == folder:
                continue
            if layer_of(target) <= layer_of(folder):
                problems.append(f"{relative}:{line_number}: {folder}/ includes {match.group(1)}, "
                                f"which is not below it")
    for problem in problems:
        print(problem)
    if checked == 0:
        print(f"no sources found under {root}")
        return 1
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
