#!/usr/bin/env python3
"""Takes the runtime archive out of a testbed image for the Windows-side tests, with
Python's own gzip and zip code, so that the tests compare our programs against an
independent reading of the same bytes.

usage: make_fixtures.py NEWIMAGE OUTDIR
writes rt.pack (as in the image), rt.vpk (its expansion), rt.entries.txt (the
entry names of rt.vpk, one a line) and rt.manifest.txt (its META-INF/MANIFEST.MF).
"""
import gzip
import io
import os
import sys
import zipfile


def main():
    image, out = sys.argv[1:3]
    os.makedirs(out, exist_ok=True)
    with zipfile.ZipFile(image) as archive:
        packed = archive.read("lib/rt.pack")
    expanded = gzip.decompress(packed)
    with zipfile.ZipFile(io.BytesIO(expanded)) as runtime:
        names = runtime.namelist()
        manifest = runtime.read("META-INF/MANIFEST.MF")
    for name, data in (("rt.pack", packed), ("rt.vpk", expanded), ("rt.entries.txt", "".join(n + "\n" for n in names).encode()),
                       ("rt.manifest.txt", manifest)):
        with open(os.path.join(out, name), "wb") as stream:
            stream.write(data)


if __name__ == "__main__":
    main()
