#!/usr/bin/env python3
"""Benchmark of what a full install spends outside the image phase: configuration,
detection and the completion (system integration with all four managers, the
deployment registration, the registry status).

Run it through the build (builds installer.exe, the testbed MSI and the testbed images
first):

    cmake --build build --target bench_full_install

One run, in a Wine prefix of its own, prepared the way a deployment tool finds a machine:
the testbed runtime registered with Windows Installer, its version key, and the 64-bit
patch cache seeded with the testbed base image. installer.exe then installs it silently
(`/s ProductCode=... AUTO_UPDATE=Disable EULA=Enable WEB_VESK_SECURITY_LEVEL=H`) and must
end with 0. Reported, from the time stamps of its log records:

- the run's wall time (wine cmd, start /wait installer.exe), and Wine's and cmd's start
  alone (a warm `wine cmd /c exit`);
- the time from the first to the last log record, and the image phase's share of it (from
  "-- InstallVRE() begin" to the end of the class-data run);
- outside the image phase: configuration (first record to the detection), detection (to
  "-- InstallVRE() begin"), completion (end of the class-data run to the last record),
  split into the system integration (InstallVesk), the deployment registration
  (RegisterDeploy) and the registry status and marks after it;
- the widest gaps between neighbouring records outside the image phase, where the time
  goes.
"""
import argparse
import datetime
import glob
import importlib
import os
import pathlib
import shutil
import statistics
import subprocess
import sys
import time

HERE = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))
try:
    # The log's record format is read in one place, the image-phase benchmark.
    bench_image_phase = importlib.import_module("bench_image_phase")
finally:
    sys.path.pop(0)
RECORD, stamp = bench_image_phase.RECORD, bench_image_phase.stamp

ARGUMENTS = "AUTO_UPDATE=Disable EULA=Enable WEB_VESK_SECURITY_LEVEL=H"
# Never pipes to Wine: the service processes it starts inherit them and keep them open.
QUIET = dict(stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL)


def msi_properties(msi):
    table = subprocess.run(["msiinfo", "export", msi, "Property"], capture_output=True, text=True, check=True).stdout
    return dict(line.split("\t", 1) for line in table.replace("\r", "").splitlines() if "\t" in line)


def windows_path(env, path):
    return subprocess.run(["winepath", "-w", path], env=env, stdin=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                          stdout=subprocess.PIPE, text=True, check=True).stdout.strip()


def prepare(env, prefix, msi, base_image):
    """The machine before the install: the testbed runtime registered with Windows
    Installer, the values its own package writes below its version key, the seeded cache."""
    properties = msi_properties(msi)
    home = properties["ARPINSTALLLOCATION"]
    version = properties["FullVersion"].split("-")[0]
    subprocess.run(["wineboot", "--init"], env=env, check=True, **QUIET)
    subprocess.run(["wineserver", "-p"], env=env, **QUIET)
    subprocess.run(["wine", "msiexec", "/i", windows_path(env, msi), "/qn"], env=env, check=True, **QUIET)
    drive = prefix / "drive_c"
    (drive / home[len("C:\\"):].replace("\\", "/")).mkdir(parents=True, exist_ok=True)
    key = f"HKLM\\Software\\VeskSoft\\Vesk Runtime Environment\\{version}"
    for subkey, name, value in (("", "VeskHome", home), ("", "RuntimeLib", home + "\\bin\\server\\vesk.dll"),
                                ("", "MicroVersion", "0"), ("\\MSI", "MODE", "C")):
        subprocess.run(["wine", "reg", "add", key + subkey, "/v", name, "/d", value, "/f"], env=env, check=True,
                       **QUIET)
    cache = drive / "ProgramData" / "Veyra" / "Vesk" / "installcache_x64"
    cache.mkdir(parents=True, exist_ok=True)
    shutil.copyfile(base_image, cache / "baseimagefam8")
    return properties["ProductCode"]


def utc_now():
    return datetime.datetime.now(datetime.timezone.utc).replace(tzinfo=None)


