#!/bin/bash
# Runs one Windows test program under Wine, the way ctest calls it:
#   wine-run.sh PROGRAM.exe [ARGS...]
# Each run gets a throwaway copy of a template prefix (made once per build
# with wineboot), the zh_CN.UTF-8 locale so that the ANSI code page is 936,
# and a display: the caller's, or a private Xvfb that is stopped afterwards.
# A 64-bit program runs under 64-bit Wine in a win64 prefix, a 32-bit one
# under 32-bit Wine in a win32 prefix.
set -u

program="$1"
shift

build_dir="${TOLVANE_BUILD_DIR:-$(cd "$(dirname "$program")/.." && pwd)}"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
export WINEDEBUG="${WINEDEBUG:--all}"
source "$here/wine-env.sh"
use_wine "$(pe_arch "$program")"
# No Mono or Gecko installers: the program needs neither.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

work="$(mktemp -d /tmp/tolvane-run.XXXXXX)"
xvfb_pid=""
cleanup() {
    if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
        wineserver -k >/dev/null 2>&1
        wineserver -w >/dev/null 2>&1
    fi
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" >/dev/null 2>&1
        wait "$xvfb_pid" 2>/dev/null
    fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

template="$build_dir/wine-template-$WINEARCH"
source "$here/display.sh"
ensure_display "$work" || { echo "wine-run: could not start Xvfb" >&2; exit 1; }

# The template prefix: one wineboot per build, guarded against parallel runs.
(
    flock 9
    if [ ! -f "$template/.ready-3" ]; then
        rm -rf "$template"
        WINEPREFIX="$template" wine wineboot -i >/dev/null 2>&1
        # Every window of a test runs inside one Wine desktop: without a window
        # manager on Xvfb, Wine would otherwise wait about two seconds for each
        # window that it shows.
        WINEPREFIX="$template" wine regedit /S "Z:${here//\//\\}\\wine-desktop.reg" >/dev/null 2>&1
        WINEPREFIX="$template" wineserver -w
        touch "$template/.ready-3"
    fi
) 9>"$build_dir/.wine-template.lock"

export WINEPREFIX="$work/prefix"
cp -a "$template" "$WINEPREFIX"

# A test program of the layout at another density starts in a prefix set to
# TOLVANE_TEST_DPI dots per inch before its first window, on a desktop as
# many inches wide and high as the usual one, so that its windows fit.
if [ -n "${TOLVANE_TEST_DPI:-}" ]; then
    dpi="$TOLVANE_TEST_DPI"
    {
        echo 'REGEDIT4'
        echo
        echo '[HKEY_CURRENT_USER\Control Panel\Desktop]'
        printf '"LogPixels"=dword:%08x\n' "$dpi"
        echo
        echo '[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]'
        echo "\"Default\"=\"$((1280 * dpi / 96))x$((1024 * dpi / 96))\""
    } >"$work/dpi.reg"
    wine regedit /S "Z:${work//\//\\}\\dpi.reg" >/dev/null 2>&1
fi

wine "$program" "$@"
status=$?
exit $status
