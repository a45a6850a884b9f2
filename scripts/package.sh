#!/bin/bash
# Builds a release of Tolvane: installs what is missing, builds both
# programs in Release mode for both architectures in build-release/x64 and
# build-release/x86 (never touching build/), and writes into dist/:
#   tolvane-<version>-win64.zip   the 64-bit tolvane.exe and tolvanec.exe,
#                                 说明.txt, LICENSE
#   tolvane-<version>-win32.zip   the same with the 32-bit programs
#   SHA256SUMS                    both archives' SHA-256, as sha256sum writes it
#   scoop/tolvane.json            a Scoop manifest naming both
#   winget/                       the three files of a winget manifest
# The archive's URL in the manifests is $TOLVANE_RELEASE_URL/<archive>
# ("{version}" in it becomes the version; the default is a placeholder).
# Every build of one commit gives the same archive, byte for byte.
# For sources that are not a git checkout, TOLVANE_COMMIT names the commit
# and SOURCE_DATE_EPOCH its time.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${TOLVANE_RELEASE_BUILD:-$root/build-release}"
dist="${TOLVANE_DIST:-$root/dist}"

"$root/scripts/setup.sh"
for arch in x64 x86; do
    if [ $arch = x64 ]; then toolchain=x86_64-w64-mingw32; else toolchain=i686-w64-mingw32; fi
    cmake -S "$root" -B "$build/$arch" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$toolchain.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DTOLVANE_TESTS=OFF -DTOLVANE_BENCH=OFF \
        -DTOLVANE_COMMIT="${TOLVANE_COMMIT:-}" >/dev/null
    cmake --build "$build/$arch" --target tolvane tolvanec
done

version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/x64/CMakeCache.txt")"
[ -n "$version" ] || { echo "package: no project version in $build" >&2; exit 1; }
# The archive's entries carry the commit's time: the same for every build of
# one commit, wherever and whenever it runs.
epoch="${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct 2>/dev/null || echo 315532800)}"

rm -rf "$dist/scoop" "$dist/winget" "$dist/SHA256SUMS"
rm -f "$dist"/tolvane-*-win32.zip "$dist"/tolvane-*-win64.zip
python3 "$root/scripts/release.py" --version "$version" --epoch "$epoch" \
    --build-x64 "$build/x64" --build-x86 "$build/x86" --root "$root" --dist "$dist"
