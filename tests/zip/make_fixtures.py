#!/usr/bin/env python3
"""Writes the zip reader's test archives into the folder given as the only argument.

Ordinary archives come from Python's zipfile and Info-ZIP's zip; the damaged and hostile
ones that no tool writes on purpose are assembled byte by byte by RawZip below. Files
that tests compare extracted data with are written under originals/."""

import os
import random
import shutil
import struct
import subprocess
import sys
import tempfile
import zipfile
import zlib

OUT = sys.argv[1]
ORIGINALS = os.path.join(OUT, "originals")
DOS_TIME = (2024, 5, 17, 12, 30, 0)


def out(name):
    return os.path.join(OUT, name)


def sample_bytes(seed, size):
    """Data that deflates well but not trivially, the same on every build."""
    rng = random.Random(seed)
    words = [bytes(rng.choice(b"abcdefghijklmnopqrstuvwxyz") for _ in range(rng.randint(2, 9))) for _ in range(300)]
    data = bytearray()
    while len(data) < size:
        data += rng.choice(words) + (b"\n" if rng.random() < 0.1 else b" ")
    return bytes(data[:size])


def info(name, method=zipfile.ZIP_DEFLATED):
    entry = zipfile.ZipInfo(name, DOS_TIME)
    entry.compress_type = method
    entry.external_attr = 0o644 << 16
    return entry


def write_zipfile(path, entries, comment=b""):
    """entries: (name, data or None for a directory, method)."""
    with zipfile.ZipFile(path, "w") as archive:
        for name, data, method in entries:
            if data is None:
                archive.writestr(info(name, zipfile.ZIP_STORED), b"")
            else:
                archive.writestr(info(name, method), data)
        archive.comment = comment


class RawZip:
    """An archive assembled field by field, so that any field can be wrong on purpose."""

    def __init__(self):
        self.entries = []

    def add(self, name, data, method=8, crc=None, size=None, payload=None, zip64=False, extra=b"", comment=b"",
            markers=False, flags=0):
        """zip64 adds a proper ZIP64 extra block; markers only sets the 0xFFFFFFFF fields."""
        if payload is None:
            payload = data if method == 0 else deflate(data)
        self.entries.append(dict(name=name.encode() if isinstance(name, str) else name, method=method,
                                 payload=payload, crc=zlib.crc32(data) if crc is None else crc,
                                 size=len(data) if size is None else size, zip64=zip64, extra=extra,
                                 comment=comment, markers=markers, flags=flags))

    def build(self, zip64_end=False, count=None, zip64_count=None, comment=b""):
        body = bytearray()
        central = bytearray()
        for e in self.entries:
            offset = len(body)
            local_sizes = (0xFFFFFFFF, 0xFFFFFFFF) if e["zip64"] or e["markers"] else (len(e["payload"]), e["size"])
            body += struct.pack("<IHHHHHIIIHH", 0x04034B50, 20, e["flags"], e["method"], 0, 0, e["crc"], *local_sizes,
                                len(e["name"]), 0) + e["name"] + e["payload"]
            extra = e["extra"]
            sizes = (len(e["payload"]), e["size"], offset)
            if e["zip64"]:
                extra = struct.pack("<HHQQQ", 1, 24, e["size"], len(e["payload"]), offset) + extra
                sizes = (0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF)
            if e["markers"]:
                sizes = (0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF)
            central += struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 45, 20, e["flags"], e["method"], 0, 0, e["crc"],
                                   sizes[0], sizes[1], len(e["name"]), len(extra), len(e["comment"]), 0, 0, 0,
                                   sizes[2]) + e["name"] + extra + e["comment"]
        directory_offset = len(body)
        n = len(self.entries) if count is None else count
        tail = bytearray()
        if zip64_end:
            record_offset = directory_offset + len(central)
            n64 = n if zip64_count is None else zip64_count
            tail += struct.pack("<IQHHIIQQQQ", 0x06064B50, 44, 45, 45, 0, 0, n64 & 0xFFFFFFFFFFFFFFFF,
                                n64 & 0xFFFFFFFFFFFFFFFF, len(central), directory_offset)
            tail += struct.pack("<IIQI", 0x07064B50, 0, record_offset, 1)
            tail += struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, 0xFFFF, 0xFFFF, 0xFFFFFFFF, 0xFFFFFFFF, len(comment))
        else:
            tail += struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, n, n, len(central), directory_offset, len(comment))
        return bytes(body + central + tail + comment)


def deflate(data):
    compressor = zlib.compressobj(9, zlib.DEFLATED, -15)
    return compressor.compress(data) + compressor.flush()


