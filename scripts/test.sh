#!/bin/bash
# Installs what is missing, builds, and runs the whole suite under Wine:
# every test program through ctest, then the release check
# (scripts/check-package.sh). Arguments go to ctest, and then only ctest runs.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
build="${TOLVANE_BUILD:-$root/build}"
cd "$build"
ctest --output-on-failure -j2 "$@"
if [ $# -eq 0 ]; then
    "$root/scripts/check-package.sh"
fi
