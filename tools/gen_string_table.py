#!/usr/bin/env python3
"""Turns resources/strings.tsv into the module's resource script (for windres) or into the C++
table the simulated machine serves LoadStringW from, so both carry the same strings."""
import sys


def read_table(path):
    rows = []
    with open(path, encoding="utf-8") as source:
        for number, line in enumerate(source, 1):
            line = line.rstrip("\n")
            if not line or line.startswith("#"):
                continue
            fields = line.split("\t")
            if len(fields) != 3:
                sys.exit(f"{path}:{number}: expected language, ID and text")
            language, string_id, text = int(fields[0]), int(fields[1]), fields[2]
            text = text.encode("ascii", "backslashreplace").decode("unicode_escape") \
                if "\\u" in text else text
            rows.append((language, string_id, text))
    return rows


def resource_script(rows):
    # Every character as a 4-digit \x escape inside L"...": windres then needs no code page.
    out = ["// Generated from resources/strings.tsv.", "#include <winresrc.h>", ""]
    languages = sorted({language for language, _, _ in rows})
    for language in languages:
        out.append(f"LANGUAGE 0x{language & 0x3FF:X}, 0x{language >> 10:X}")
        out.append("STRINGTABLE")
        out.append("BEGIN")
        for lang, string_id, text in rows:
            if lang == language:
                escaped = "".join(f"\\x{ord(c):04x}" for c in text)
                out.append(f'  {string_id}, L"{escaped}"')
        out.append("END")
        out.append("")
    return "\n".join(out)


def cpp_table(rows):
    out = ["// Generated from resources/strings.tsv.",
           '#include "resources/string_table.h"', "",
           "namespace presetra::resources {", "",
           "const std::vector<TableString>& StringTable() {",
           "  static const std::vector<TableString> table = {"]
    for language, string_id, text in rows:
        escaped = "".join(c if 0x20 <= ord(c) < 0x7F and c not in '"\\' else f"\\u{ord(c):04x}"
                          for c in text)
        out.append(f'      {{{language}, {string_id}, u"{escaped}"}},')
    out += ["  };", "  return table;", "}", "", "}  // namespace presetra::resources", ""]
    return "\n".join(out)


def main():
    if len(sys.argv) != 4 or sys.argv[1] not in ("rc", "cpp"):
        sys.exit("usage: gen_string_table.py rc|cpp strings.tsv OUT")
    rows = read_table(sys.argv[2])
    text = resource_script(rows) if sys.argv[1] == "rc" else cpp_table(rows)
    with open(sys.argv[3], "w", encoding="utf-8") as out:
        out.write(text)


if __name__ == "__main__":
    main()
