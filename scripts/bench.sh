#!/bin/bash
# Runs every benchmark under Wine in a fresh prefix, as the tests run, and
# prints their figures: for the 64-bit build, and for the 32-bit one where
# this host can run 32-bit programs. Build first with scripts/build.sh.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$root/scripts/wine-env.sh"
archs="x64"
if can_run_win32; then
    archs="x64 x86"
else
    echo "bench: the 32-bit benchmarks were skipped: this host cannot run 32-bit programs ($(win32_unavailable_reason))"
fi
for arch in $archs; do
    build="${TOLVANE_BUILD:-$root/build}/$arch"
    export TOLVANE_BUILD_DIR="$build"
    for bench in "$build"/bench/*.exe; do
        echo "== $arch $(basename "$bench")"
        "$root/scripts/wine-run.sh" "$bench"
    done
done