def keep_original(archive, name, data):
    path = os.path.join(ORIGINALS, archive, *name.split("/"))
    if data is None:
        os.makedirs(path, exist_ok=True)
        return
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def write(name, data):
    with open(out(name), "wb") as f:
        f.write(data)


def ordinary_archives():
    stored = b"stored entry: kept as it is\r\nsecond line\n"
    deflated = sample_bytes(1, 150_000)
    inner = b"inside a folder\n"
    entries = [
        ("stored.txt", stored, zipfile.ZIP_STORED),
        ("deflated.txt", deflated, zipfile.ZIP_DEFLATED),
        ("empty.txt", b"", zipfile.ZIP_STORED),
        ("dir/", None, None),
        ("dir/sub/", None, None),
        ("dir/sub/inner.txt", inner, zipfile.ZIP_DEFLATED),
    ]
    write_zipfile(out("sample.zip"), entries, comment=b"sample archive comment")
    for name, data, _ in entries:
        keep_original("sample", name, data)

    write_zipfile(out("excluded.zip"), [
        ("a/b.txt", b"lower\n", zipfile.ZIP_STORED),
        ("a\\B.txt", b"backslash\n", zipfile.ZIP_STORED),
        ("a/c.txt", b"kept\n", zipfile.ZIP_STORED),
    ])

    # Data in front of the archive, as a self-extracting program carries it.
    with open(out("sample.zip"), "rb") as f:
        write("stub.zip", b"MZ" + bytes(range(256)) * 40 + f.read())

    # The end record states fewer entries than the directory holds.
    data = bytearray(open(out("sample.zip"), "rb").read())
    end = data.rfind(b"PK\x05\x06")
    struct.pack_into("<HH", data, end + 8, 2, 2)
    write("fewer_count.zip", bytes(data))

    # A directory that spans several 8,192-byte blocks, with one header longer than a block.
    with zipfile.ZipFile(out("big_directory.zip"), "w") as archive:
        for i in range(400):
            name = "folder%03d/%s-%04d.txt" % (i // 50, "long-file-name" * 3, i)
            entry = info(name, zipfile.ZIP_STORED)
            if i == 200:
                # Longer than a block, and different at every position, so that bytes
                # taken from the wrong place cannot pass for it.
                entry.comment = b"".join(b"%04d;" % k for k in range(1800))
            archive.writestr(entry, ("entry %d\n" % i).encode())

    with zipfile.ZipFile(out("bzip2.zip"), "w") as archive:
        archive.writestr(info("packed.txt", zipfile.ZIP_BZIP2), b"bzip2 is not read by us\n")

    write("empty_file.zip", b"")
    write("not_a_zip.zip", b"This is plain text, not an archive.\n" * 20)

    # A small archive of every kind of entry, for the mutation test.
    write_zipfile(out("mutation_base.zip"), [
        ("m/", None, None),
        ("m/stored.txt", b"stored bytes " * 20, zipfile.ZIP_STORED),
        ("m/deflated.txt", sample_bytes(2, 3000), zipfile.ZIP_DEFLATED),
        ("m/empty.txt", b"", zipfile.ZIP_STORED),
        ("top.bin", bytes(range(256)), zipfile.ZIP_DEFLATED),
    ])


def encrypted_archive():
    work = tempfile.mkdtemp()
    try:
        with open(os.path.join(work, "secret.txt"), "wb") as f:
            f.write(b"secret\n")
        target = os.path.abspath(out("encrypted.zip"))
        if os.path.exists(target):
            os.remove(target)
        subprocess.run(["zip", "-q", "-P", "password", target, "secret.txt"], cwd=work, check=True)
    finally:
        shutil.rmtree(work)


def crafted_archives():
    content = sample_bytes(3, 20_000)

    raw = RawZip()
    zip64_entries = [("big/first.txt", content, 8), ("big/stored.txt", b"stored in zip64\n", 0)]
    for name, data, method in zip64_entries:
        raw.add(name, data, method=method, zip64=True)
        keep_original("zip64", name, data)
    write("zip64.zip", raw.build(zip64_end=True))

    # A ZIP64 entry count that is negative as a signed 32-bit value.
    raw = RawZip()
    raw.add("one.txt", b"one\n", method=0)
    raw.add("two.txt", b"two\n", method=0)
    write("zip64_negative_count.zip", raw.build(zip64_end=True, zip64_count=0xFFFFFFF0))

    # traversal_<i>.zip holds a harmless entry and then entry name i of this list (the
    # tests list the same names in the same order).
    for i, name in enumerate(["../../x.dll", "..\\..\\x.dll", "/abs.txt", "\\abs.txt", "C:x.txt",
                              "a/../../b.txt", "bin/a:stream", "a/.../b.txt", "a/.. /b.txt", "..",
                              "bin/NUL.txt", "CON"]):
        raw = RawZip()
        raw.add("ok.txt", b"harmless\n", method=0)
        raw.add(name, b"escaped\n", method=0)
        write("traversal_%d.zip" % i, raw.build())

    raw = RawZip()
    raw.add("stored.txt", b"stored\n", method=0, crc=zlib.crc32(b"stored\n") ^ 1)
    write("bad_crc_stored.zip", raw.build())
    raw = RawZip()
    raw.add("deflated.txt", content, crc=zlib.crc32(content) ^ 0x80000000)
    write("bad_crc_deflated.zip", raw.build())

    # The compressed bytes end before the deflate stream does.
    raw = RawZip()
    raw.add("cut.txt", content, payload=deflate(content)[:-40])
    write("cut_stream.zip", raw.build())
    # The stream ends early: the entry claims more bytes than it holds.
    raw = RawZip()
    raw.add("short.txt", content, size=len(content) + 10)
    write("short_stream.zip", raw.build())
    # The stream holds more bytes than the entry claims.
    raw = RawZip()
    raw.add("long.txt", content, size=len(content) - 10)
    write("long_stream.zip", raw.build())
    # Bytes after the end of the stream inside the compressed size.
    raw = RawZip()
    raw.add("trailing.txt", content, payload=deflate(content) + b"\0" * 10)
    write("trailing_stream.zip", raw.build())
    # Sizes no archive of this length can hold.
    raw = RawZip()
    raw.add("huge.txt", b"tiny\n", method=0, size=0xFFFFFFF0)
    write("huge_stored.zip", raw.build())
    raw = RawZip()
    raw.add("bomb.txt", content, size=0xFFFFFFF0)
    write("huge_deflated.zip", raw.build())
    raw = RawZip()
    raw.add("huge64.txt", content, size=0x7FFFFFFFFFFFFFF0, zip64=True)
    write("huge_zip64.zip", raw.build())
    # An extra field whose ZIP64 block claims more bytes than the field has.
    raw = RawZip()
    raw.add("odd-extra.txt", b"odd\n", method=0, markers=True, extra=struct.pack("<HH", 1, 200) + b"\1" * 8)
    write("bad_extra.zip", raw.build())
    # A header whose name runs past the end of the directory.
    data = bytearray(open(out("sample.zip"), "rb").read())
    last = data.rfind(b"PK\x01\x02")
    struct.pack_into("<H", data, last + 28, 0xFFF0)
    write("header_past_directory.zip", bytes(data))


UTF8_NAME = 0x0800


def utf8_name_archives():
    # Names flagged as UTF-8 (bit 11), as Python's zipfile and most tools write any name
    # that is not ASCII, beside an unflagged name taken in the ANSI code page byte for byte.
    raw = RawZip()
    raw.add("\u4e16\u754c/".encode(), b"", method=0, flags=UTF8_NAME)
    raw.add("\u4e16\u754c/h\u00e9llo.txt".encode(), b"hello world\n", flags=UTF8_NAME)
    raw.add("\u0141\u00f3d\u017a/a.cfg".encode(), b"lodz\n", method=0, flags=UTF8_NAME)
    raw.add(b"plain/ascii.txt", b"ascii\n", method=0)
    raw.add(b"caf\xe9.txt", b"ansi\n", method=0)
    write("utf8_names.zip", raw.build())

    # utf8_hostile_<i>.zip holds a harmless entry and then entry i of this list, whose
    # name is harmful only as Windows decodes it (the tests list the same names).
    for i, (name, flags) in enumerate([("COM\u00b9".encode(), UTF8_NAME), ("bin/lpt\u00b2.dll".encode(), UTF8_NAME),
                                       ("Com\u00b3 .txt".encode(), UTF8_NAME), (b"bad\xff.txt", UTF8_NAME),
                                       ("a/\u4e16/../../x.txt".encode(), UTF8_NAME), (b"COM\xb9", 0)]):
        raw = RawZip()
        raw.add("ok.txt", b"harmless\n", method=0)
        raw.add(name, b"escaped\n", method=0, flags=flags)
        write("utf8_hostile_%d.zip" % i, raw.build())


def main():
    os.makedirs(OUT, exist_ok=True)
    shutil.rmtree(ORIGINALS, ignore_errors=True)
    ordinary_archives()
    encrypted_archive()
    crafted_archives()
    utf8_name_archives()


main()
