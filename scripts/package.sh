#!/bin/bash
# Builds a release of Tolvane: installs what is missing, builds both
# programs in Release mode in build-release/ (never touching build/), and
# writes into dist/:
#   tolvane-<version>-win32.zip   tolvane.exe, tolvanec.exe, 说明.txt, LICENSE
#   SHA256SUMS                    the archive's SHA-256, as sha256sum writes it
#   scoop/tolvane.json            a Scoop manifest
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
cmake -S "$root" -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/i686-w64-mingw32.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DTOLVANE_TESTS=OFF -DTOLVANE_BENCH=OFF \
    -DTOLVANE_COMMIT="${TOLVANE_COMMIT:-}" >/dev/null
cmake --build "$build" --target tolvane tolvanec

version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"
[ -n "$version" ] || { echo "package: no project version in $build" >&2; exit 1; }
# The archive's entries carry the commit's time: the same for every build of
# one commit, wherever and whenever it runs.
epoch="${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct 2>/dev/null || echo 315532800)}"

rm -rf "$dist/scoop" "$dist/winget" "$dist/SHA256SUMS"
rm -f "$dist"/tolvane-*-win32.zip
python3 "$root/scripts/release.py" --version "$version" --epoch "$epoch" \
    --build "$build" --root "$root" --dist "$dist"
