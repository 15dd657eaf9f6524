#!/usr/bin/env python3
"""Writes the patch test fixtures into OUTDIR: for each case NAME the files NAME.old,
NAME.new and NAME.patch, where NAME.patch turns NAME.old into NAME.new.

    make_fixtures.py OUTDIR

Patches come from Debian's bsdiff. It cannot read empty files (it maps them into memory),
so the cases with an empty side get the patch bsdiff's format prescribes, written here:
the triples that copy the new bytes from the extra block, or none for an empty new file.
"""
import bz2
import os
import struct
import subprocess
import sys

import gen_pair


def offtin(value):
    return struct.pack("<Q", abs(value) | (1 << 63 if value < 0 else 0))


def written_patch(old, new):
    control = offtin(0) + offtin(len(new)) + offtin(0) if new else b""
    blocks = [bz2.compress(control), bz2.compress(b""), bz2.compress(new)]
    return b"BSDIFF40" + offtin(len(blocks[0])) + offtin(len(blocks[1])) + offtin(len(new)) + b"".join(blocks)


def main(outdir):
    os.makedirs(outdir, exist_ok=True)
    cases = {
        "empty-to-empty": (b"", b""),
        "empty-to-tiny": (b"", b"tiny new file\n"),
        "tiny-to-empty": (b"tiny old file\n", b""),
        "tiny": (b"hello, old world\n", b"hello, new world!\n"),
        "small-related": gen_pair.related(48 << 10, 7),
        "related": gen_pair.related(3 << 20, 1),
        "unrelated": gen_pair.unrelated(256 << 10, 2),
        # Streams of several bzip2 blocks, decompressed in parallel.
        "large-unrelated": gen_pair.unrelated(2 << 20, 3),
    }
    for name, (old, new) in cases.items():
        base = os.path.join(outdir, name)
        for suffix, data in ((".old", old), (".new", new)):
            with open(base + suffix, "wb") as f:
                f.write(data)
        if old and new:
            subprocess.run(["bsdiff", base + ".old", base + ".new", base + ".patch"], check=True)
        else:
            with open(base + ".patch", "wb") as f:
                f.write(written_patch(old, new))


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    main(sys.argv[1])
