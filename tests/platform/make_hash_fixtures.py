#!/usr/bin/env python3
"""Writes the checksum test files into a folder, with a header of their SHA-256 digests.

The digests come from Python's hashlib, so the tests compare CryptoAPI with an
independent implementation.
"""
import hashlib
import pathlib
import sys

BLOCK = 1024 * 1024
SIZES = {"empty.bin": 0, "oneblock.bin": BLOCK, "oneblockandbyte.bin": BLOCK + 1}


def content(size):
    # Bytes that differ from block to block, so that a re-read block changes the digest.
    return bytes((index * 131 + index // 251) & 0xFF for index in range(size))


def main():
    folder = pathlib.Path(sys.argv[1])
    folder.mkdir(parents=True, exist_ok=True)
    lines = ["#pragma once", "", "// Made by make_hash_fixtures.py.", "struct HashFixture {",
             "    const char* file;", "    const char* sha256;", "};", "",
             "inline constexpr HashFixture hashFixtures[] = {"]
    for name, size in SIZES.items():
        data = content(size)
        (folder / name).write_bytes(data)
        lines.append(f'    {{"{name}", "{hashlib.sha256(data).hexdigest()}"}},')
    lines += ["};", ""]
    (folder / "HashFixtures.h").write_text("\n".join(lines))


if __name__ == "__main__":
    main()
