#!/usr/bin/env python3
"""Runtime archives (lib/rt.vpk) whose manifests detection reads: good ones, and ones a
failed install or another tool could leave behind."""
import sys
import zipfile
from pathlib import Path

MANIFEST = "META-INF/MANIFEST.MF"


def write(path: Path, manifest: str) -> Path:
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as archive:
        archive.writestr(MANIFEST, manifest)
        archive.writestr("vesk/lang/Object.class", b"\xca\xfe\xba\xbe")
    return path


def damage_crc(path: Path) -> None:
    """Flips one byte of the stored manifest so that its CRC-32 no longer holds."""
    with zipfile.ZipFile(path, "w", zipfile.ZIP_STORED) as archive:
        archive.writestr(MANIFEST, "Manifest-Version: 1.0\r\nImplementation-Version: 1.8.0_322\r\n\r\n")
    data = bytearray(path.read_bytes())
    at = data.index(b"1.8.0_322")
    data[at] ^= 0x01
    path.write_bytes(bytes(data))


def main() -> None:
    out = Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    write(out / "rt-1.8.0_322.vpk",
          "Manifest-Version: 1.0\r\nImplementation-Version: 1.8.0_322\r\nCreated-By: testbed\r\n\r\n"
          "Name: vesk/lang/\r\nImplementation-Version: 9\r\n\r\n")
    write(out / "rt-1.8.0_321.vpk", "Manifest-Version: 1.0\r\nImplementation-Version: 1.8.0_321-b09\r\n\r\n")
    write(out / "rt-17.0.2.vpk", "Manifest-Version: 1.0\nImplementation-Version: 17.0.2\n")
    write(out / "rt-continued.vpk",
          "Manifest-Version: 1.0\r\nImplementation-Title: Vesk Runtime\r\n  Environment\r\n"
          "Implementation-Version: 1.8.0_322\r\n\r\n")
    write(out / "rt-section-only.vpk",
          "Manifest-Version: 1.0\r\n\r\nName: vesk/lang/\r\nImplementation-Version: 1.8.0_322\r\n")
    damage_crc(out / "rt-crc.vpk")


if __name__ == "__main__":
    main()
