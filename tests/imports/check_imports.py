#!/usr/bin/env python3
"""Fails when a program imports a library that Windows does not always take from its
system folder (the KnownDLLs set, and ntdll): any other name would be searched for
beside the program first, where a user can plant it.

    check_imports.py OBJDUMP PROGRAM...
"""
import subprocess
import sys

KNOWN_DLLS = {
    "advapi32.dll", "comdlg32.dll", "gdi32.dll", "imagehlp.dll", "imm32.dll", "kernel32.dll",
    "msctf.dll", "msvcrt.dll", "normaliz.dll", "nsi.dll", "ntdll.dll", "ole32.dll",
    "oleaut32.dll", "psapi.dll", "rpcrt4.dll", "sechost.dll", "setupapi.dll", "shell32.dll",
    "shlwapi.dll", "user32.dll", "wldap32.dll", "ws2_32.dll",
}


def imported_libraries(objdump, program):
    listing = subprocess.run([objdump, "-p", program], check=True, capture_output=True, text=True).stdout
    return [line.split("DLL Name:", 1)[1].strip() for line in listing.splitlines() if "DLL Name:" in line]


def main():
    objdump, programs = sys.argv[1], sys.argv[2:]
    failures = 0
    for program in programs:
        libraries = imported_libraries(objdump, program)
        if not libraries:
            print(f"{program}: no import table found")
            failures += 1
        for library in libraries:
            if library.lower() not in KNOWN_DLLS:
                print(f"{program}: imports {library}, which Windows would search for beside the program")
                failures += 1
        print(f"{program}: {', '.join(libraries)}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
