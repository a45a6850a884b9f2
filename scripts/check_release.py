#!/usr/bin/env python3
"""Checks a release that scripts/package.sh wrote; used by check-package.sh.

    check_release.py archive ZIP      names, order, UTF-8 name flag, text files
    check_release.py hashes DIST ZIP...
                                      SHA256SUMS and both manifests name every
                                      archive's hash, version and address, in
                                      their formats' published shapes

Prints what is wrong and exits 1, or exits 0.
"""

import hashlib
import json
import pathlib
import re
import sys
import zipfile

import yaml  # Debian's python3-yaml

EXPECTED = ["tolvane.exe", "tolvanec.exe", "说明.txt", "LICENSE"]
UTF8_NAME_FLAG = 0x800


def archive_problems(path):
    problems = []
    with zipfile.ZipFile(path) as archive:
        entries = archive.infolist()
        names = [entry.filename for entry in entries]
        if names != EXPECTED:
            problems.append(f"entries {names}, expected {EXPECTED}")
        for entry in entries:
            ascii_name = entry.filename.isascii()
            if bool(entry.flag_bits & UTF8_NAME_FLAG) == ascii_name:
                problems.append(f"{entry.filename}: UTF-8 flag {entry.flag_bits & UTF8_NAME_FLAG:#x}")
        for name in ("tolvane.exe", "tolvanec.exe"):
            if name in names and archive.read(name)[:2] != b"MZ":
                problems.append(f"{name} is not a program")
        if "说明.txt" in names:
            text = archive.read("说明.txt")
            if not text.startswith(b"\xef\xbb\xbf"):
                problems.append("说明.txt has no byte order mark")
            if text.count(b"\n") != text.count(b"\r\n"):
                problems.append("说明.txt has lines that do not end in CR LF")
            if "@VERSION@" in text.decode("utf-8", "replace"):
                problems.append("说明.txt still holds @VERSION@")
        if "LICENSE" in names and b"MIT License" not in archive.read("LICENSE"):
            problems.append("LICENSE is not the MIT licence")
    return problems


ARCHITECTURES = {"win64": ("64bit", "x64"), "win32": ("32bit", "x86")}
PROGRAMS = ["tolvane.exe", "tolvanec.exe"]
WINGET_SCHEMA = "1.6.0"


def field_problems(where, mapping, expected):
    """expected: key -> the value, or a function that says whether it is right."""
    problems = []
    if not isinstance(mapping, dict):
        return [f"{where}: not a mapping"]
    for key, want in expected.items():
        value = mapping.get(key)
        good = want(value) if callable(want) else value == want
        if not good:
            problems.append(f"{where} {key}: {value!r}")
    return problems


def ends_with(name):
    return lambda value: isinstance(value, str) and value.endswith("/" + name)


def hash_problems(dist, archives):
    """Both manifests name every archive with its address and hash, and keep
    to their formats' rules (Scoop's architecture object, winget 1.6.0)."""
    problems = []
    found = {}
    for path in archives:
        match = re.fullmatch(r"tolvane-(.+)-(win32|win64)\.zip", path.name)
        if not match:
            return [f"{path.name}: not an archive name"]
        found[match.group(2)] = (path.name, hashlib.sha256(path.read_bytes()).hexdigest())
        version = match.group(1)
    if sorted(found) != sorted(ARCHITECTURES):
        problems.append(f"archives {sorted(found)}, expected both architectures")

    sums = (dist / "SHA256SUMS").read_text(encoding="utf-8").splitlines()
    if sorted(sums) != sorted(f"{digest}  {name}" for name, digest in found.values()):
        problems.append(f"SHA256SUMS {sums}")

    scoop = json.loads((dist / "scoop" / "tolvane.json").read_text(encoding="utf-8"))
    problems += field_problems("scoop", scoop, {
        "version": version, "bin": PROGRAMS, "description": bool, "homepage": bool,
        "license": bool})
    for suffix, (name, digest) in found.items():
        entry = (scoop.get("architecture") or {}).get(ARCHITECTURES[suffix][0])
        problems += field_problems(f"scoop architecture.{ARCHITECTURES[suffix][0]}", entry,
                                   {"url": ends_with(name), "hash": digest})
    for key in ("url", "hash"):
        if key in scoop:
            problems.append(f"scoop {key} outside architecture")

    winget = {}
    for kind, file_name in (("version", "Tolvane.Tolvane.yaml"),
                            ("installer", "Tolvane.Tolvane.installer.yaml"),
                            ("defaultLocale", "Tolvane.Tolvane.locale.zh-CN.yaml")):
        document = yaml.safe_load((dist / "winget" / file_name).read_text(encoding="utf-8"))
        winget[kind] = document
        problems += field_problems(file_name, document, {
            "PackageIdentifier": "Tolvane.Tolvane", "PackageVersion": version,
            "ManifestType": kind, "ManifestVersion": WINGET_SCHEMA})
    problems += field_problems("version manifest", winget["version"], {"DefaultLocale": "zh-CN"})
    problems += field_problems("locale manifest", winget["defaultLocale"], {
        "PackageLocale": "zh-CN", "Publisher": bool, "PackageName": bool, "License": bool,
        "ShortDescription": bool})
    installers = (winget["installer"] or {}).get("Installers") or []
    by_arch = {entry.get("Architecture"): entry for entry in installers if isinstance(entry, dict)}
    if len(installers) != len(found) or len(by_arch) != len(found):
        problems.append(f"winget Installers: {len(installers)} entries")
    nested = [{"RelativeFilePath": "tolvane.exe", "PortableCommandAlias": "tolvane"},
              {"RelativeFilePath": "tolvanec.exe", "PortableCommandAlias": "tolvanec"}]
    for suffix, (name, digest) in found.items():
        arch = ARCHITECTURES[suffix][1]
        problems += field_problems(f"winget installer {arch}", by_arch.get(arch), {
            "InstallerType": "zip", "NestedInstallerType": "portable",
            "NestedInstallerFiles": nested, "InstallerUrl": ends_with(name),
            "InstallerSha256": lambda value, digest=digest: str(value) == digest.upper()})
    return problems


def main():
    if sys.argv[1] == "archive":
        problems = archive_problems(pathlib.Path(sys.argv[2]))
    else:
        problems = hash_problems(pathlib.Path(sys.argv[2]), [pathlib.Path(a) for a in sys.argv[3:]])
    for problem in problems:
        print(f"  {problem}")
    sys.exit(1 if problems else 0)


if __name__ == "__main__":
    main()
