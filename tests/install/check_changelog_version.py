#!/usr/bin/env python3
"""The Debian changelog's newest entry must carry the project's version: the
packages would otherwise say one version and the library, the pkg-config
file and --version another.
Usage: check_changelog_version.py CHANGELOG PROJECT_VERSION
"""
import re
import sys


def upstream_part(version: str) -> str:
    """A Debian version without its epoch and Debian revision."""
    version = version.split(":", 1)[-1]
    return version.rsplit("-", 1)[0] if "-" in version else version


def main() -> int:
    changelog, project_version = sys.argv[1], sys.argv[2]
    with open(changelog, encoding="utf-8") as file:
        first = file.readline()
    found = re.match(r"^quorvix \(([^)\s]+)\) ", first)
    if not found:
        print(f"{changelog}: the first line names no version of quorvix: "
              f"{first.strip()!r}")
        return 1
    version = upstream_part(found.group(1))
    if version != project_version:
        print(f"{changelog} says {found.group(1)}, the top CMakeLists.txt "
              f"says {project_version}: add a changelog entry for "
              f"{project_version} (or correct project(VERSION))")
        return 1
    print(f"both say {project_version}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
