#!/usr/bin/env python3
"""Fails when an #include under src/ runs where its folder does not allow.

Each folder with source files says what it may include in a file named
may_include beside its sources: one folder under src/ per line ("link",
"platform/posix"), "#" starts a comment. A folder may always include itself.

An include is resolved as the compiler does: first against the including
file's own folder, then against src/. A bare name is a sibling or, when no
folder of src/ has it, a public (include/), system or generated header; a
bare name of another folder's header hides what it crosses, and is a fault.
A path into a folder of src/ is checked even for a header generated in the
build tree ("bindings/com/quorvix_idl.h").
Usage: check_includes.py SRC_DIR
"""
import pathlib
import posixpath
import re
import sys

RULES = "may_include"
SOURCES = (".h", ".cpp", ".c", ".rc")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def read_rules(path: pathlib.Path) -> set:
    lines = (line.split("#")[0].strip() for line in path.read_text().splitlines())
    return {line for line in lines if line}


def check_include(src, own, name, rules, headers):
    """What is wrong with #include "name" in folder own, or None."""
    local = posixpath.normpath(posixpath.join(own, name))
    if (src / local).is_file() and not local.startswith("../"):
        target = posixpath.dirname(local)
        if target != own and local != name:
            return f"{name} hides its folder: write {local}"
    elif "/" in name:
        target = posixpath.dirname(name)
        if not (src / target).is_dir():
            return None  # not from src/ (common/ beside it)
    elif name in headers:
        return f"{name} is not a sibling: write {' or '.join(headers[name])}"
    else:
        return None  # a public, system or generated header
    # A folder without rules is one fault, not one for each of its includes.
    if own not in rules or target == own or target in rules[own]:
        return None
    return f"{own} must not include {name} ({target} is not in its {RULES})"


def main() -> int:
    src = pathlib.Path(sys.argv[1])

    def under_src(path):
        return path.relative_to(src).as_posix()

    files = sorted(p for p in src.rglob("*") if p.suffix in SOURCES and p.is_file())
    headers = {}  # bare name -> where under src/
    for path in files:
        headers.setdefault(path.name, []).append(under_src(path))
    rules = {posixpath.dirname(under_src(p)): read_rules(p)
             for p in sorted(src.rglob(RULES))}

    faults = []
    for folder, allowed in rules.items():
        faults += [f"{folder}/{RULES}: {name!r} is no folder of src/"
                   for name in sorted(allowed) if not (src / name).is_dir()]
    for folder in sorted({posixpath.dirname(under_src(p)) for p in files}):
        if folder not in rules:
            faults.append(f"{folder}: source files but no {RULES} file")
    for path in files:
        own = posixpath.dirname(under_src(path))
        for number, line in enumerate(path.read_text(errors="replace").splitlines(), 1):
            match = INCLUDE.match(line)
            fault = match and check_include(src, own, match.group(1), rules, headers)
            if fault:
                faults.append(f"{under_src(path)}:{number}: {fault}")
    for fault in faults:
        print(fault)
    print(f"{len(faults)} layering fault(s)" if faults else "layers hold")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
