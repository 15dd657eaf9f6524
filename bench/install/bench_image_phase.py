#!/usr/bin/env python3
"""Benchmark of the install sequence's image phase on a realistic-size testbed payload.

Run it through the build (builds the realistic testbed images, a module carrying their
patch and our patch tool, and the host program first):

    cmake --build build --target bench_image_phase           (patch of mostly extra bytes)
    cmake --build build --target bench_image_phase_product   (product-shaped patch)

The realistic images take bsdiff minutes the first time; the testbed keeps them in its
image cache afterwards. One run, in a Wine prefix of its own: the 64-bit patch cache is
seeded with the base image, progress-watch plays the progress display, and
image_phase_bench_host (the end-to-end tests' host, built with the realistic base
image's digest among the accepted ones) runs the image phase into an empty home. Reported:

- the total wall time of the host process and the peak resident memory of each program
  of the run (VmHWM, sampled from /proc while it runs; for Windows programs it includes
  Wine's own share);
- the time of each step, taken from the installer's log records and the progress
  display's time stamps: payload extraction, digest of the base image copy, patch,
  unzip, expansion of the packed archives (operation 5), class-data run (operation 6);
- next to them, the machine's own tools doing the same work on the same files:
  sha256sum, Debian's bspatch, unzip and bsdtar, and gzip -d for the packed archives.
"""
import argparse
import datetime
import glob
import os
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import time

PACKED = ["lib/plugin", "lib/veskws", "lib/deploy", "lib/rt", "lib/vsse", "lib/charsets", "lib/ext/localedata"]
RECORD = re.compile(r"\[(\d{4})/(\d\d)/(\d\d) (\d\d):(\d\d):(\d\d)\.(\d{3}), (.*?) \(PID: \d+, TID: \d+\), "
                    r"(.*):(\d+) \((.*)\)\]\r?\n\t(\w+): (.*?)\r?$", re.MULTILINE)
WATCHED = re.compile(r"(\d{4})-(\d\d)-(\d\d) (\d\d):(\d\d):(\d\d)\.(\d{3}) (operation \d \w+)")
PROGRAMS = ("image_phase_host.exe", "bspatch.exe", "vunpack.exe", "veskw.exe")


def stamp(match):
    y, mo, d, h, mi, s, ms = (int(match.group(i)) for i in range(1, 8))
    return datetime.datetime(y, mo, d, h, mi, s, ms * 1000)


class PeakSampler(threading.Thread):
    """Samples VmHWM of the programs of our prefix from /proc until stopped.

    The sampler shares the machine with what it measures, so it stays cheap: whether a
    process belongs to our prefix is read once per process, and only those are sampled
    (their command line too, since a process shows its parent's until it has started).
    VmHWM is the kernel's own high-water mark, so a tenth of a second between samples
    misses only a peak reached in a program's last moments."""

    def __init__(self, prefix):
        super().__init__(daemon=True)
        self.prefix = ("WINEPREFIX=" + str(prefix)).encode()
        self.peaks = {}
        self.ours = {}
        self.done = threading.Event()

    def belongs(self, pid):
        if pid not in self.ours:
            try:
                with open(f"/proc/{pid}/environ", "rb") as environ:
                    self.ours[pid] = self.prefix in environ.read().split(b"\0")
            except OSError:
                return False
        return self.ours[pid]

    def sample(self):
        for pid in filter(str.isdigit, os.listdir("/proc")):
            if not self.belongs(pid):
                continue
            try:
                with open(f"/proc/{pid}/cmdline", "rb") as cmdline:
                    command = cmdline.read().decode(errors="replace").lower()
                name = next((p for p in PROGRAMS if p in command), None)
                if name is None:
                    continue
                with open(f"/proc/{pid}/status") as status:
                    fields = dict(line.split(":", 1) for line in status if ":" in line)
            except OSError:
                continue
            if "VmHWM" in fields:
                kib = int(fields["VmHWM"].split()[0])
                self.peaks[name] = max(self.peaks.get(name, 0), kib)

    def run(self):
        while not self.done.wait(0.1):
            self.sample()


