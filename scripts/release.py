#!/usr/bin/env python3
"""Writes a release of Tolvane from a finished release build.

    release.py --version 1.1.0 --epoch SECONDS --build-x64 DIR --build-x86 DIR
               --root DIR --dist DIR

Into DIST: tolvane-VERSION-win64.zip and tolvane-VERSION-win32.zip (the
64-bit and the 32-bit programs), SHA256SUMS (in the format of sha256sum,
both archives), scoop/tolvane.json and the three files of a winget manifest
in winget/, each naming both archives. Only Python's standard library, so
that Debian's python3 is enough.

Each archive is the same bytes for the same inputs: its entries have a fixed
order, fixed attributes and the time EPOCH (the commit's time), and nothing
else that varies between machines goes into it.

TOLVANE_RELEASE_URL names the folder that the archive is published in;
"{version}" in it becomes the version. TOLVANE_HOMEPAGE names the project's
page. Both have placeholder defaults.
"""

import argparse
import hashlib
import json
import os
import pathlib
import time
import zipfile

DEFAULT_RELEASE_URL = "https://example.invalid/tolvane/releases/v{version}"
DEFAULT_HOMEPAGE = "https://example.invalid/tolvane"

PACKAGE_ID = "Tolvane.Tolvane"
WINGET_SCHEMA = "1.6.0"
LICENSE_ID = "MIT"
COPYRIGHT = "Copyright (c) 2026 the Tolvane authors"
DESCRIPTION = "管理“运行”对话框使用的 App Paths 注册项：图形界面程序 tolvane 和命令行程序 tolvanec。"

README_NAME = "说明.txt"


# Architecture: (archive suffix, Scoop's name, winget's name).
ARCHITECTURES = {
    "x64": ("win64", "64bit", "x64"),
    "x86": ("win32", "32bit", "x86"),
}


def archive_name(version, arch):
    return f"tolvane-{version}-{ARCHITECTURES[arch][0]}.zip"


def crlf(text):
    return text.replace("\r\n", "\n").replace("\n", "\r\n").encode("utf-8")


def notepad_text(text):
    """UTF-8 with a byte order mark and CR LF: what Notepad on a Chinese
    Windows reads as UTF-8 in every version, rather than as code page 936."""
    return b"\xef\xbb\xbf" + crlf(text)


def archive_members(args, build):
    """(name in the archive, bytes), in archive order."""
    root = pathlib.Path(args.root)
    build = pathlib.Path(build)
    readme = (root / "packaging" / README_NAME).read_text(encoding="utf-8")
    readme = readme.replace("@VERSION@", args.version)
    license_text = (root / "LICENSE").read_text(encoding="utf-8")
    return [
        ("tolvane.exe", (build / "tolvane.exe").read_bytes()),
        ("tolvanec.exe", (build / "tolvanec.exe").read_bytes()),
        (README_NAME, notepad_text(readme)),
        ("LICENSE", crlf(license_text)),
    ]


def write_archive(path, members, epoch):
    # DOS times start in 1980 and have no time zone: the commit's time in UTC.
    stamp = time.gmtime(max(epoch, 315532800))[:6]
    with zipfile.ZipFile(path, "w") as archive:
        for name, data in members:
            entry = zipfile.ZipInfo(name, date_time=stamp)
            entry.compress_type = zipfile.ZIP_DEFLATED
            # Unix attributes (a plain file, rw-r--r--): Windows ignores
            # them, and unzip then takes the name as UTF-8 rather than as an
            # OEM code page name from a FAT system.
            entry.create_system = 3
            entry.external_attr = 0o100644 << 16
            # zipfile stores a name that is not ASCII as UTF-8 and sets the
            # language encoding flag (bit 11) for it; Windows then shows it.
            archive.writestr(entry, data, compresslevel=9)


def scoop_manifest(version, archives, homepage):
    """archives: architecture -> (url, sha256)."""
    manifest = {
        "version": version,
        "description": DESCRIPTION,
        "homepage": homepage,
        "license": LICENSE_ID,
        "architecture": {
            ARCHITECTURES[arch][1]: {"url": url, "hash": digest}
            for arch, (url, digest) in archives.items()
        },
        "bin": ["tolvane.exe", "tolvanec.exe"],
        "shortcuts": [["tolvane.exe", "Tolvane"]],
    }
    return json.dumps(manifest, ensure_ascii=False, indent=4) + "\n"


