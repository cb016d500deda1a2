#!/usr/bin/python3
"""Checks what ctest will run as the unit tests of a build: `ctest -L unit` must find them, and
every one must run with SDL's dummy audio and video drivers (a unit test that reaches a real
display or sound device depends on the machine it runs on).

Usage: check_unit_tests.py BUILD_DIR
"""
import json
import subprocess
import sys

WANT = {"SDL_AUDIODRIVER": "dummy", "SDL_VIDEODRIVER": "dummy"}
OTHER_LABELS = {"e2e", "soak", "setup"}


def effective_env(props):
    """The variables a test's ENVIRONMENT and ENVIRONMENT_MODIFICATION set (set: only)."""
    env = {}
    for p in props:
        values = p["value"] if isinstance(p["value"], list) else [p["value"]]
        if p["name"] == "ENVIRONMENT":
            for v in values:
                k, _, val = v.partition("=")
                env[k] = val
    for p in props:
        values = p["value"] if isinstance(p["value"], list) else [p["value"]]
        if p["name"] == "ENVIRONMENT_MODIFICATION":
            for v in values:
                k, _, op = v.partition("=")
                if op.startswith("set:"):
                    env[k] = op[4:]
                elif op == "unset:":
                    env.pop(k, None)
    return env


def tests(build, *args):
    out = subprocess.run(["ctest", "--test-dir", build, "--show-only=json-v1", *args],
                         check=True, capture_output=True, text=True).stdout
    return json.loads(out).get("tests", [])


def main():
    build = sys.argv[1]
    unit = tests(build, "-L", "unit")
    every = tests(build)
    problems = []
    if not unit:
        problems.append("ctest -L unit finds no test")
    for t in unit:
        env = effective_env(t.get("properties", []))
        wrong = {k: env.get(k) for k, v in WANT.items() if env.get(k) != v}
        if wrong:
            problems.append(f"{t['name']}: environment {wrong}, want {WANT}")
    # Every test that is not end-to-end, soak or a setup check is a unit test.
    unlabelled = []
    for t in every:
        labels = set()
        for p in t.get("properties", []):
            if p["name"] == "LABELS":
                labels.update(p["value"])
        if not labels & (OTHER_LABELS | {"unit"}):
            unlabelled.append(t["name"])
    if unlabelled:
        problems.append(f"{len(unlabelled)} tests carry no label, e.g. {unlabelled[:3]}")
    if problems:
        for p in problems[:10]:
            print(f"check_unit_tests: {p}", file=sys.stderr)
        return 1
    print(f"check_unit_tests: {len(unit)} unit tests, each with the dummy SDL drivers")
    return 0


if __name__ == "__main__":
    sys.exit(main())
