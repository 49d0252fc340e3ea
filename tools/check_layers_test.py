#!/usr/bin/env python3
"""The layer check fails on an include up the table, of each kind, and passes the tree as it is.

Each case plants one include in a copy of the layered folders and expects check-layers.py to name
it. Usage: check_layers_test.py ROOT
"""
import pathlib
import shutil
import subprocess
import sys
import tempfile

FOLDERS = ["cli", "tools/wine", "module", "machine", "platform", "policy", "power", "host",
           "wmi", "resources"]

# (file, planted include): each reaches up the table or across a row.
PLANTS = [
    ("host/predicates.cpp", "platform/sim/machine.h"),      # the core into the simulator
    ("policy/install.cpp", "platform/win32/system.h"),     # the core into the real Windows layer
    ("power/power_scheme.cpp", "platform/emulation/powercfg/interpreter.h"),  # into powercfg
    ("wmi/wmi_client.cpp", "host/log.h"),                  # the core up its own layers
    ("platform/registry.cpp", "wmi/wmi_client.h"),         # the interfaces into the core
    ("platform/sim/machine.cpp", "platform/win32/system.h"),  # across a row
    ("platform/sim/machine.cpp", "module/loaded_module.h"),   # the simulator into the module
    ("platform/emulation/wql.cpp", "platform/sim/wmi.h"),     # what both share into one of them
    ("machine/layout.cpp", "platform/sim/machine.h"),         # the model into its simulator
    ("policy/install.cpp", "machine/profile.h"),              # the core into the machine model
    ("module/loaded_module.cpp", "cli/commands.h"),           # the module into the tool
    ("cli/run/plan.cpp", "cli/fleet/matrix.h"),               # the tool's bottom room up
    ("cli/fleet/matrix.cpp", "cli/live/verify.h"),            # one room into another
]


def run_check(root, tree):
    return subprocess.run([sys.executable, str(root / "tools" / "check-layers.py"), str(tree)],
                          capture_output=True, text=True)


def main():
    root = pathlib.Path(sys.argv[1]).resolve()
    failures = []
    with tempfile.TemporaryDirectory() as temp:
        tree = pathlib.Path(temp)
        for folder in FOLDERS:
            shutil.copytree(root / folder, tree / folder,
                            ignore=shutil.ignore_patterns("*.tsv", "*.md", "*.def", "*.in"))
        clean = run_check(root, tree)
        if clean.returncode != 0:
            failures.append(f"the tree as it is: exit {clean.returncode}\n{clean.stdout}")
        for file, include in PLANTS:
            path = tree / file
            original = path.read_text(encoding="utf-8")
            path.write_text(f'#include "{include}"\n' + original, encoding="utf-8")
            planted = run_check(root, tree)
            path.write_text(original, encoding="utf-8")
            expected = f"{file}:1: "
            if planted.returncode != 1 or expected not in planted.stdout or include not in planted.stdout:
                failures.append(f"{file} including {include}: exit {planted.returncode}, "
                                f"said {planted.stdout!r}")
    for failure in failures:
        print(failure)
    print(f"layer check: {len(PLANTS) + 1 - len(failures)} of {len(PLANTS) + 1} cases as expected")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
