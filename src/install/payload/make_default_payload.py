#!/usr/bin/env python3
"""Makes the small payload that a build embeds when no payload folder is given.

    make_default_payload.py BSDIFF PATCH BASE_IMAGE NEW_IMAGE

writes BASE_IMAGE and NEW_IMAGE, two small zip archives laid out like a runtime image
whose second one is an update of the first, and PATCH, the BSDIFF40 patch between them
made by the bsdiff program BSDIFF. Every byte is derived from fixed seeds and fixed
time stamps, so the base image and its SHA-256 digest are the same in every build.
"""
import random
import subprocess
import sys
import zipfile
from pathlib import Path

TIMESTAMP = (2024, 1, 2, 3, 4, 6)


def pseudo_random(seed, size):
    generator = random.Random(seed)
    return bytes(generator.getrandbits(8) for _ in range(size))


def text_lines(seed, count):
    generator = random.Random(seed)
    words = ["vesk", "runtime", "class", "module", "image", "loader", "bridge", "stack"]
    return "".join(" ".join(generator.choice(words) for _ in range(8)) + "\n" for _ in range(count)).encode()


def base_entries():
    return {
        "bin/vesk.exe": pseudo_random(1, 24000),
        "bin/veskw.exe": pseudo_random(2, 20000),
        "lib/rt.pack": pseudo_random(3, 30000),
        "lib/deploy.pack": pseudo_random(4, 6000),
        "release": b'VESK_VERSION="8.0.3200"\n',
        "README.html": text_lines(5, 40),
    }


def new_entries():
    entries = base_entries()
    # An update: some programs change in place, one entry grows, one is new.
    vesk = bytearray(entries["bin/vesk.exe"])
    for offset in range(0, len(vesk), 997):
        vesk[offset] ^= 0x5A
    entries["bin/vesk.exe"] = bytes(vesk)
    entries["lib/rt.pack"] += pseudo_random(6, 5000)
    entries["release"] = b'VESK_VERSION="8.0.3210"\n'
    entries["lib/charsets.pack"] = pseudo_random(7, 8000)
    return entries


def write_zip(path, entries):
    path.parent.mkdir(parents=True, exist_ok=True)
    with zipfile.ZipFile(path, "w", compression=zipfile.ZIP_DEFLATED) as archive:
        for name in sorted(entries):
            info = zipfile.ZipInfo(name, TIMESTAMP)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.external_attr = 0o644 << 16
            archive.writestr(info, entries[name])


def main(arguments):
    if len(arguments) != 4:
        print(__doc__.splitlines()[2].strip(), file=sys.stderr)
        return 2
    bsdiff, patch, base, new = arguments[0], Path(arguments[1]), Path(arguments[2]), Path(arguments[3])
    write_zip(base, base_entries())
    write_zip(new, new_entries())
    patch.parent.mkdir(parents=True, exist_ok=True)
    subprocess.run([bsdiff, str(base), str(new), str(patch)], check=True)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
