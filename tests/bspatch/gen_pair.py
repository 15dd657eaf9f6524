#!/usr/bin/env python3
"""Deterministic generator of old/new file pairs for patch tests and benchmarks.

    gen_pair.py related|unrelated SIZE SEED OLD NEW

"related" imitates two releases of a runtime image: a sequence of members, some
incompressible (like compressed archive entries), some structured and repetitive (like
class files); the new file keeps most members, edits some in scattered places, replaces,
drops and inserts others. "unrelated" is two independent random files. SIZE is the
approximate size of the old file in bytes (suffixes K and M allowed); the same SEED
always gives the same bytes.
"""
import random
import sys


def _structured(rng, size):
    # Repetitive records drawn from a small vocabulary compress well and give bsdiff
    # long matches, as code and metadata do.
    vocabulary = [rng.randbytes(rng.randint(8, 48)) for _ in range(96)]
    parts, total = [], 0
    while total < size:
        piece = rng.choice(vocabulary) + rng.randint(0, 1 << 20).to_bytes(4, "little")
        parts.append(piece)
        total += len(piece)
    return b"".join(parts)[:size]


def _member(rng, size):
    return rng.randbytes(size) if rng.random() < 0.55 else _structured(rng, size)


def _edited(rng, member):
    data = bytearray(member)
    position = rng.randint(0, 1024)
    while position < len(data):
        roll = rng.random()
        if roll < 0.8:
            width = rng.randint(1, 8)
            data[position:position + width] = rng.randbytes(width)
        elif roll < 0.9:
            data[position:position] = rng.randbytes(rng.randint(1, 64))
        else:
            del data[position:position + rng.randint(1, 64)]
        position += rng.randint(512, 8192)
    return bytes(data)


def related(size, seed):
    rng = random.Random(seed)
    # Members of up to 1/64 of the file, at most 512 KiB: enough of them for every kind
    # of change to occur even in a small file.
    largest = max(min(size // 64, 512 << 10), 1 << 10)
    members, total = [], 0
    while total < size:
        member = _member(rng, min(rng.randint(largest // 8, largest), max(size - total, 1)))
        members.append(member)
        total += len(member)
    old = b"".join(members)
    new_members = []
    for member in members:
        roll = rng.random()
        if roll < 0.70:
            new_members.append(member)
        elif roll < 0.85:
            new_members.append(_edited(rng, member))
        elif roll < 0.95:
            new_members.append(_member(rng, len(member)))
        if rng.random() < 0.05:
            new_members.append(_member(rng, rng.randint(largest // 8, largest)))
    return old, b"".join(new_members)


def unrelated(size, seed):
    rng = random.Random(seed)
    return rng.randbytes(size), rng.randbytes(size + size // 8)


def parse_size(text):
    units = {"K": 1 << 10, "M": 1 << 20}
    return int(text[:-1]) * units[text[-1].upper()] if text[-1].upper() in units else int(text)


def main(argv):
    if len(argv) != 6 or argv[1] not in ("related", "unrelated"):
        sys.exit(__doc__)
    old, new = globals()[argv[1]](parse_size(argv[2]), int(argv[3]))
    with open(argv[4], "wb") as f:
        f.write(old)
    with open(argv[5], "wb") as f:
        f.write(new)


if __name__ == "__main__":
    main(sys.argv)
