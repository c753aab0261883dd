#!/usr/bin/env python3
"""Checks a Qt Linguist file against the sources it translates.

usage: check_translations.py LUPDATE FILE.ts INCLUDE_DIR SOURCE...

lupdate brings a copy of FILE.ts up to date with the sources; the check fails when the
copy holds a text without a finished, non-empty translation (a text the sources gained
and FILE.ts lacks comes back unfinished), or a translation that loses a %1 argument or
the accelerator (&) of its source. Bring FILE.ts up to date with
`cmake --build build --target update_translations`.
"""
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET


def accelerator(text):
    """True when text marks an accelerator: a lone & before a letter or digit ("&&" is a &)."""
    return re.search(r"(?<!&)&(?![&\s])", text) is not None


def main():
    lupdate, ts, include, sources = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4:]
    with tempfile.TemporaryDirectory() as tmp:
        copy = f"{tmp}/check.ts"
        shutil.copy(ts, copy)
        subprocess.run([lupdate, "-silent", "-no-obsolete", "-locations", "none",
                        "-source-language", "zh_TW", "-target-language", "en",
                        "-I", include, *sources, "-ts", copy], check=True)
        root = ET.parse(copy).getroot()
    faults = []
    for context in root.iter("context"):
        name = context.findtext("name")
        for message in context.iter("message"):
            source = message.findtext("source") or ""
            translation = message.find("translation")
            # A text with a count (%n) has one form per plural, each a whole translation.
            forms = [form.text or "" for form in translation.findall("numerusform")]
            where = f"{name}: {source!r}"
            if translation.get("type") in ("unfinished", "vanished", "obsolete"):
                faults.append(f"not translated: {where}")
                continue
            for text in forms or [translation.text or ""]:
                if not text:
                    faults.append(f"not translated: {where}")
                elif sorted(re.findall(r"%\d", source)) != sorted(re.findall(r"%\d", text)):
                    faults.append(f"arguments differ: {where} -> {text!r}")
                elif accelerator(source) != accelerator(text):
                    faults.append(f"accelerator differs: {where} -> {text!r}")
    for fault in faults:
        print(fault)
    print(f"{ts}: {len(faults)} fault(s)")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
