#!/usr/bin/env python3
"""Makes the testbed runtime's base image, new image and the BSDIFF40 patch between them.

The images are zip archives laid out like a runtime home: bin/ with the runtime's
programs, deploy.dll, the C-runtime files and the accessibility-bridge files of every
architecture; lib/ with the packed archives (*.pack, a gzip stream of a .vpk zip),
lib/ext/, lib/management/, and a README. The new image differs from the base image as a
real update does: changed, added and removed files.

Everything is a function of the parameters and the given program files, so the same
inputs give the same bytes. The realistic and product sizes take bsdiff minutes; with
--cache the result is kept in a folder keyed by every input and reused.

Two large kinds, of about the same new image size (146 MB), give patches of different
shapes:
- realistic: the packed archives make up the images and change completely, so the
  patch is almost all extra bytes (it measures bzip2 decoding);
- product: like a rebuilt runtime, large stored files change in small places spread
  through them (changed bytes, inserted and removed bytes that shift what follows,
  pieces that moved), so that the patch has millions of small matches: a control block
  of about 8 MB and a difference block of about 6 MB, and few extra bytes. The script
  prints the patch's block lengths.

usage: make_images.py --bsdiff PATH --out DIR --version A.B.C.D --bin-list FILE
                      [--size small|realistic|product] [--cache DIR]
"""

import argparse
import gzip
import hashlib
import io
import os
import random
import shutil
import struct
import subprocess
import sys
import tempfile
import zipfile

ENTRY_TIME = (2024, 1, 15, 12, 0, 0)

# Relative to home, in the order the installer expands them.
PACKED_ARCHIVES = [
    "lib/plugin.vpk", "lib/veskws.vpk", "lib/deploy.vpk", "lib/rt.vpk",
    "lib/vsse.vpk", "lib/charsets.vpk", "lib/ext/localedata.vpk",
]

# Accessibility-bridge files of every architecture (64-bit, 32-bit on 64, 32-bit).
BRIDGE_LIBRARIES = [
    "bin/WindowsVabBridge-64.dll", "bin/VeskAccessBridge.dll",
    "bin/WindowsVabBridge-32.dll", "bin/VeskAccessBridge-32.dll", "bin/VAWTAccessBridge-32.dll",
    "bin/WindowsVabBridge.dll", "bin/VAWTAccessBridge.dll",
]
BRIDGE_ARCHIVES = ["lib/ext/vab-bridge-64.vpk", "lib/ext/vab-bridge-32.vpk", "lib/ext/vab-bridge.vpk"]

# Per packed archive: (entries, mean entry size in bytes) at the small size.
ARCHIVE_SHAPES = {
    "lib/plugin.vpk": (30, 6000),
    "lib/veskws.vpk": (40, 6000),
    "lib/deploy.vpk": (30, 5000),
    "lib/rt.vpk": (240, 7000),
    "lib/vsse.vpk": (30, 5000),
    "lib/charsets.vpk": (40, 6000),
    "lib/ext/localedata.vpk": (30, 6000),
}
# The realistic size: about 146 MB of new image, like the product's.
SIZES = {"small": (1, 1), "realistic": (21, 4), "product": (1, 1)}  # (entry count factor, entry size factor)

# The product kind adds large files kept uncompressed in the image (a runtime's module
# image, its virtual machine, symbol tables), {path: size in the base image}. Together
# with the rest they make a new image of about 146.6 MB.
PRODUCT_BULK = {
    "lib/modules": 112_000_000,
    "bin/server/veskvm.dll": 22_000_000,
    "lib/ct.sym": 9_000_000,
    "bin/veskfx.dll": 5_300_000,
}
# How the product kind's new files differ from the base ones: every REBUILD_GAP bytes on
# average an edit, which shifts what follows (bytes inserted or removed), takes a piece
# from elsewhere in the file (moved code) or changes a few bytes in place (addresses).
REBUILD_GAP = 20
REBUILD_SHIFT = 0.35
REBUILD_MOVE = 0.17
# What a changed address or displacement adds to each of its bytes.
ADDENDS = (4, 8, 16, 24)

IMAGE_NAMES = ("baseimagefam8", "newimage", "diff")


