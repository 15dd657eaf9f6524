#!/usr/bin/env python3
"""Writes the string tables of installer.exe as one resource script.

Usage: make_string_tables.py OUTPUT.rc REFERENCE.json [LANGUAGE.json ...]

Each language file (UTF-8 JSON) holds the language's LANGID, the primary and sub-language
names of its LANGUAGE statement, the ANSI code page its texts are shown in, and its texts
by string id. The first file is the reference language (English). The build stops when a
language file disagrees with the others, because a slip here only shows on a machine set
to that language:
- every language has exactly the reference's ids, and no text is empty (the resource
  compiler drops empty entries, so the id would silently be missing);
- the LANGUAGE names give the file's LANGID;
- every text can be shown in the language's ANSI code page, since the program loads
  its strings with the ANSI functions and would print '?' for anything else;
- "%s" is the only '%' sequence, and each text has as many as the reference text of
  the same id: the program formats the messages with string arguments in that order.

String 4008 of each language is computed here: the SHA-1 of the UTF-8 bytes of that
language's other strings, taken in ascending id order and concatenated without
separators or terminators, written as 40 lower-case hexadecimal characters. It
fingerprints a language's texts so that two builds can be compared.
"""

import hashlib
import json
import pathlib
import re
import sys

DIGEST_ID = 4008

# The LANGUAGE statement names the language files may use, with their values.
PRIMARY_LANGUAGES = {
    "LANG_CHINESE": 0x04,
    "LANG_ENGLISH": 0x09,
    "LANG_FRENCH": 0x0C,
    "LANG_GERMAN": 0x07,
    "LANG_ITALIAN": 0x10,
    "LANG_JAPANESE": 0x11,
    "LANG_KOREAN": 0x12,
    "LANG_PORTUGUESE": 0x16,
    "LANG_SPANISH": 0x0A,
    "LANG_SWEDISH": 0x1D,
}
SUB_LANGUAGES = {
    "SUBLANG_NEUTRAL": 0x00,
    "SUBLANG_DEFAULT": 0x01,
    "SUBLANG_CHINESE_TRADITIONAL": 0x01,
    "SUBLANG_CHINESE_SIMPLIFIED": 0x02,
    "SUBLANG_ENGLISH_US": 0x01,
    "SUBLANG_KOREAN": 0x01,
    "SUBLANG_PORTUGUESE_BRAZILIAN": 0x01,
}

PERCENT_SEQUENCE = re.compile(r"%.?", re.DOTALL)


class TableError(Exception):
    pass


def reject_duplicates(pairs):
    table = {}
    for key, value in pairs:
        if key in table:
            raise TableError(f"duplicate key {key!r}")
        table[key] = value
    return table


def load_language(path):
    try:
        data = json.loads(path.read_text(encoding="utf-8"), object_pairs_hook=reject_duplicates)
    except (OSError, ValueError, TableError) as error:
        raise TableError(f"{path}: {error}") from error
    try:
        language = {
            "path": path,
            "langid": int(data["langid"]),
            "primary": data["language"],
            "sub": data["sublanguage"],
            "code_page": int(data["ansi_code_page"]),
            "strings": {int(key): text for key, text in data["strings"].items()},
        }
    except (KeyError, TypeError, ValueError) as error:
        raise TableError(f"{path}: malformed language file ({error!r})") from error
    return language


def check_language(language, reference):
    where = language["path"]
    primary = PRIMARY_LANGUAGES.get(language["primary"])
    sub = SUB_LANGUAGES.get(language["sub"])
    if primary is None or sub is None:
        raise TableError(f"{where}: unknown language names {language['primary']}, {language['sub']}")
    if (sub << 10) | primary != language["langid"]:
        raise TableError(
            f"{where}: {language['primary']}, {language['sub']} is LANGID "
            f"{(sub << 10) | primary}, not {language['langid']}")
    codec = f"cp{language['code_page']}"

    strings = language["strings"]
    if DIGEST_ID in strings:
        raise TableError(f"{where}: string {DIGEST_ID} is computed by the build, remove it")
    missing = sorted(set(reference["strings"]) - set(strings))
    extra = sorted(set(strings) - set(reference["strings"]))
    if missing or extra:
        raise TableError(f"{where}: ids missing {missing}, ids not in the reference {extra}")

    for string_id, text in strings.items():
        if not isinstance(text, str) or not text:
            raise TableError(f"{where}: string {string_id} is empty or not a text")
        bad = [ch for ch in text if ord(ch) < 0x20 and ch not in "\n\t"]
        if bad:
            raise TableError(f"{where}: string {string_id} holds control characters {bad!r}")
        sequences = PERCENT_SEQUENCE.findall(text)
        if any(sequence != "%s" for sequence in sequences):
            raise TableError(f"{where}: string {string_id} has a '%' other than %s")
        expected = PERCENT_SEQUENCE.findall(reference["strings"][string_id])
        if len(sequences) != len(expected):
            raise TableError(
                f"{where}: string {string_id} has {len(sequences)} %s, the reference {len(expected)}")
        try:
            text.encode(codec)
        except UnicodeEncodeError as error:
            raise TableError(
                f"{where}: string {string_id}: {text[error.start:error.end]!r} "
                f"is not in code page {language['code_page']}") from error


def digest(strings):
    sha1 = hashlib.sha1()
    for string_id in sorted(strings):
        sha1.update(strings[string_id].encode("utf-8"))
    return sha1.hexdigest()


def rc_string(text):
    escaped = {'"': '""', "\\": "\\\\", "\n": "\\n", "\t": "\\t"}
    return '"' + "".join(escaped.get(ch, ch) for ch in text) + '"'


def render(languages, sources):
    lines = [
        "// String tables of installer.exe, generated by make_string_tables.py from",
        "// " + ", ".join(sources) + ". Do not edit.",
        "#include <winresrc.h>",
        "#pragma code_page(65001)",
    ]
    for language in sorted(languages, key=lambda entry: entry["langid"]):
        strings = dict(language["strings"])
        strings[DIGEST_ID] = digest(language["strings"])
        lines += [
            "",
            f"// LANGID {language['langid']}, {language['path'].name}",
            f"LANGUAGE {language['primary']}, {language['sub']}",
            "STRINGTABLE",
            "BEGIN",
        ]
        lines += [f"  {string_id}, {rc_string(strings[string_id])}" for string_id in sorted(strings)]
        lines.append("END")
    # Whatever follows the include in the including script keeps its own code page and
    # gets the reference language, like the program's other resources.
    reference = languages[0]
    lines += ["", "#pragma code_page(DEFAULT)", f"LANGUAGE {reference['primary']}, {reference['sub']}", ""]
    return "\n".join(lines)


def main(arguments):
    if len(arguments) < 2:
        print(__doc__.splitlines()[2], file=sys.stderr)
        return 2
    output = pathlib.Path(arguments[0])
    paths = [pathlib.Path(argument) for argument in arguments[1:]]
    try:
        languages = [load_language(path) for path in paths]
        for language in languages:
            check_language(language, languages[0])
        langids = [language["langid"] for language in languages]
        if len(set(langids)) != len(langids):
            raise TableError(f"a LANGID appears twice among {langids}")
    except TableError as error:
        print(f"make_string_tables.py: {error}", file=sys.stderr)
        return 1
    output.parent.mkdir(parents=True, exist_ok=True)
    output.write_text(render(languages, [path.name for path in paths]), encoding="utf-8", newline="\n")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
