#!/usr/bin/env python3
"""Lists the files of a runtime image for the image phase tests.

    list_image.py IMAGE OUTPUT

IMAGE is a zip archive laid out like a runtime home. OUTPUT gets one line per file:
the path (with backslashes), a tab, the SHA-256 digest of its content, a tab, and for a
packed archive (*.pack, a gzip stream) the SHA-256 digest of the expanded archive,
otherwise (also for a .pack file that is no gzip stream) "-".
"""
import gzip
import hashlib
import sys
import zipfile


def main(arguments):
    if len(arguments) != 2:
        print(__doc__.splitlines()[2].strip(), file=sys.stderr)
        return 2
    lines = []
    with zipfile.ZipFile(arguments[0]) as image:
        for info in image.infolist():
            if info.is_dir():
                continue
            data = image.read(info)
            expanded = "-"
            if info.filename.endswith(".pack"):
                try:
                    expanded = hashlib.sha256(gzip.decompress(data)).hexdigest()
                except (OSError, EOFError):
                    pass  # not in the runtime's packed form
            lines.append("%s\t%s\t%s\n" % (info.filename.replace("/", "\\"), hashlib.sha256(data).hexdigest(), expanded))
    with open(arguments[1], "w", encoding="utf-8", newline="\n") as output:
        output.writelines(sorted(lines))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