def native(command, **kwargs):
    """Wall seconds and peak RSS in MiB of one native command."""
    start = time.perf_counter()
    process = subprocess.Popen(command, stdout=kwargs.get("stdout", subprocess.DEVNULL), stderr=subprocess.PIPE)
    _, status, usage = os.wait4(process.pid, 0)
    elapsed = time.perf_counter() - start
    if status != 0:
        sys.exit(f"failed: {' '.join(map(str, command))}: {process.stderr.read().decode()}")
    return elapsed, usage.ru_maxrss / 1024


def run_ours(args, work):
    prefix = work / "wineprefix"
    env = dict(os.environ, WINEPREFIX=str(prefix), WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
    env.pop("DISPLAY", None)
    # Never pipes to Wine: the service processes it starts inherit them and keep them open.
    quiet = dict(stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
    subprocess.run(["wineboot", "--init"], env=env, check=True, **quiet)
    # The prefix at rest: the services that its first start runs end before the clock does.
    subprocess.run(["wineserver", "-w"], env=env)
    subprocess.run(["wineserver", "-p"], env=env)
    drive = prefix / "drive_c"
    cache = drive / "ProgramData" / "Veyra" / "Vesk" / "installcache_x64"
    cache.mkdir(parents=True)
    shutil.copyfile(args.images / "baseimagefam8", cache / "baseimagefam8")
    (drive / "bench-home").mkdir()
    log_pattern = str(drive / "users" / "*" / "Temp" / "vusched.log")  # %TEMP% under Wine
    for log in glob.glob(log_pattern):
        os.unlink(log)
    try:
        # Warm-up: Wine's libraries and the files into the page cache.
        subprocess.run(["wine", "cmd", "/c", "exit"], env=env, **quiet)
        with tempfile.TemporaryFile("w+") as watched:
            watcher = subprocess.Popen(["wine", args.watcher, "--create", "--interval", "10", "--timeout", "3600000"],
                                       env=env, stdout=watched, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)
            while "(created)" not in (watched.seek(0) or watched.read()):
                time.sleep(0.05)
            sampler = PeakSampler(prefix)
            sampler.start()
            with tempfile.TemporaryFile("w+") as output:
                start = time.perf_counter()
                status = subprocess.run(["wine", args.host, args.module, "C:\\bench-home", "64"], env=env,
                                        stdout=output, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL).returncode
                total = time.perf_counter() - start
                output.seek(0)
                host_output = output.read()
            sampler.done.set()
            sampler.join()
            time.sleep(0.1)
            watcher.terminate()
            watcher.wait()
            watched.seek(0)
            progress = [(stamp(m), m.group(8)) for m in WATCHED.finditer(watched.read())]
        logs = glob.glob(log_pattern)
        with open(logs[0], encoding="latin-1") as log:
            records = [(stamp(m), m.group(11), m.group(13), m.group(12)) for m in RECORD.finditer(log.read())]
        if status != 0:
            problems = "\n".join(f"{level} {function}: {message}" for _, function, message, level in records
                                  if level in ("ERROR", "WARNING"))
            sys.exit(f"the image phase failed with {status}:\n{host_output}\n{problems}")
        records = [record[:3] for record in records]
    finally:
        subprocess.run(["wineserver", "-k"], env=env)
    return total, sampler.peaks, records, progress


def first(records, test):
    for when, function, message in records:
        if test(function, message):
            return when
    sys.exit("a log record the benchmark relies on is missing")


def steps_of(records, progress):
    begin = first(records, lambda f, m: m == "-- InstallVRE() begin")
    extracted = first(records, lambda f, m: m.startswith("successfully extracted files for install"))
    copied = first(records, lambda f, m: m.startswith("Copied [") and m.endswith(".tmp\\baseimagefam8]"))
    checked = first(records, lambda f, m: m.startswith("-- Cached baseimage present and checksum correct"))
    unzip_start = first(records, lambda f, m: m == "Entering ZipFile::extractAll")
    unzip_end = first(records, lambda f, m: m.startswith("Exiting ZipFile::extractAll"))
    marks = dict((name, when) for when, name in progress)
    seconds = lambda a, b: (b - a).total_seconds()
    return [
        ("payload extraction", seconds(begin, extracted)),
        ("base image copy", seconds(extracted, copied)),
        ("digest", seconds(copied, checked)),
        ("patch", seconds(checked, unzip_start)),
        ("unzip", seconds(unzip_start, unzip_end)),
        # The display samples the progress block: the end of operation 5 may go unseen
        # when operation 6 follows at once, and then operation 6's start marks it.
        ("expand (operation 5)", seconds(marks["operation 5 started"],
                                         marks.get("operation 5 finished", marks["operation 6 started"]))),
        ("class data (operation 6)", seconds(marks["operation 6 started"], marks["operation 6 finished"])),
    ]


def run_native(args, work):
    out = work / "native"
    out.mkdir()
    new = out / "newimage"
    home = out / "home"
    results = {
        "digest": native(["sha256sum", args.images / "baseimagefam8"]),
        "patch": native(["bspatch", args.images / "baseimagefam8", new, args.images / "diff"]),
        "unzip": native(["unzip", "-q", "-o", new, "-d", home]),
    }
    tar_home = out / "tar-home"
    tar_home.mkdir()
    results["unzip (bsdtar)"] = native(["bsdtar", "-x", "-f", new, "-C", tar_home])
    seconds, peak = 0.0, 0.0
    for archive in PACKED:
        with open(home / (archive + ".vpk"), "wb") as target:
            s, p = native(["gzip", "-dc", home / (archive + ".pack")], stdout=target)
        seconds, peak = seconds + s, max(peak, p)
    results["expand (operation 5)"] = (seconds, peak)
    return results


def measure(args):
    """One run of ours and of the native tools: (total seconds, peaks {program: KiB},
    [(step, seconds)], {step: (native seconds, native peak MiB)}). `args` has images,
    host, module, watcher and work (emptied first, removed afterwards)."""
    shutil.rmtree(args.work, ignore_errors=True)
    args.work.mkdir(parents=True)
    try:
        total, peaks, records, progress = run_ours(args, args.work)
        steps = steps_of(records, progress)
        theirs = run_native(args, args.work)
    finally:
        shutil.rmtree(args.work, ignore_errors=True)
    return total, peaks, steps, theirs


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--images", required=True, type=pathlib.Path, help="folder of the large testbed images")
    parser.add_argument("--host", required=True, help="image_phase_host.exe")
    parser.add_argument("--module", required=True, help="module carrying the realistic patch and bspatch.exe")
    parser.add_argument("--watcher", required=True, help="progress-watch.exe")
    parser.add_argument("--work", required=True, type=pathlib.Path, help="scratch folder (emptied first)")
    args = parser.parse_args()
    total, peaks, steps, theirs = measure(args)

    mib = 1 << 20
    print(f"base image {(args.images / 'baseimagefam8').stat().st_size / mib:.1f} MiB, "
          f"new image {(args.images / 'newimage').stat().st_size / mib:.1f} MiB, "
          f"patch {(args.images / 'diff').stat().st_size / mib:.1f} MiB")
    print(f"image phase total: {total:.2f} s (host process, Wine start included)")
    print("peak resident memory: " + ", ".join(f"{name} {kib / 1024:.1f} MiB" for name, kib in sorted(peaks.items())))
    print(f"{'step':<28}{'ours (s)':>10}{'native (s)':>12}{'native peak (MiB)':>19}  native tool")
    tools = {"digest": "sha256sum", "patch": "Debian bspatch", "unzip": "unzip", "expand (operation 5)": "gzip -d x7"}
    for name, seconds in steps:
        native_seconds, native_peak = theirs.get(name, (None, None))
        other = f"{native_seconds:>12.2f}{native_peak:>19.1f}  {tools[name]}" if native_seconds is not None else ""
        print(f"{name:<28}{seconds:>10.2f}{other}")
        if name == "unzip":
            tar_seconds, tar_peak = theirs["unzip (bsdtar)"]
            print(f"{'':<38}{tar_seconds:>12.2f}{tar_peak:>19.1f}  bsdtar")


if __name__ == "__main__":
    main()