def yaml_text(value):
    # A JSON string is a valid double-quoted YAML scalar.
    return json.dumps(value, ensure_ascii=False)


def yaml_document(kind, fields):
    lines = [
        f"# yaml-language-server: $schema=https://aka.ms/winget-manifest.{kind}.{WINGET_SCHEMA}.schema.json",
        "# Written by scripts/release.py.",
        "",
    ]
    lines += fields
    lines += [f"ManifestType: {kind}", f"ManifestVersion: {WINGET_SCHEMA}", ""]
    return "\n".join(lines)


def winget_installer(arch, url, digest):
    """One entry of the installer manifest's Installers list."""
    return [
        f"- Architecture: {ARCHITECTURES[arch][2]}",
        "  InstallerType: zip",
        "  NestedInstallerType: portable",
        "  NestedInstallerFiles:",
        "  - RelativeFilePath: tolvane.exe",
        "    PortableCommandAlias: tolvane",
        "  - RelativeFilePath: tolvanec.exe",
        "    PortableCommandAlias: tolvanec",
        f"  InstallerUrl: {yaml_text(url)}",
        f"  InstallerSha256: {digest.upper()}",
    ]


def winget_manifests(version, archives, homepage):
    """archives: architecture -> (url, sha256)."""
    head = [f"PackageIdentifier: {PACKAGE_ID}", f"PackageVersion: {yaml_text(version)}"]
    version_file = yaml_document("version", head + ["DefaultLocale: zh-CN"])
    installers = ["Installers:"]
    for arch, (url, digest) in archives.items():
        installers += winget_installer(arch, url, digest)
    installer_file = yaml_document(
        "installer", head + ["Commands:", "- tolvane", "- tolvanec"] + installers)
    locale_file = yaml_document(
        "defaultLocale",
        head
        + [
            "PackageLocale: zh-CN",
            "Publisher: Tolvane",
            "PackageName: Tolvane",
            f"PackageUrl: {yaml_text(homepage)}",
            f"License: {LICENSE_ID}",
            f"Copyright: {yaml_text(COPYRIGHT)}",
            f"ShortDescription: {yaml_text(DESCRIPTION)}",
            "Moniker: tolvane",
            "Tags:",
            "- app-paths",
            "- registry",
            "- run-dialog",
        ],
    )
    return {
        f"{PACKAGE_ID}.yaml": version_file,
        f"{PACKAGE_ID}.installer.yaml": installer_file,
        f"{PACKAGE_ID}.locale.zh-CN.yaml": locale_file,
    }


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--version", required=True)
    parser.add_argument("--epoch", required=True, type=int)
    parser.add_argument("--build-x64", required=True)
    parser.add_argument("--build-x86", required=True)
    parser.add_argument("--root", required=True)
    parser.add_argument("--dist", required=True)
    args = parser.parse_args()

    dist = pathlib.Path(args.dist)
    dist.mkdir(parents=True, exist_ok=True)
    base = os.environ.get("TOLVANE_RELEASE_URL") or DEFAULT_RELEASE_URL
    base = base.replace("{version}", args.version).rstrip("/")
    homepage = os.environ.get("TOLVANE_HOMEPAGE") or DEFAULT_HOMEPAGE

    archives = {}
    sums = []
    for arch, build in (("x64", args.build_x64), ("x86", args.build_x86)):
        name = archive_name(args.version, arch)
        archive = dist / name
        write_archive(archive, archive_members(args, build), args.epoch)
        digest = hashlib.sha256(archive.read_bytes()).hexdigest()
        archives[arch] = (f"{base}/{name}", digest)
        # sha256sum's text format: hash, two spaces, name.
        sums.append(f"{digest}  {name}\n")
        print(f"release: {archive}")
        print(f"release: sha256 {digest}")
        print(f"release: url {base}/{name}")
    (dist / "SHA256SUMS").write_text("".join(sums), encoding="utf-8")

    (dist / "scoop").mkdir(exist_ok=True)
    (dist / "scoop" / "tolvane.json").write_text(
        scoop_manifest(args.version, archives, homepage), encoding="utf-8")
    (dist / "winget").mkdir(exist_ok=True)
    for file_name, text in winget_manifests(args.version, archives, homepage).items():
        (dist / "winget" / file_name).write_text(text, encoding="utf-8")


if __name__ == "__main__":
    main()
