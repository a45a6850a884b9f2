#!/bin/bash
# Installs what building, running and testing Tolvane need on Debian 12,
# and only what is missing. Safe to run again: it then does nothing.
set -euo pipefail

# package  why
packages=(
    "mingw-w64|the compilers for the 64-bit and the 32-bit Windows programs"
    "cmake|the build system"
    "ninja-build|the build tool that cmake drives"
    "googletest|the test framework's sources, compiled for Windows with the suite"
    "wine|runs the Windows program and its tests on Linux"
    "wine64|the 64-bit half of Wine that runs the 64-bit program and its tests"
    "wine32:i386|the 32-bit half of Wine that runs the 32-bit program (where the host can)"
    "xvfb|a virtual display for machines without one"
    "xauth|lets the virtual display accept Wine's connections"
    "x11-utils|xwininfo, to see when the window is up"
    "locales|the zh_CN.UTF-8 locale, so that Wine's ANSI code page is 936"
    "fonts-wqy-microhei|a font with Chinese characters for the interface"
    "imagemagick|screenshots of the virtual display"
    "libxml2-utils|xmllint, which the tests use to read the exported XML"
    "python3|writes and checks the release archives and their manifests (scripts/release.py)"
    "python3-yaml|reads the winget manifests back in the release check"
    "git|names the commit that the programs and the release were built from"
)

missing=()
reasons=()
for entry in "${packages[@]}"; do
    name="${entry%%|*}"
    if ! dpkg-query -W -f='${Status}' "$name" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$name")
        reasons+=("  $name: ${entry#*|}")
    fi
done

need_locale=0
if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then
    need_locale=1
fi

if [ ${#missing[@]} -eq 0 ] && [ $need_locale -eq 0 ]; then
    echo "setup: everything needed is installed."
    exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
        sudo="sudo"
    else
        echo "setup: these packages are missing and installing them needs root:" >&2
        printf '%s\n' "${reasons[@]}" >&2
        [ $need_locale -eq 1 ] && echo "  (and the zh_CN.UTF-8 locale must be generated)" >&2
        echo "setup: run this script as root, or with password-less sudo." >&2
        exit 1
    fi
fi

export DEBIAN_FRONTEND=noninteractive
if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing what is missing:"
    printf '%s\n' "${reasons[@]}"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        echo "setup: adding the i386 architecture for wine32"
        $sudo dpkg --add-architecture i386
    fi
    $sudo apt-get update -q
    $sudo apt-get install -y -q "${missing[@]}"
fi

if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then
    echo "setup: generating the zh_CN.UTF-8 locale (Wine then uses code page 936)"
    $sudo sed -i 's/^# *\(zh_CN.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
    $sudo locale-gen
fi
echo "setup: done."