def run_install(env, work, installer, product_code):
    """(wall seconds of the run, seconds of Wine's and cmd's start alone, launch and return
    as UTC times, exit code). The batch prints installer.exe's full exit code: start /wait
    passes all 32 bits to cmd's errorlevel, while cmd's own exit status keeps only 8."""
    batch = work / "run.bat"
    batch.write_text(f'@echo off\r\nstart "" /wait "{windows_path(env, installer)}" /s ProductCode={product_code} '
                     f'{ARGUMENTS}\r\necho %ERRORLEVEL%\r\n')
    batch_path = windows_path(env, batch)
    # Warm-up: Wine's libraries and cmd into the page cache; the second start is timed.
    subprocess.run(["wine", "cmd", "/c", "exit"], env=env, **QUIET)
    start = time.perf_counter()
    subprocess.run(["wine", "cmd", "/c", "exit"], env=env, **QUIET)
    wine_start = time.perf_counter() - start
    output = work / "exit-code.txt"
    with open(output, "w") as printed:
        launched = utc_now()
        start = time.perf_counter()
        subprocess.run(["wine", "cmd", "/c", batch_path], env=env, stdout=printed, stderr=subprocess.DEVNULL,
                       stdin=subprocess.DEVNULL)
        wall = time.perf_counter() - start
        returned = utc_now()
    code = output.read_text().strip()
    return wall, wine_start, launched, returned, int(code) if code.isdigit() else None


def read_log(prefix):
    logs = glob.glob(str(prefix / "drive_c" / "users" / "*" / "Temp" / "vusched.log"))  # %TEMP% under Wine
    if not logs:
        return []
    with open(logs[0], encoding="latin-1") as log:
        return [(stamp(m), m.group(11), m.group(12), m.group(13)) for m in RECORD.finditer(log.read())]


def index_of(records, test, what):
    for index, (_, function, _, message) in enumerate(records):
        if test(function, message):
            return index
    sys.exit(f"the log has no record of {what}")


def phases(records):
    """The parts of the run from its log records (when, function, level, message)."""
    detection = index_of(records, lambda f, m: m == "Entering VeskEnvironment::detect", "the detection")
    begin = index_of(records, lambda f, m: m == "-- InstallVRE() begin", "the install sequence's start")
    # The first record of the system integration; the one before it ends the class-data run.
    integration = index_of(records, lambda f, m: f == "InstallVesk" and m.startswith("InstallVesk("),
                           "the system integration")
    registration = index_of(records, lambda f, m: m == "-- Calling RegisterDeploy().", "the deployment registration")
    registered = index_of(records, lambda f, m: m.startswith("RegisterDeploy returned:"),
                          "the deployment registration's result")
    image_end = integration - 1
    when = [record[0] for record in records]
    seconds = lambda a, b: (when[b] - when[a]).total_seconds()
    last = len(records) - 1
    outside = ((0, begin), (image_end, last))
    gaps = sorted(((seconds(i - 1, i), records[i - 1], records[i]) for a, b in outside for i in range(a + 1, b + 1)),
                  key=lambda gap: -gap[0])
    neighbours = [seconds(i - 1, i) for a, b in outside for i in range(a + 1, b + 1)]
    return {
        "in_process": seconds(0, last),
        "image_phase": seconds(begin, image_end),
        "outside": seconds(0, begin) + seconds(image_end, last),
        "configuration": seconds(0, detection),
        "detection": seconds(detection, begin),
        "completion": seconds(image_end, last),
        "install_vesk": seconds(image_end, registration),
        "register_deploy": seconds(registration, registered),
        "registry_status": seconds(registered, last),
        "records_outside": begin + 1 + last - image_end,
        "median_gap": statistics.median(neighbours),
        "gaps": gaps,
        "first": when[0],
        "last": when[last],
    }


