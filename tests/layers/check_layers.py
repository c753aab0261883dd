#!/usr/bin/env python3
"""Checks that every folder of the program includes only the folders below it.

usage: check_layers.py SOURCE_DIR

Each "folder/File.h" include of a source under a folder of LAYERS must name a folder that
the table allows for it (its own always); an include of Qt (<Q...>) is allowed only in the
folders of QT_FOLDERS. A file belongs to the deepest folder of the table that holds it, and
an include names the deepest folder of the table that holds the included file. The check
prints each offending file, line and include, and fails when there is one.
"""
import pathlib
import re
import sys



def core_order(root):
    """The engine's folders, lowest first, as core/layers.txt lists them."""
    order = []
    for line in (pathlib.Path(root) / "core" / "layers.txt").read_text().splitlines():
        folder = line.split("#", 1)[0].strip()
        if folder:
            order.append(folder)
    return order


# Each may include those before it.
CORE_ORDER = core_order(pathlib.Path(__file__).resolve().parents[2])
CORE = set(CORE_ORDER)
UI_BELOW_PAGES = {"ui/settings", "ui/state", "ui/engine"}

# The folders besides the engine's, and the folders each may include.
LAYERS = {
    "platform": set(),
    "pendant": CORE | {"platform"},
    "filelist": CORE,
    "net": CORE,
    "language": CORE,
    "ui/settings": CORE | {"platform"},
    "ui/state": CORE,
    "ui/engine": CORE | {"language", "ui/state"},
    "ui/pages": CORE | {"pendant", "filelist", "net", "platform", "language"} | UI_BELOW_PAGES,
    "ui/window": CORE | {"pendant", "filelist", "platform", "language", "ui/pages"}
    | UI_BELOW_PAGES,
    "kvrpack": CORE | {"platform", "language"},
    "app/cli": CORE | {"pendant", "platform", "net", "filelist"},
}
for index, folder in enumerate(CORE_ORDER):
    LAYERS[folder] = set(CORE_ORDER[:index])
PROGRAM = set(LAYERS)
LAYERS["app"] = PROGRAM
LAYERS["tools"] = PROGRAM

QT_FOLDERS = {"language", "ui/settings", "ui/state", "ui/engine", "ui/pages", "ui/window",
              "kvrpack", "app", "tools"}

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def folder_of(path):
    """The deepest folder of LAYERS that holds path ("core/io/File.h": "core/io"), or None."""
    parts = pathlib.PurePosixPath(path).parts[:-1]
    for length in range(len(parts), 0, -1):
        folder = "/".join(parts[:length])
        if folder in LAYERS:
            return folder
    return None


def offences(root, source):
    """(line number, include, reason) of each include of source that its folder may not use."""
    relative = source.relative_to(root).as_posix()
    folder = folder_of(relative)
    allowed = LAYERS[folder] | {folder}
    found = []
    lines = source.read_text(encoding="utf-8", errors="replace").splitlines()
    for number, line in enumerate(lines, 1):
        match = INCLUDE.match(line)
        if not match:
            continue
        bracket, name = match.groups()
        if bracket == "<":
            if name.startswith("Q") and folder not in QT_FOLDERS:
                found.append((number, name, f"{folder}/ uses no Qt"))
            continue
        if "/" not in name:
            found.append((number, name, "an include names its folder from the project root"))
            continue
        target = folder_of(name)
        if target is None:
            found.append((number, name, "names no folder of the program"))
        elif target not in allowed:
            found.append((number, name, f"{folder}/ may include only "
                          + ", ".join(sorted(f + "/" for f in allowed))))
    return found


def main():
    root = pathlib.Path(sys.argv[1]).resolve()
    failed = False
    checked = 0
    tops = sorted({folder.split("/")[0] for folder in LAYERS})
    sources = sorted(path for top in tops for path in (root / top).rglob("*")
                     if path.suffix in (".h", ".cpp", ".in") and path.is_file())
    for source in sources:
        relative = source.relative_to(root).as_posix()
        checked += 1
        if folder_of(relative) is None:
            print(f"{relative}: lies in no folder of the table")
            failed = True
            continue
        for number, name, reason in offences(root, source):
            print(f"{relative}:{number}: #include {name}: {reason}")
            failed = True
    if checked == 0:
        print(f"no sources under {root}")
        failed = True
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