def legacy_version(file_version, updates_back=0):
    """8.0.3210.7 -> 1.8.0_321-b07: the version the runtime's manifest carries."""
    a, b, c, d = (int(part) for part in file_version.split("."))
    return "1.%d.%d_%d-b%02d" % (a, b, c // 10 - updates_back, d)


def blob(seed, size):
    """Deterministic bytes that compress about as well as class files do."""
    rng = random.Random(seed)
    noisy = size * 3 // 5
    pattern = rng.randbytes(509)
    repeated = (pattern * (size // len(pattern) + 1))[: size - noisy]
    return rng.randbytes(noisy) + repeated


def rebuilt(seed, old):
    """The bytes of `old` as a rebuild of the same program gives them (see REBUILD_GAP)."""
    rng = random.Random(seed)
    parts = []
    position = 0
    while position < len(old):
        step = rng.randint(REBUILD_GAP // 2, REBUILD_GAP * 3 // 2)
        parts.append(old[position:position + step])
        position += step
        if position >= len(old):
            break
        edit = rng.random()
        if edit < REBUILD_SHIFT / 4:
            parts.append(rng.randbytes(rng.randint(1, 4)))
        elif edit < REBUILD_SHIFT:
            position += rng.randint(1, 12)
        elif edit < REBUILD_SHIFT + REBUILD_MOVE:
            source = rng.randrange(max(len(old) - 200, 1))
            length = rng.randint(40, 120)
            parts.append(old[source:source + length])
            position += length
        else:
            length = rng.randint(1, 8)
            parts.append(bytes((b + rng.choice(ADDENDS)) & 0xFF for b in old[position:position + length]))
            position += length
    return b"".join(parts)


def zip_bytes(entries, stored=()):
    """A zip archive of entries {name: bytes}, with folder entries, in sorted order; the
    entries named in `stored` are kept uncompressed."""
    names = set(entries)
    for name in entries:
        parts = name.split("/")[:-1]
        for depth in range(1, len(parts) + 1):
            names.add("/".join(parts[:depth]) + "/")
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w") as archive:
        for name in sorted(names):
            info = zipfile.ZipInfo(name, ENTRY_TIME)
            info.create_system = 0
            if name.endswith("/"):
                info.external_attr = 0x10
                archive.writestr(info, b"")
            else:
                info.external_attr = 0x20
                if name in stored:
                    archive.writestr(info, entries[name], compress_type=zipfile.ZIP_STORED)
                else:
                    info.compress_type = zipfile.ZIP_DEFLATED
                    archive.writestr(info, entries[name], compresslevel=6)
    return buffer.getvalue()


def pack(data):
    """Our packed format: a gzip stream of the archive's bytes (no name, no time)."""
    return gzip.compress(data, compresslevel=6, mtime=0)


def class_archive(archive, image, version, size):
    """The .vpk zip of one packed archive. Most entries are the same in both images; every
    seventh one changes with the update, and the runtime archive carries the manifest."""
    count, mean = ARCHIVE_SHAPES[archive]
    count_factor, size_factor = SIZES[size]
    stem = archive.rsplit("/", 1)[1][: -len(".vpk")]
    entries = {}
    rng = random.Random("shape:" + archive)
    for index in range(count * count_factor):
        length = rng.randint(mean // 2, mean * 3 // 2) * size_factor
        changed = index % 7 == 3
        seed = "%s:%d:%s" % (archive, index, version if changed else "")
        entries["vesk/%s/p%02d/Type%04d.class" % (stem, index % 23, index)] = blob(seed, length)
    if image == "new":
        entries["vesk/%s/added/Feature.class" % stem] = blob(archive + ":added", mean * size_factor)
    else:
        entries["vesk/%s/removed/Legacy.class" % stem] = blob(archive + ":removed", mean * size_factor)
    manifest = "Manifest-Version: 1.0\r\nCreated-By: Vesk testbed\r\n"
    if archive == "lib/rt.vpk":
        manifest += "Implementation-Title: Vesk Runtime Environment\r\nImplementation-Version: %s\r\n" % version
        manifest += "Implementation-Vendor: Veyra\r\n"
    entries["META-INF/MANIFEST.MF"] = (manifest + "\r\n").encode()
    return zip_bytes(entries)


def image_entries(image, version, size, programs):
    """All files of one image, {path: bytes}."""
    entries = {}
    for name, data in programs.items():
        entries["bin/" + name] = data
    entries["bin/server/veskvm.dll"] = blob("veskvm:" + version, 400000 * SIZES[size][1])
    for path in BRIDGE_LIBRARIES + BRIDGE_ARCHIVES:
        entries[path] = ("Vesk Access Bridge stand-in %s, version %s\n" % (path, version)).encode()
    for archive in PACKED_ARCHIVES:
        entries[archive[: -len(".vpk")] + ".pack"] = pack(class_archive(archive, image, version, size))
    entries["lib/ext/vcrypto.vpk"] = zip_bytes({"vesk/crypto/Provider.class": blob("vcrypto", 20000)})
    entries["lib/management/management.properties"] = b"# Management settings\r\nvmx.remote.port=\r\n"
    entries["lib/management/vmxremote.access"] = b"monitorRole readonly\r\ncontrolRole readwrite\r\n"
    entries["lib/tzdb.dat"] = blob("tzdb:" + version, 100000)
    entries["README.txt"] = ("Vesk(TM) Runtime Environment %s\r\n\r\nTestbed image.\r\n" % version).encode()
    entries["release"] = ('VESK_VERSION="%s"\nIMAGE="%s"\n' % (version, image)).encode()
    if image == "new":
        entries["lib/ext/vmetrics.vpk"] = zip_bytes({"vesk/metrics/Agent.class": blob("vmetrics", 15000)})
        entries["lib/management/vmx-remote-ssl.properties"] = b"vmx.remote.ssl=true\r\n"
    else:
        entries["bin/vsse-legacy.dll"] = blob("vsse-legacy", 60000)
        entries["lib/ext/legacy-ciphers.vpk"] = zip_bytes({"vesk/legacy/Cipher.class": blob("legacy", 15000)})
    if size == "product":
        for path, length in PRODUCT_BULK.items():
            data = random.Random("bulk:" + path).randbytes(length)
            entries[path] = rebuilt("rebuild:" + path, data) if image == "new" else data
    return entries


def image_bytes(image, version, size, programs):
    stored = PRODUCT_BULK if size == "product" else ()
    return zip_bytes(image_entries(image, version, size, programs), stored)


def patch_blocks(path):
    """(control length, difference length, new size) from a BSDIFF40 header."""
    with open(path, "rb") as stream:
        header = stream.read(32)
    if header[:8] != b"BSDIFF40":
        sys.exit("make_images.py: %s is not a BSDIFF40 patch" % path)
    return struct.unpack("<qqq", header[8:32])


def sha256_file(path):
    digest = hashlib.sha256()
    with open(path, "rb") as stream:
        for chunk in iter(lambda: stream.read(1 << 20), b""):
            digest.update(chunk)
    return digest.hexdigest()


def read_programs(bin_list):
    programs = {}
    with open(bin_list, encoding="utf-8") as stream:
        for line in stream:
            path = line.strip()
            if path:
                with open(path, "rb") as program:
                    programs[os.path.basename(path)] = program.read()
    if not programs:
        sys.exit("make_images.py: %s names no program files" % bin_list)
    return programs


def cache_key(args, programs):
    digest = hashlib.sha256()
    with open(__file__, "rb") as script:
        digest.update(script.read())
    digest.update(("%s|%s|" % (args.version, args.size)).encode())
    for name in sorted(programs):
        digest.update(name.encode() + b"=" + hashlib.sha256(programs[name]).digest())
    return digest.hexdigest()[:32]


def make(args, programs, folder):
    version = legacy_version(args.version)
    base_version = legacy_version(args.version, updates_back=1)
    for image, image_version, name in (("base", base_version, "baseimagefam8"), ("new", version, "newimage")):
        with open(os.path.join(folder, name), "wb") as stream:
            stream.write(image_bytes(image, image_version, args.size, programs))
    subprocess.run([args.bsdiff, os.path.join(folder, "baseimagefam8"), os.path.join(folder, "newimage"),
                    os.path.join(folder, "diff")], check=True)


def publish(source, out):
    """Copies the three files into `out` and writes their digests beside them."""
    os.makedirs(out, exist_ok=True)
    lines = []
    for name in IMAGE_NAMES:
        shutil.copyfile(os.path.join(source, name), os.path.join(out, name))
        lines.append("%s  %s\n" % (sha256_file(os.path.join(out, name)), name))
    with open(os.path.join(out, "images.sha256"), "w", encoding="utf-8") as stream:
        stream.writelines(lines)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--bsdiff", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("--version", required=True)
    parser.add_argument("--bin-list", required=True)
    parser.add_argument("--size", choices=sorted(SIZES), default="small")
    parser.add_argument("--cache")
    args = parser.parse_args()
    if len(args.version.split(".")) != 4 or not all(p.isdigit() for p in args.version.split(".")):
        sys.exit("make_images.py: --version %s is not of the form a.b.c.d" % args.version)
    programs = read_programs(args.bin_list)

    if args.cache:
        cached = os.path.join(args.cache, cache_key(args, programs))
        if not all(os.path.isfile(os.path.join(cached, name)) for name in IMAGE_NAMES):
            os.makedirs(args.cache, exist_ok=True)
            with tempfile.TemporaryDirectory(dir=args.cache) as work:
                make(args, programs, work)
                shutil.rmtree(cached, ignore_errors=True)
                os.rename(work, cached)
                os.makedirs(work)  # the context manager removes it again
        publish(cached, args.out)
    else:
        with tempfile.TemporaryDirectory() as work:
            make(args, programs, work)
            publish(work, args.out)
    diff = os.path.join(args.out, "diff")
    control, difference, new_size = patch_blocks(diff)
    extra = os.path.getsize(diff) - 32 - control - difference
    print("%s patch: control %.1f MB, difference %.1f MB, extra %.1f MB, new image %.1f MB" %
          (args.size, control / 1e6, difference / 1e6, extra / 1e6, new_size / 1e6))


if __name__ == "__main__":
    main()