def measure(build_dir, work=None, keep=False):
    """One full install of the testbed runtime. A dict of seconds: wall, wine_start,
    to_first_record, after_last_record, in_process, image_phase, outside, configuration,
    detection, completion, install_vesk, register_deploy, registry_status; also
    records_outside, median_gap and gaps, the widest gaps between neighbouring records
    outside the image phase as (seconds, record before, record after) with records as
    (when, function, level, message). `work` (default: bench/install/work-full-install in
    the build) is emptied first and removed afterwards unless `keep`."""
    build_dir = pathlib.Path(build_dir).resolve()
    work = pathlib.Path(work).resolve() if work else build_dir / "bench" / "install" / "work-full-install"
    shutil.rmtree(work, ignore_errors=True)
    work.mkdir(parents=True)
    prefix = work / "wineprefix"
    env = dict(os.environ, WINEPREFIX=str(prefix), WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=", TZ="UTC")
    for name in ("DISPLAY", "WAYLAND_DISPLAY"):
        env.pop(name, None)
    try:
        product_code = prepare(env, prefix, build_dir / "testbed" / "msi" / "vre-testbed-x64.msi",
                               build_dir / "testbed" / "images" / "baseimagefam8")
        for log in glob.glob(str(prefix / "drive_c" / "users" / "*" / "Temp" / "vusched.log")):
            os.unlink(log)
        wall, wine_start, launched, returned, code = run_install(env, work, build_dir / "src" / "app" / "installer.exe",
                                                                 product_code)
        records = read_log(prefix)
        if code != 0:
            problems = "\n".join(f"{level} {function}: {message}" for _, function, level, message in records
                                 if level in ("ERROR", "WARNING"))
            sys.exit(f"installer.exe ended with {code if code is not None else 'no exit code'}"
                     f"{' (prefix kept in ' + str(work) + ')' if keep else ''}:\n{problems}")
    finally:
        subprocess.run(["wineserver", "-k"], env=env, **QUIET)
        if not keep:
            shutil.rmtree(work, ignore_errors=True)
    result = phases(records)
    result.update(wall=wall, wine_start=wine_start,
                  to_first_record=(result.pop("first") - launched).total_seconds(),
                  after_last_record=(returned - result.pop("last")).total_seconds())
    return result


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", type=pathlib.Path, default=HERE.parent.parent / "build", help="the build folder")
    parser.add_argument("--work", type=pathlib.Path, help="scratch folder (emptied first; default in the build)")
    parser.add_argument("--keep", action="store_true", help="keep the scratch folder with the prefix and its log")
    parser.add_argument("--gaps", type=int, default=8, help="widest gaps outside the image phase to list")
    args = parser.parse_args()
    figures = measure(args.build, args.work, args.keep)

    ms = lambda seconds: f"{seconds * 1000:7.0f} ms"
    print(f"wall time of the run (wine cmd, start /wait installer.exe)  {ms(figures['wall'])}")
    print(f"  of which Wine's and cmd's start alone (wine cmd /c exit)  {ms(figures['wine_start'])}")
    print(f"  launch to the first log record                            {ms(figures['to_first_record'])}")
    print(f"  last log record to the return                             {ms(figures['after_last_record'])}")
    print(f"first to last log record                                    {ms(figures['in_process'])}")
    print(f"  image phase (InstallVRE begin to the class-data run's end) {ms(figures['image_phase'])}")
    print(f"  outside the image phase (goal < 1000 ms)                  {ms(figures['outside'])}")
    print(f"    configuration (first record to the detection)           {ms(figures['configuration'])}")
    print(f"    detection (to InstallVRE begin)                         {ms(figures['detection'])}")
    print(f"    completion (class-data run's end to the last record)    {ms(figures['completion'])}")
    print(f"      system integration (InstallVesk)                      {ms(figures['install_vesk'])}")
    print(f"      deployment registration (RegisterDeploy)              {ms(figures['register_deploy'])}")
    print(f"      registry status and marks                             {ms(figures['registry_status'])}")
    print(f"{figures['records_outside']} log records outside the image phase, "
          f"{figures['median_gap'] * 1000:.0f} ms apart in the median")
    print("widest gaps between neighbouring records outside the image phase:")
    for seconds, before, after in figures["gaps"][:args.gaps]:
        print(f"  {ms(seconds)}  {before[1]}: {before[3][:70]}")
        print(f"{'':>14}-> {after[1]}: {after[3][:70]}")


if __name__ == "__main__":
    main()
