#!/bin/bash
# Installs what is missing, builds, and runs the whole suite under Wine.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
build="${TOLVANE_BUILD:-$root/build}"
cd "$build"
ctest --output-on-failure -j2 "$@"
