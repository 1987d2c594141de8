#!/usr/bin/env python3
"""Checks the example systemd unit of quorvix-ola without running it.

systemd-analyze must load it without a single complaint (with the installed
programs it names pointed at this build's) and rate its sandbox at most
MAX_EXPOSURE; it must not restart after a configuration error (exit codes 2
and 64); the sandbox must still leave the bridge what it needs: TCP to olad
on the loopback and the serial ports, reached through the dialout group; and
what a user sets (universe, device) must come from /etc, through the example
options file.
Usage: check_service_unit.py UNIT BRIDGE LIBRARY INSTALLED_BRIDGE
       INSTALLED_LIBRARY OPTIONS_FILE
"""
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile

MAX_EXPOSURE = 2.0
SERIAL_GROUPS = ("char-ttyS", "char-ttyUSB", "char-ttyACM")


def service_settings(text: str) -> dict[str, list[str]]:
    """[Service] key -> its values in order; an empty value resets the list,
    as systemd does for list settings."""
    settings: dict[str, list[str]] = {}
    section = ""
    for line in text.splitlines():
        line = line.strip()
        if not line or line[0] in "#;":
            continue
        if line.startswith("["):
            section = line
        elif section == "[Service]":
            key, _, value = line.partition("=")
            values = settings.setdefault(key.strip(), [])
            if value.strip():
                values.append(value.strip())
            else:
                values.clear()
    return settings


def is_true(values: list[str]) -> bool:
    return bool(values) and values[-1] in ("yes", "true", "on", "1")


def verify(unit: pathlib.Path, programs: dict[str, str]) -> list[str]:
    """systemd-analyze verify warns about an unknown key and still exits 0,
    so anything it says is a failure."""
    text = unit.read_text()
    with tempfile.TemporaryDirectory() as folder:
        copy = pathlib.Path(folder) / unit.name
        for installed, built in programs.items():
            if installed not in text:
                return [f"the unit does not name {installed}"]
            text = text.replace(installed, built)
        copy.write_text(text)
        run = subprocess.run(["systemd-analyze", "verify", str(copy)],
                             capture_output=True, text=True, check=False)
    said = (run.stdout + run.stderr).strip()
    if run.returncode != 0 or said:
        return [f"systemd-analyze verify (exit code {run.returncode}): {said}"]
    return []


def exposure(unit: pathlib.Path) -> list[str]:
    run = subprocess.run(
        ["systemd-analyze", "security", "--offline=true", "--no-pager",
         str(unit)], capture_output=True, text=True, check=False)
    found = re.search(r"Overall exposure level for \S+: (\d+\.\d)", run.stdout)
    if not found:
        return [f"systemd-analyze security printed no overall exposure "
                f"(exit code {run.returncode}): {run.stderr.strip()}"]
    score = float(found.group(1))
    print(f"exposure {score} (at most {MAX_EXPOSURE})")
    if score <= MAX_EXPOSURE:
        return []
    open_items = [line for line in run.stdout.splitlines()
                  if line.startswith("✗")]
    return [f"exposure {score} is above {MAX_EXPOSURE}; still open:",
            *open_items]


def bridge_needs(settings: dict[str, list[str]]) -> list[str]:
    problems = []
    restart_prevented = " ".join(settings.get("RestartPreventExitStatus", []))
    for status, what in (("2", "a settings error"),
                         ("64", "a bad command line")):
        if status not in restart_prevented.split():
            problems.append(f"RestartPreventExitStatus lacks {status}: "
                            f"{what} would restart forever")
    families = " ".join(settings.get("RestrictAddressFamilies", []))
    denied = families.startswith("~")
    if families and ("AF_INET" in families.lstrip("~").split()) == denied:
        problems.append(f"RestrictAddressFamilies={families} refuses "
                        "AF_INET, the bridge's link to olad")
    for cut_off in ("PrivateNetwork", "PrivateDevices"):
        if is_true(settings.get(cut_off, [])):
            problems.append(f"{cut_off}=yes cuts the bridge off from olad "
                            "or the serial port")
    if settings.get("DevicePolicy", ["auto"])[-1] != "auto":
        # Without an access list, systemd allows rwm.
        allowed = {(value.split() + ["rwm"])[0]: (value.split() + ["rwm"])[1]
                   for value in settings.get("DeviceAllow", [])}
        for group in SERIAL_GROUPS:
            if not set("rw") <= set(allowed.get(group, "")):
                problems.append(f"DeviceAllow lacks {group} rw")
    if "dialout" not in " ".join(settings.get("SupplementaryGroups", [])).split():
        problems.append("SupplementaryGroups lacks dialout, the group of "
                        "the serial ports")
    return problems


def options_from_etc(settings: dict[str, list[str]],
                     options_file: str) -> list[str]:
    """The options file sits in the configuration directory and sets the
    variable ExecStart splits into words; it names a stable device."""
    folders = " ".join(settings.get("ConfigurationDirectory", [])).split()
    if not folders:
        return ["no ConfigurationDirectory: the options would not be in /etc"]
    name = pathlib.Path(options_file).name
    wanted = {f"%E/{folder}/{name}" for folder in folders}
    files = {value.lstrip("-") for value in settings.get("EnvironmentFile", [])}
    problems = []
    if not wanted & files:
        problems.append(f"EnvironmentFile is none of {sorted(wanted)}")
    found = re.search(r'^(\w+)="?([^"\n]*)"?$',
                      pathlib.Path(options_file).read_text(), re.M)
    if not found:
        return problems + [f"{options_file} sets no variable"]
    variable, options = found.groups()
    if f"${variable}" not in " ".join(settings.get("ExecStart", [])).split():
        problems.append(f"ExecStart does not split ${variable} into words")
    words = options.split()
    device = (words[words.index("--device") + 1]
              if "--device" in words[:-1] else "")
    if not device.startswith("/dev/serial/by-id/"):
        problems.append(f"{options_file} names no /dev/serial/by-id device")
    return problems


def main() -> int:
    unit = pathlib.Path(sys.argv[1])
    bridge, library, installed_bridge, installed_library = sys.argv[2:6]
    options_file = sys.argv[6]
    programs = {installed_bridge: bridge, installed_library: library}
    if not shutil.which("systemd-analyze"):
        print("systemd-analyze is missing (Debian package systemd; "
              "tools/install-deps.sh ola)")
        return 1
    problems = (verify(unit, programs) + exposure(unit) +
                bridge_needs(service_settings(unit.read_text())) +
                options_from_etc(service_settings(unit.read_text()),
                                 options_file))
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
