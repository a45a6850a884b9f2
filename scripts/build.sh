#!/bin/bash
# Configures (once) and builds Tolvane and its tests for both architectures:
#   build/x64   the 64-bit programs (x86_64-w64-mingw32)
#   build/x86   the 32-bit programs (i686-w64-mingw32)
# TOLVANE_BUILD moves the parent folder; TOLVANE_ARCHS ("x64 x86" by default)
# chooses the architectures. Arguments go to every cmake --build.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${TOLVANE_BUILD:-$root/build}"
for arch in ${TOLVANE_ARCHS:-x64 x86}; do
    case "$arch" in
        x64) toolchain=x86_64-w64-mingw32 ;;
        x86) toolchain=i686-w64-mingw32 ;;
        *) echo "build: unknown architecture $arch (x64 or x86)" >&2; exit 2 ;;
    esac
    if [ ! -f "$build/$arch/build.ninja" ]; then
        cmake -S "$root" -B "$build/$arch" -G Ninja \
            -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$toolchain.cmake" \
            -DCMAKE_BUILD_TYPE=Release
    fi
    echo "build: $arch in $build/$arch"
    cmake --build "$build/$arch" "$@"
done
