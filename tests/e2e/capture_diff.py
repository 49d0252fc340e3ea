#!/usr/bin/env python3
"""Compares what presetra.exe captured in a seeded Wine prefix with the profile the prefix was
seeded from. Prints each difference with why the prefix differs there; exits 1 when a
difference has no such reason.

    capture_diff.py SEED.json CAPTURED.json [SIMULATED.json]

With SIMULATED.json (what presetra captures of the seed's simulated machine), Windows' schemes
as captured must be the simulated machine's, value by value.
"""
import json
import sys

# What the base image has where a profile says nothing.
DEFAULTS = {
    "firmware": {"oem_strings": None, "bios_feature_byte": None},
    "power": {"connected_standby": False, "platform_role": "mobile"},
    "ui_language": 1033,
    "network_adapters": [],
    "factory_folder": "absent",
    "package_scripts": "present",
    "system_folder": "C:\\Windows\\system32",
    "package_architecture": "x86",
}


def filled(profile):
    out = {}
    for field, default in DEFAULTS.items():
        value = profile.get(field, default)
        if isinstance(default, dict):
            value = {**default, **(value or {})}
        out[field] = value
    return out


def explain(field, seed, captured):
    """Why the prefix has `captured` where the seed said `seed`, or None."""
    if field == "factory_folder" and seed == "read_only" and captured == "present":
        return "a folder that refuses new entries shows only when something is written in it"
    if field == "package_scripts" and seed == "absent" and captured == "present":
        return "the package is not installed yet: it brings its scripts"
    if field.endswith(".wmi") and seed == "write_fails" and captured == "ok":
        return "WMI refusing a write shows only when the commit writes"
    return None


def registry_values(profile):
    values = {}
    for key, entries in (profile.get("registry") or {}).items():
        if entries is None:
            values[(key.upper(), None)] = None
            continue
        for name, value in entries.items():
            values[(key.upper(), name.upper())] = value
    return values


def main():
    seed = json.load(open(sys.argv[1], encoding="utf-8"))
    captured = json.load(open(sys.argv[2], encoding="utf-8"))
    unexplained = 0

    def compare(field, a, b):
        nonlocal unexplained
        if a == b:
            return
        reason = explain(field, a, b)
        if reason is None:
            unexplained += 1
            print(f"{field}: the seed has {json.dumps(a)}, capture read {json.dumps(b)}")
        else:
            print(f"{field}: the seed has {json.dumps(a)}, capture read {json.dumps(b)} ({reason})")

    s, c = filled(seed), filled(captured)
    for field in DEFAULTS:
        if field == "network_adapters":
            if len(s[field]) != len(c[field]):
                compare(field, s[field], c[field])
                continue
            for i, (a, b) in enumerate(zip(s[field], c[field])):
                a = {"wmi": "ok", **a}
                for name in sorted(set(a) | set(b)):
                    compare(f"{field}[{i}].{name}", a.get(name), b.get(name))
        elif isinstance(DEFAULTS[field], dict):
            for name in DEFAULTS[field]:
                compare(f"{field}.{name}", s[field][name], c[field][name])
        else:
            compare(field, s[field], c[field])
    # Capture writes the values the commit reads: each as the seed has it.
    seeded = registry_values(seed)
    for (key, name), value in registry_values(captured).items():
        if (key, name) in seeded:
            compare(f"registry {key} {name}", seeded[(key, name)], value)
        elif name is not None and (key, None) in seeded:
            compare(f"registry {key} {name}", None, value)
    if len(sys.argv) > 3:
        simulated = json.load(open(sys.argv[3], encoding="utf-8"))
        for name in ("active_scheme", "schemes"):
            want = simulated["power"].get(name)
            have = captured["power"].get(name)
            if want == have:
                continue
            if name == "schemes" and isinstance(want, dict) and isinstance(have, dict):
                for guid in sorted(set(want) | set(have)):
                    if want.get(guid) != have.get(guid):
                        compare(f"power.schemes {guid}", want.get(guid), have.get(guid))
            else:
                compare(f"power.{name}", want, have)
    return 1 if unexplained else 0


sys.exit(main())
