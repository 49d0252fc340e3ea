#!/usr/bin/env python3
"""Chooses the drift the end-to-end test makes on an installed machine: one DC value the recipe
set in its scheme (an AC one where it sets no DC value), and one registry value the commit wrote. Writes the simulated machine's state
dump with the same drift, and prints the choice as shell assignments.

    drift.py STATE PLAN.json DRIFTED_STATE
"""
import json
import shlex
import sys

state = open(sys.argv[1], encoding="utf-8").read().split("\n")
plan = json.load(open(sys.argv[2], encoding="utf-8"))
scheme = plan["scheme"]
def recipe(mode):
    # A setting named by powercfg's alias alone cannot be read back: not that one.
    return [s for s in scheme["settings"]
            if s[f"{mode}_from"] == "recipe" and s[f"{mode}_index"] is not None
            and len(s["setting_guid"]) == 36]


mode = "dc" if recipe("dc") else "ac"
setting = recipe(mode)[0]
old = setting[f"{mode}_index"]
new = old + 60 if old >= 60 else (1 if old == 0 else 0)

# The setting's line in the scheme's block of the dump.
label = f"    {setting['subgroup']} / {setting['setting']}: AC "
in_scheme = False
for i, line in enumerate(state):
    if line.startswith("  ") and not line.startswith("    "):
        in_scheme = line.startswith(f"  {scheme['guid']}  ")
    elif in_scheme and line.startswith(label):
        if mode == "dc":
            state[i] = line[: line.rindex(", DC ")] + f", DC {new}"
        else:
            state[i] = label + str(new) + line[line.rindex(", DC "):]
        break
else:
    sys.exit(f"drift.py: no line {label!r} in the scheme {scheme['guid']}")

# The last value the commit wrote other than the preferred plan (which has its own line), or
# the preferred plan where there is no other.
written = [i for i, line in enumerate(state)
           if len(line.split("\t")) == 4 and line.split("\t")[3] != "True"]
others = [i for i in written if state[i].split("\t")[1] != "PreferredPlan"]
chosen = (others or written)[-1]
key, name = state[chosen].split("\t")[:2]
state[chosen] = f"{key}\t{name}\tabsent"
if name == "PreferredPlan":
    state = [line for line in state if not line.startswith("Preferred plan: ")]
open(sys.argv[3], "w", encoding="utf-8").write("\n".join(state))

for variable, value in {"mode": mode, "scheme": scheme["guid"], "subgroup": setting["subgroup_guid"],
                        "setting": setting["setting_guid"], "old_index": old, "new_index": new,
                        "value_key": key, "value_name": name}.items():
    print(f"{variable}={shlex.quote(str(value))}")
