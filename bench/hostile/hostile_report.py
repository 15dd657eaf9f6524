#!/usr/bin/env python3
"""The hostile-input report: runs the suite's seeded mutation loops long and its fault
scenarios (full disks, held and read-only files, wrong-type registry values) again, and
prints per input kind or scenario the cases run and the failures, which must be 0.

    hostile_report.py --build BUILD [--cases N] [--commandline-cases N] [--seconds S]
                      [--seed SEED] [--fault-runs N] [--faults REGEX]

The programs, their arguments and their environment are those that ctest runs for the
suite's tests (read with `ctest --show-only=json-v1`); the loops get VESK_MUTATION_CASES,
VESK_MUTATION_SECONDS and VESK_MUTATION_SEED on top. Exits 1 when anything failed.
"""
import argparse
import json
import os
import re
import subprocess
import sys

# ctest test, gtest filter (or None), and whether it is an installer.exe loop (fewer cases:
# each case is a process under Wine).
LOOPS = [
    ("config_test", "ConfigMutationTest.*", False),
    ("zip_mutation_test", None, False),
    ("bspatch_core_test", "ApplyPatchFile.Damaged*", False),
    ("detect_mutation_test", None, False),
    ("install_command_line_mutation", None, True),
]
# The fault scenarios: every ctest test whose name matches.
FAULTS = re.compile(r"^(install_hostile_.*|zip_test)$")
FAULT_FILTERS = {"zip_test": "ZipFaultTest.FullDisk*"}

MUTATION_LINE = re.compile(r"^mutation (\S+): (\d+) cases, (\d+) failures \(seed (\d+)\)", re.M)


def ctest_tests(build):
    shown = subprocess.run(["ctest", "--test-dir", build, "--show-only=json-v1"], check=True,
                           capture_output=True, text=True).stdout
    tests = {}
    for test in json.loads(shown)["tests"]:
        environment = {}
        for prop in test.get("properties", []):
            if prop["name"] == "ENVIRONMENT":
                environment = dict(item.split("=", 1) for item in prop["value"])
            if prop["name"] == "WORKING_DIRECTORY":
                test["cwd"] = prop["value"]
        tests[test["name"]] = (test["command"], environment, test.get("cwd", build))
    return tests


def run(test, gtest_filter, extra_environment, timeout):
    command, environment, cwd = test
    command = list(command) + ([f"--gtest_filter={gtest_filter}"] if gtest_filter else [])
    env = dict(os.environ, **environment, **extra_environment)
    try:
        done = subprocess.run(command, cwd=cwd, env=env, capture_output=True, text=True, errors="replace",
                              timeout=timeout)
        return done.returncode, done.stdout + done.stderr
    except subprocess.TimeoutExpired as expired:
        output = (expired.stdout or b"").decode(errors="replace") if isinstance(expired.stdout, bytes) \
            else (expired.stdout or "")
        return None, output


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", required=True)
    parser.add_argument("--cases", type=int, default=200000, help="cases of each in-process loop")
    parser.add_argument("--commandline-cases", type=int, default=400, help="runs of installer.exe")
    parser.add_argument("--seconds", type=int, default=600, help="time bound of each loop")
    parser.add_argument("--seed", type=int, default=None)
    parser.add_argument("--fault-runs", type=int, default=1, help="runs of each fault scenario")
    parser.add_argument("--faults", default="", help="only the fault scenarios whose ctest name matches")
    arguments = parser.parse_args()

    tests = ctest_tests(arguments.build)
    rows = []  # (what, cases, failures, note)
    for name, gtest_filter, slow in LOOPS:
        if name not in tests:
            rows.append((name, 0, 1, "no such test in this build"))
            continue
        extra = {"VESK_MUTATION_CASES": str(arguments.commandline_cases if slow else arguments.cases),
                 "VESK_MUTATION_SECONDS": str(arguments.seconds)}
        if arguments.seed is not None:
            extra["VESK_MUTATION_SEED"] = str(arguments.seed)
        code, output = run(tests[name], gtest_filter, extra, arguments.seconds * 3 + 300)
        found = MUTATION_LINE.findall(output)
        for kind, cases, failures, seed in found:
            rows.append((f"mutation {kind}", int(cases), int(failures), f"seed {seed}"))
        if code != 0 and not any(int(failures) for _, _, failures, _ in found):
            # A crash or a hang ends the program before its loops can say so.
            rows.append((f"program {name}", 0, 1, "hung" if code is None else f"exit code {code}"))
            sys.stderr.write(output[-4000:])

    for name in sorted(n for n in tests if FAULTS.match(n) and re.search(arguments.faults, n)):
        failures = skipped = 0
        note = ""
        for _ in range(arguments.fault_runs):
            code, output = run(tests[name], FAULT_FILTERS.get(name), {}, 900)
            if code == 0 and "[  SKIPPED ]" in output:
                skipped += 1
                reason = re.search(r"Skipped\s*\n(.*)", output)
                note = "skipped: " + (reason.group(1).strip() if reason else "see the test's output")
            elif code != 0:
                failures += 1
                note = "hung" if code is None else f"exit code {code}"
                sys.stderr.write(output[-4000:])
        rows.append((f"scenario {name}", arguments.fault_runs - skipped, failures, note))

    width = max(len(row[0]) for row in rows)
    print(f"{'input kind or scenario':<{width}}  {'cases':>8}  {'failures':>8}")
    for what, cases, failures, note in rows:
        print(f"{what:<{width}}  {cases:>8}  {failures:>8}  {note}")
    total = sum(row[2] for row in rows)
    print(f"{sum(row[1] for row in rows)} cases, {total} failures")
    return 1 if total else 0


if __name__ == "__main__":
    sys.exit(main())
