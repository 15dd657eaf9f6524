#!/usr/bin/env python3
"""Runs the testbed image generator on the host and checks what it makes: the same
parameters give the same bytes, the images are laid out like a runtime home, and the
new image differs from the base image as an update does.

usage: generator_test.py MAKE_IMAGES BSDIFF BIN_LIST VERSION
"""
import gzip
import io
import os
import re
import subprocess
import sys
import tempfile
import unittest
import zipfile

SCRIPT, BSDIFF, BIN_LIST, VERSION = sys.argv[1:5]
PACKED = ["lib/plugin.pack", "lib/veskws.pack", "lib/deploy.pack", "lib/rt.pack", "lib/vsse.pack",
          "lib/charsets.pack", "lib/ext/localedata.pack"]
BRIDGES = ["bin/WindowsVabBridge-64.dll", "bin/VeskAccessBridge.dll", "bin/WindowsVabBridge-32.dll",
           "bin/VeskAccessBridge-32.dll", "bin/VAWTAccessBridge-32.dll", "bin/WindowsVabBridge.dll",
           "bin/VAWTAccessBridge.dll", "lib/ext/vab-bridge-64.vpk", "lib/ext/vab-bridge-32.vpk",
           "lib/ext/vab-bridge.vpk"]
PROGRAMS = ["bin/vesk.exe", "bin/veskw.exe", "bin/veskws.exe", "bin/veskc.exe", "bin/veskcpl.exe", "bin/vmc.exe",
            "bin/vabswitch.exe", "bin/vunpack.exe", "bin/deploy.dll", "bin/ucrtbase.dll", "bin/msvcp140.dll"]


def generate(out, version=VERSION):
    subprocess.run([sys.executable, SCRIPT, "--bsdiff", BSDIFF, "--out", out, "--version", version,
                    "--bin-list", BIN_LIST], check=True)
    with open(os.path.join(out, "images.sha256"), encoding="utf-8") as stream:
        return stream.read()


def contents(path):
    with zipfile.ZipFile(path) as archive:
        return {info.filename: archive.read(info) for info in archive.infolist()}


class GeneratorTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.TemporaryDirectory()
        cls.first = os.path.join(cls.work.name, "first")
        cls.digests = generate(cls.first)
        cls.base = contents(os.path.join(cls.first, "baseimagefam8"))
        cls.new = contents(os.path.join(cls.first, "newimage"))

    @classmethod
    def tearDownClass(cls):
        cls.work.cleanup()

    def test_same_parameters_give_the_same_digests(self):
        second = os.path.join(self.work.name, "second")
        self.assertEqual(self.digests, generate(second))
        self.assertEqual(3, len(self.digests.splitlines()))
        for name in ("baseimagefam8", "newimage", "diff"):
            with open(os.path.join(self.first, name), "rb") as a, open(os.path.join(second, name), "rb") as b:
                self.assertEqual(a.read(), b.read(), name)

    def test_another_version_gives_other_images(self):
        other = generate(os.path.join(self.work.name, "other"), version="8.0.3310.4")
        self.assertNotEqual(self.digests.splitlines()[1], other.splitlines()[1])

    def test_images_are_laid_out_like_a_runtime_home(self):
        for image in (self.base, self.new):
            for name in PACKED + BRIDGES + PROGRAMS + ["README.txt", "lib/ext/", "lib/management/"]:
                self.assertIn(name, image)
            for name in PACKED:
                archive = zipfile.ZipFile(io.BytesIO(gzip.decompress(image[name])))
                self.assertIn("META-INF/MANIFEST.MF", archive.namelist(), name)
            self.assertFalse([n for n in image if n.endswith(".vpk") and n.replace(".vpk", ".pack") in image])
        with open(BIN_LIST, encoding="utf-8") as stream:
            for path in filter(None, map(str.strip, stream)):
                with open(path, "rb") as program:
                    self.assertEqual(program.read(), self.new["bin/" + os.path.basename(path)], path)

    def test_runtime_archive_names_the_version(self):
        a, b, c, d = (int(p) for p in VERSION.split("."))
        for image, update in ((self.new, c // 10), (self.base, c // 10 - 1)):
            runtime = zipfile.ZipFile(io.BytesIO(gzip.decompress(image["lib/rt.pack"])))
            manifest = runtime.read("META-INF/MANIFEST.MF").decode()
            self.assertRegex(manifest, r"(?m)^Implementation-Version: %s\r$" % re.escape("1.%d.%d_%d-b%02d" % (a, b, update, d)))

    def test_new_image_changes_adds_and_removes_files(self):
        common = set(self.base) & set(self.new)
        self.assertTrue({n for n in common if self.base[n] != self.new[n]} >= {"lib/rt.pack", "README.txt"})
        self.assertTrue(set(self.new) - set(self.base))
        self.assertTrue(set(self.base) - set(self.new))

    def test_small_images_are_a_few_megabytes(self):
        size = os.path.getsize(os.path.join(self.first, "newimage"))
        self.assertLess(size, 10 * 1024 * 1024)
        self.assertGreater(size, 1024 * 1024)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
