#!/usr/bin/env python3
"""Checks a release that scripts/package.sh wrote; used by check-package.sh.

    check_release.py archive ZIP      names, order, UTF-8 name flag, text files
    check_release.py hashes DIST ZIP  both manifests name the archive's hash,
                                      version and address

Prints what is wrong and exits 1, or exits 0.
"""

import hashlib
import json
import pathlib
import re
import sys
import zipfile

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


def yaml_value(text, key):
    match = re.search(rf"^\s*-?\s*{key}:\s*\"?([^\"\n]*)\"?\s*$", text, re.MULTILINE)
    return match.group(1) if match else None


def hash_problems(dist, path):
    problems = []
    name = path.name
    digest = hashlib.sha256(path.read_bytes()).hexdigest()
    version = re.fullmatch(r"tolvane-(.+)-win32\.zip", name).group(1)

    scoop = json.loads((dist / "scoop" / "tolvane.json").read_text(encoding="utf-8"))
    for key, value in (("version", version), ("hash", digest)):
        if scoop.get(key) != value:
            problems.append(f"scoop {key}: {scoop.get(key)!r}, expected {value!r}")
    if not str(scoop.get("url", "")).endswith("/" + name):
        problems.append(f"scoop url {scoop.get('url')!r}")

    manifests = sorted((dist / "winget").glob("*.yaml"))
    texts = {p.name: p.read_text(encoding="utf-8") for p in manifests}
    for file_name, text in texts.items():
        if yaml_value(text, "PackageVersion") != version:
            problems.append(f"{file_name}: PackageVersion {yaml_value(text, 'PackageVersion')}")
    installer = texts.get("Tolvane.Tolvane.installer.yaml", "")
    if (yaml_value(installer, "InstallerSha256") or "").lower() != digest:
        problems.append(f"winget InstallerSha256 {yaml_value(installer, 'InstallerSha256')}")
    if not (yaml_value(installer, "InstallerUrl") or "").endswith("/" + name):
        problems.append(f"winget InstallerUrl {yaml_value(installer, 'InstallerUrl')}")
    return problems


def main():
    if sys.argv[1] == "archive":
        problems = archive_problems(pathlib.Path(sys.argv[2]))
    else:
        problems = hash_problems(pathlib.Path(sys.argv[2]), pathlib.Path(sys.argv[3]))
    for problem in problems:
        print(f"  {problem}")
    sys.exit(1 if problems else 0)


if __name__ == "__main__":
    main()
