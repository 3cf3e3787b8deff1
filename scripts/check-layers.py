#!/usr/bin/env python3
# Fails when a source file includes one from a layer above its own: the folders of
# src/ in their order, and inside src/app the order written in src/app/README.md.
import pathlib
import re
import sys

# Lower layers first; folders on one line are peers that never include each other.
TOP_ORDER = [["core"], ["device"], ["qtlink"], ["graph"], ["app", "cli", "sim", "venue"]]
# The main window is the composition root: only its own folder and main.cpp see it.
ROOT_HEADER = "app/window/main_window.h"
ROOT_USERS = ("app/window/", "app/main.cpp")

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)


def app_order(src):
    readme = (src / "app" / "README.md").read_text(encoding="utf-8")
    found = re.search(r"^Layer order:\s*(.+)$", readme, re.MULTILINE)
    if not found:
        sys.exit("src/app/README.md has no 'Layer order:' line")
    return [name.strip(" `") for name in found.group(1).split("<")]


def rank(rel, inner):
    """(top rank, top folder, inner rank) of a path relative to src/."""
    parts = rel.split("/")
    for r, peers in enumerate(TOP_ORDER):
        if parts[0] in peers:
            sub = 0
            if parts[0] == "app":
                # Files directly in src/app (main.cpp) sit above every folder.
                sub = inner.index(parts[1]) if len(parts) > 2 and parts[1] in inner else len(inner)
            return r, parts[0], sub
    return None


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parent.parent)
    src = root / "src"
    inner = app_order(src)
    faults = []
    for path in sorted(src.rglob("*")):
        if path.suffix not in (".h", ".cpp"):
            continue
        rel = path.relative_to(src).as_posix()
        if rel.startswith("app/") and rel.count("/") > 1 and rel.split("/")[1] not in inner:
            faults.append(f"{rel}: folder app/{rel.split('/')[1]} is missing from the layer order")
        own = rank(rel, inner)
        for included in INCLUDE.findall(path.read_text(encoding="utf-8")):
            if not (src / included).is_file():
                continue  # not one of ours
            theirs = rank(included, inner)
            if own is None or theirs is None:
                continue
            if theirs[0] > own[0] or (theirs[0] == own[0] and theirs[1] != own[1]):
                faults.append(f"{rel}: includes {included} from a layer above or beside it")
            elif own[1] == "app" and theirs[1] == "app" and theirs[2] > own[2]:
                faults.append(f"{rel}: includes {included} from a folder above it in src/app")
            if included == ROOT_HEADER and not rel.startswith(ROOT_USERS):
                faults.append(f"{rel}: includes the main window; only the window and main.cpp may")
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
