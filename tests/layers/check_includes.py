#!/usr/bin/env python3
"""Fails when an #include under src/ runs upward through the layers.

    bindings/com, bindings/capi
    core
    dmxin, ui          (siblings: neither includes the other)
    link
    state
    platform           (interfaces: every layer may include them)
    platform/<os>      (back ends: the interfaces and their own folder only)

A binding may also include the back ends it is built with.
Usage: check_includes.py SRC_DIR
"""
import pathlib
import re
import sys

# Folder -> what it may include besides itself and the interfaces.
ALLOWED = {
    "state": set(),
    "link": {"state"},
    "dmxin": {"link", "state"},
    "ui": {"link", "state"},
    "core": {"dmxin", "ui", "link", "state"},
    "bindings/com": {"core", "dmxin", "ui", "link", "state", "platform/win32"},
    "bindings/capi": {"core", "dmxin", "ui", "link", "state", "platform/posix"},
    "platform": set(),
    "platform/posix": set(),
    "platform/win32": set(),
    "platform/gtk": {"platform/posix"},
}

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def folder_of(relative: str) -> str:
    """The layer folder a path under src/ belongs to."""
    parts = relative.split("/")
    if parts[0] in ("platform", "bindings") and len(parts) > 2:
        return "/".join(parts[:2])
    return parts[0]


def main() -> int:
    src = pathlib.Path(sys.argv[1])
    faults = []
    for path in sorted(src.rglob("*")):
        if path.suffix not in (".h", ".cpp", ".c", ".rc"):
            continue
        relative = path.relative_to(src).as_posix()
        source = folder_of(relative)
        if source not in ALLOWED:
            faults.append(f"{relative}: folder {source!r} is in no layer")
            continue
        for number, line in enumerate(path.read_text(errors="replace").splitlines(), 1):
            match = INCLUDE.match(line)
            if not match or "/" not in match.group(1):
                continue  # a sibling file, a generated or a public header
            target = folder_of(match.group(1))
            if target not in ALLOWED:
                continue  # not a folder of src/ (a generated header)
            if target in (source, "platform") or target in ALLOWED[source]:
                continue
            faults.append(f"{relative}:{number}: {source} must not include "
                          f"{match.group(1)} ({target} is not below it)")
    for fault in faults:
        print(fault)
    print(f"{len(faults)} upward include(s)" if faults else "layers hold")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
