#!/bin/bash
# Installs what is missing, builds both architectures, and runs the whole
# suite under Wine: every test program of the 64-bit build through ctest in
# win64 prefixes; the same for the 32-bit build in win32 prefixes when this
# host can run 32-bit programs (it tries), or one line saying why not; then
# the release check (scripts/check-package.sh). Arguments go to ctest, and
# then only ctest runs.
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/setup.sh" || exit 1
source "$root/scripts/wine-env.sh"
build="${TOLVANE_BUILD:-$root/build}"

archs="x64"
if can_run_win32; then
    archs="x64 x86"
    skipped=""
else
    skipped="test: the 32-bit run was skipped: this host cannot run 32-bit programs ($(win32_unavailable_reason))"
    echo "$skipped"
fi
# Without 32-bit runs, the 32-bit programs are still built, not their tests.
TOLVANE_ARCHS="$archs" "$root/scripts/build.sh" || exit 1
[ "$archs" = x64 ] && { TOLVANE_ARCHS=x86 "$root/scripts/build.sh" --target tolvane tolvanec || exit 1; }

status=0
for arch in $archs; do
    echo "test: the $arch suite ($build/$arch)"
    (cd "$build/$arch" && ctest --output-on-failure -j2 "$@") || status=1
done
[ -n "$skipped" ] && echo "$skipped"
if [ $# -eq 0 ]; then
    "$root/scripts/check-package.sh" || status=1
fi
exit $status
