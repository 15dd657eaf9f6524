#!/usr/bin/env python3
"""Benchmark of bspatch.exe against Debian's bspatch on a large related pair.

Run it through the build (builds bspatch.exe first, keeps its data in the build folder):

    cmake --build build --target bench_bspatch

or on the realistic testbed images (about 146 MB; their patch is made once and cached):

    cmake --build build --target bench_bspatch_realistic

or directly:

    bench/bspatch/bench_bspatch.py --exe build/tools/bspatch/bspatch.exe --data build/bench/bspatch/data

Without --images, the first run generates the old and new files (tests/bspatch/gen_pair.py) and makes the
patch with Debian's bsdiff, which takes a minute and about 1 GB of memory; later runs
reuse them. Each tool then applies the patch several times; the best wall time and the
peak resident memory (GNU time's maximum RSS, which for our program includes Wine's own
share) are reported, with the ratio of the times. Both outputs must equal the new file.
The goal is our time <= 0.7 x Debian's. Wine runs in a prefix of its own inside the data
folder, kept warm by a persistent wineserver while the benchmark runs, so that the
times compare the tools, not the first start of Wine.
"""
import argparse
import contextlib
import filecmp
import os
import pathlib
import subprocess
import sys
import tempfile

HERE = pathlib.Path(__file__).resolve().parent
GENERATOR = HERE.parent.parent / "tests" / "bspatch" / "gen_pair.py"


def prepare(data, size, seed):
    old, new, patch = (data / f"{size}-{seed}.{suffix}" for suffix in ("old", "new", "patch"))
    if not (old.exists() and new.exists()):
        print(f"generating a related pair of about {size} bytes ...", flush=True)
        subprocess.run([sys.executable, GENERATOR, "related", size, str(seed), old, new], check=True)
        patch.unlink(missing_ok=True)
    if not patch.exists():
        print("making the patch with bsdiff (once) ...", flush=True)
        subprocess.run(["bsdiff", old, new, patch.with_suffix(".partial")], check=True)
        patch.with_suffix(".partial").rename(patch)
    return old, new, patch


def measure(command, env):
    """Wall seconds and peak RSS in MiB of one run."""
    # Files, not pipes: Wine's service processes inherit the descriptors and would keep
    # a pipe open long after the program ended.
    with tempfile.NamedTemporaryFile("r") as timing, tempfile.TemporaryFile("w+") as output:
        status = subprocess.run(["/usr/bin/time", "-o", timing.name, "-f", "%e %M", *command], env=env,
                                stdin=subprocess.DEVNULL, stdout=output, stderr=output).returncode
        if status != 0:
            output.seek(0)
            sys.exit(f"failed: {' '.join(map(str, command))}\n{output.read()}")
        seconds, kilobytes = timing.read().split()
    return float(seconds), int(kilobytes) / 1024


def run_checked(command, output, expected, env):
    output.unlink(missing_ok=True)
    sample = measure(command, env)
    if not filecmp.cmp(output, expected, shallow=False):
        sys.exit(f"{output} differs from {expected}")
    return sample


@contextlib.contextmanager
def warm_prefix(data):
    """The environment of a Wine prefix of its own in `data`, kept warm by a persistent
    wineserver while the block runs."""
    data.mkdir(parents=True, exist_ok=True)
    env = dict(os.environ, WINEPREFIX=str(data / "wineprefix"), WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
    env.pop("DISPLAY", None)
    if not (data / "wineprefix").exists():
        subprocess.run(["wineboot", "--init"], env=env, check=True, capture_output=True)
    subprocess.run(["wineserver", "-p"], env=env)  # fails harmlessly when one is running already
    try:
        yield env
    finally:
        subprocess.run(["wineserver", "-k"], env=env)
        for output in (data / "out-ours", data / "out-debian"):
            output.unlink(missing_ok=True)


def ours_command(exe, old, patch, data):
    return ["wine", pathlib.Path(exe).resolve(), old, data / "out-ours", patch]


def compare(exe, old, new, patch, data, runs):
    """((seconds, peak MiB) of bspatch.exe, the same of Debian's bspatch): best time of
    `runs` runs each, after a warm-up run of ours. The runs alternate, so that a machine
    whose speed drifts (a virtual machine's often does) slows both tools alike."""
    with warm_prefix(data) as env:
        ours_cmd, debian_cmd = ours_command(exe, old, patch, data), ["bspatch", old, data / "out-debian", patch]
        measure(ours_cmd, env)  # warm-up: loads Wine's libraries and the files into the cache
        samples = [(run_checked(ours_cmd, data / "out-ours", new, env),
                    run_checked(debian_cmd, data / "out-debian", new, env)) for _ in range(runs)]
        return tuple((min(s[0] for s in tool), max(s[1] for s in tool)) for tool in zip(*samples))


def alone(exe, old, new, patch, data):
    """Seconds of one run of bspatch.exe by itself, after a warm-up run."""
    with warm_prefix(data) as env:
        measure(ours_command(exe, old, patch, data), env)
        return run_checked(ours_command(exe, old, patch, data), data / "out-ours", new, env)[0]


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--exe", required=True, type=pathlib.Path, help="our bspatch.exe")
    parser.add_argument("--data", required=True, type=pathlib.Path, help="folder for the cached pair and patch")
    parser.add_argument("--size", default="48M", help="approximate size of the old file (default 48M)")
    parser.add_argument("--seed", type=int, default=11)
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--images", type=pathlib.Path,
                        help="instead of a generated pair: a folder with baseimagefam8, newimage and the patch "
                             "diff (the realistic testbed images)")
    args = parser.parse_args()

    args.data.mkdir(parents=True, exist_ok=True)
    if args.images:
        old, new, patch = (args.images / name for name in ("baseimagefam8", "newimage", "diff"))
    else:
        old, new, patch = prepare(args.data, args.size, args.seed)
    ours, debian = compare(args.exe, old, new, patch, args.data, args.runs)

    mib = 1 << 20
    print(f"old {old.stat().st_size / mib:.1f} MiB, new {new.stat().st_size / mib:.1f} MiB, "
          f"patch {patch.stat().st_size / mib:.1f} MiB; best of {args.runs} runs")
    print(f"{'tool':<28}{'time (s)':>10}{'peak RSS (MiB)':>16}")
    print(f"{'bspatch.exe under Wine':<28}{ours[0]:>10.2f}{ours[1]:>16.1f}")
    print(f"{'Debian bspatch':<28}{debian[0]:>10.2f}{debian[1]:>16.1f}")
    ratio = ours[0] / debian[0]
    print(f"time ratio ours/Debian: {ratio:.2f} (goal <= 0.70: {'met' if ratio <= 0.7 else 'missed'})")
    budget = (old.stat().st_size + new.stat().st_size) / mib + 64
    print(f"memory budget old + new + 64 MiB = {budget:.1f} MiB: {'within' if ours[1] <= budget else 'over'}")


if __name__ == "__main__":
    main()
