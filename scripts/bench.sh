#!/bin/bash
# Runs every benchmark under Wine in a fresh prefix, as the tests run, and
# prints their figures. Build first with scripts/build.sh.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${TOLVANE_BUILD:-$root/build}"
export TOLVANE_BUILD_DIR="$build"
for bench in "$build"/bench/*.exe; do
    echo "== $(basename "$bench")"
    "$root/scripts/wine-run.sh" "$bench"
done
