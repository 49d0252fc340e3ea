#!/usr/bin/env python3
"""Turns the table of Windows' power defaults into the C++ the simulated machine and the
Windows stand-in powercfg compile, refusing a table with a value that has no source.

    gen_power_defaults.py windows_defaults.tsv OUT.cpp
"""
import sys

SCHEMES = {
    "balanced": "kBalanced",
    "power_saver": "kPowerSaver",
    "high_performance": "kHighPerformance",
}
ROLES = {"any": "std::nullopt", "mobile": "PlatformRole::kMobile", "desktop": "PlatformRole::kDesktop"}
KNOWN = {"yes": "true", "unknown": "false"}
COLUMNS = ["subgroup", "setting", "scheme", "role", "ac", "dc", "known", "source"]


def fail(path, number, message):
    sys.exit(f"{path}:{number}: {message}")


def read(path):
    rows = []
    header_seen = False
    with open(path, encoding="utf-8") as table:
        for number, line in enumerate(table, 1):
            line = line.rstrip("\n")
            if not line or line.startswith("#"):
                continue
            fields = line.split("\t")
            if not header_seen:
                if fields != COLUMNS:
                    fail(path, number, "the header must be: " + " ".join(COLUMNS))
                header_seen = True
                continue
            if len(fields) != len(COLUMNS):
                fail(path, number, f"{len(fields)} fields, not {len(COLUMNS)}")
            row = dict(zip(COLUMNS, fields))
            if row["scheme"] not in SCHEMES:
                fail(path, number, f"unknown scheme {row['scheme']!r}")
            if row["role"] not in ROLES:
                fail(path, number, f"unknown role {row['role']!r}")
            if row["known"] not in KNOWN:
                fail(path, number, "known is yes or unknown")
            for column in ("ac", "dc"):
                if not row[column].isdigit() or int(row[column]) > 0xFFFFFFFF:
                    fail(path, number, f"{column} is not a setting index: {row[column]!r}")
            if not row["source"].strip():
                fail(path, number, "a value without a source")
            row["number"] = number
            rows.append(row)
    if not header_seen:
        fail(path, 0, "no header")
    # Every setting and scheme has exactly one value for each role.
    seen = {}
    for row in rows:
        key = (row["subgroup"].lower(), row["setting"].lower(), row["scheme"])
        roles = ["mobile", "desktop"] if row["role"] == "any" else [row["role"]]
        for role in roles:
            if (key, role) in seen:
                fail(path, row["number"], f"a second {role} value (first at line {seen[(key, role)]})")
            seen[(key, role)] = row["number"]
    for key, _ in list(seen):
        for role in ("mobile", "desktop"):
            if (key, role) not in seen:
                fail(path, 0, f"no {role} value for {key}")
    settings = {(s, t) for (s, t, _), _ in seen}
    for subgroup, setting in settings:
        for scheme in SCHEMES:
            if ((subgroup, setting, scheme), "mobile") not in seen:
                fail(path, 0, f"no {scheme} value for {subgroup}/{setting}")
    return rows


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: gen_power_defaults.py windows_defaults.tsv OUT.cpp")
    rows = read(sys.argv[1])
    out = [
        "// Generated from platform/emulation/powercfg/windows_defaults.tsv by tools/gen_power_defaults.py.",
        '#include "platform/emulation/powercfg/windows_defaults.h"',
        "",
        "namespace presetra::powercfg {",
        "",
        "const std::vector<WindowsDefault>& WindowsDefaults() {",
        "  static const std::vector<WindowsDefault> rows = {",
    ]
    for row in rows:
        out.append(
            f'      {{u"{row["subgroup"].lower()}", u"{row["setting"].lower()}", {SCHEMES[row["scheme"]]}, '
            f'{ROLES[row["role"]]}, {row["ac"]}u, {row["dc"]}u, {KNOWN[row["known"]]}}},'
        )
    out += ["  };", "  return rows;", "}", "", "}  // namespace presetra::powercfg", ""]
    with open(sys.argv[2], "w", encoding="utf-8") as generated:
        generated.write("\n".join(out))


if __name__ == "__main__":
    main()
