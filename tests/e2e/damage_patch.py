#!/usr/bin/env python3
"""Makes a damaged copy of a BSDIFF40 patch for the image phase tests.

    damage_patch.py PATCH OUTPUT

The header stays intact, so the patch tool accepts the file at first sight; the start
of the first bzip2 stream is overwritten, so applying it must fail.
"""
import sys

HEADER = 32


def main(arguments):
    if len(arguments) != 2:
        print(__doc__.splitlines()[2].strip(), file=sys.stderr)
        return 2
    with open(arguments[0], "rb") as source:
        data = bytearray(source.read())
    if data[:8] != b"BSDIFF40" or len(data) < HEADER + 64:
        sys.exit("damage_patch.py: %s is not a BSDIFF40 patch" % arguments[0])
    data[HEADER:HEADER + 64] = b"\x5a" * 64
    with open(arguments[1], "wb") as output:
        output.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
