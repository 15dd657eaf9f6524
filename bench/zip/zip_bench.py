#!/usr/bin/env python3
"""Extraction speed of our zip reader next to the machine's unzip and bsdtar.

How to run (from the repository root, after a build into build/):

    cmake --build build --target zip_extract_bench
    python3 bench/zip/zip_bench.py [--build build] [--work DIR] [--runs N]

The first run generates a runtime-like archive (thousands of files, about 140 MB; kept
in DIR, by default <build>/bench-zip, and reused later). Each tool then extracts it into
an empty folder of the same file system, N times (default 1); the table shows the best
time and MB/s of archive bytes per second. Our reader runs under Wine
(scripts/wine-run); its time is measured inside the process, so it leaves out Wine's
start, which the "wine run" column includes. Under Wine every created file costs about a
quarter of a millisecond that native tools do not pay; the last column shows that floor.

against_floor() (used by bench/report) measures our reader on a testbed image next to
the floor that zip_extract_bench --floor measures in the same prefix: the entries
inflated into memory, then the files created with plain calls.
"""

import argparse
import os
import random
import shutil
import subprocess
import sys
import time
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
WINE_FILE_COST = 0.00025  # seconds per created file under Wine


def generate(path):
    """A layout like a runtime image: bin/ and lib/ with a few large packed archives,
    thousands of small compressible files and some stored, already compressed ones."""
    rng = random.Random(8)
    words = [bytes(rng.choice(b"abcdefghijklmnopqrstuvwxyz_.;(){}") for _ in range(rng.randint(2, 12)))
             for _ in range(4000)]
    text = b" ".join(rng.choice(words) for _ in range(200_000))

    def compressible(size):
        parts = []
        while size > 0:
            start = rng.randrange(len(text) - 512)
            piece = text[start:start + min(size, rng.randint(64, 512))]
            parts.append(piece)
            parts.append(os.urandom(min(4, max(size - len(piece), 0))))
            size -= len(piece) + len(parts[-1])
        return b"".join(parts)

    def mixed(size, random_share):
        cut = int(size * random_share)
        return os.urandom(cut) + compressible(size - cut)

    tmp = path + ".part"
    with zipfile.ZipFile(tmp, "w", zipfile.ZIP_DEFLATED, compresslevel=6) as archive:
        for i in range(4):
            archive.writestr("lib/pack%d.pack" % i, mixed(15_000_000, 0.75))
        for i in range(3000):
            archive.writestr("lib/classes/p%02d/C%04d.class" % (i % 60, i), compressible(rng.randint(2_000, 60_000)))
        for i in range(1000):
            archive.writestr("bin/mod%02d/lib%04d.bin" % (i % 20, i), mixed(rng.randint(5_000, 85_000), 0.5))
        for i in range(100):
            archive.writestr(zipfile.ZipInfo("lib/ext/stored%03d.jar" % i), os.urandom(rng.randint(100_000, 300_000)),
                             compress_type=zipfile.ZIP_STORED)
    os.replace(tmp, path)


def timed(command):
    start = time.perf_counter()
    result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    elapsed = time.perf_counter() - start
    if result.returncode != 0:
        sys.exit("failed: %s\n%s%s" % (" ".join(command), result.stdout, result.stderr))
    return elapsed, result.stdout


def fresh(folder):
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    return folder


def count_files(folder):
    return sum(len(files) for _, _, files in os.walk(folder))


def against_floor(build, archive, work):
    """(seconds of our extraction, seconds of the floor) for `archive`, in that order, each
    into an empty folder below `work`, inside the process."""
    program = os.path.join(build, "bench", "zip", "zip_extract_bench.exe")
    wine_run = [os.path.join(ROOT, "scripts", "wine-run"), "--template", os.path.join(build, "wine-template")]
    windows = lambda path: "Z:" + str(path).replace("/", "\\")
    seconds = []
    for mode in ([], ["--floor"]):
        out = fresh(os.path.join(work, "out"))
        _, stdout = timed(wine_run + [program, *mode, windows(archive), windows(out)])
        seconds.append(float(stdout.split()[0]))
    shutil.rmtree(work, ignore_errors=True)
    return tuple(seconds)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    parser.add_argument("--work")
    parser.add_argument("--runs", type=int, default=1)
    options = parser.parse_args()
    build = os.path.abspath(options.build)
    work = os.path.abspath(options.work or os.path.join(build, "bench-zip"))
    program = os.path.join(build, "bench", "zip", "zip_extract_bench.exe")
    if not os.path.exists(program):
        sys.exit("build the benchmark first: cmake --build %s --target zip_extract_bench" % build)
    os.makedirs(work, exist_ok=True)
    archive = os.path.join(work, "image.zip")
    if not os.path.exists(archive):
        print("generating %s ..." % archive, flush=True)
        generate(archive)
    megabytes = os.path.getsize(archive) / 1e6
    with zipfile.ZipFile(archive) as z:
        entries = len(z.infolist())
        expanded = sum(i.file_size for i in z.infolist()) / 1e6
    print("archive: %.1f MB, %d entries, %.1f MB expanded" % (megabytes, entries, expanded))

    wine_run = [os.path.join(ROOT, "scripts", "wine-run"), "--template", os.path.join(build, "wine-template")]
    rows = []
    best = {}
    for _ in range(options.runs):
        out = fresh(os.path.join(work, "out-vesk"))
        wall, stdout = timed(wine_run + [program, "Z:" + archive.replace("/", "\\"), "Z:" + out.replace("/", "\\")])
        inside = float(stdout.split()[0])
        files = count_files(out)
        best["vesk"] = min(best.get("vesk", (1e9, 0, 0)), (inside, wall, files))
        for name, command in (("unzip", ["unzip", "-q", "-o", archive, "-d"]),
                              ("bsdtar", ["bsdtar", "-x", "-f", archive, "-C"])):
            out = fresh(os.path.join(work, "out-" + name))
            elapsed, _ = timed(command + [out])
            best[name] = min(best.get(name, (1e9, 0, 0)), (elapsed, elapsed, count_files(out)))

    inside, wall, files = best["vesk"]
    rows.append(("vesk reader (Wine)", inside, "%.2f s" % wall, files))
    rows.append(("unzip (native)", best["unzip"][0], "-", best["unzip"][2]))
    rows.append(("bsdtar (native)", best["bsdtar"][0], "-", best["bsdtar"][2]))
    print("%-20s %9s %9s %11s %7s" % ("tool", "time", "MB/s", "wine run", "files"))
    for name, seconds, wall_text, count in rows:
        print("%-20s %7.2f s %9.1f %11s %7d" % (name, seconds, megabytes / seconds, wall_text, count))
    floor = files * WINE_FILE_COST
    print("Wine's file-creation cost for %d files: about %.2f s; vesk time less that: %.2f s" %
          (files, floor, inside - floor))
    for name in ("out-vesk", "out-unzip", "out-bsdtar"):
        shutil.rmtree(os.path.join(work, name), ignore_errors=True)


if __name__ == "__main__":
    main()
