#!/bin/bash
# Installs what is missing, builds, and starts Tolvane under Wine, in the
# user's WINEPREFIX (or Wine's default one). Without a display it runs on a
# private Xvfb, saves a screenshot once the window is up, prints its path and
# keeps running until interrupted.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/setup.sh"
source "$root/scripts/wine-env.sh"
# The 32-bit program where this host can run it, else the 64-bit one.
if can_run_win32; then
    arch=x86
else
    arch=x64
    echo "run: starting the 64-bit program: this host cannot run 32-bit programs ($(win32_unavailable_reason))"
fi
TOLVANE_ARCHS=$arch "$root/scripts/build.sh" --target tolvane
build="${TOLVANE_BUILD:-$root/build}/$arch"
if [ $arch = x86 ]; then use_wine win32; else use_wine win64; fi
# The user's prefix is used as it is; a new one gets the loader's architecture.
unset WINEARCH

export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

xvfb_pid=""
wine_pid=""
work="$(mktemp -d /tmp/tolvane-show.XXXXXX)"
cleanup() {
    [ -n "$wine_pid" ] && kill "$wine_pid" >/dev/null 2>&1 || true
    wineserver -k >/dev/null 2>&1 || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

source "$root/scripts/display.sh"
ensure_display "$work" || { echo "run: could not start Xvfb" >&2; exit 1; }

if [ -z "${WINEPREFIX:-}" ] && [ ! -d "$HOME/.wine" ]; then
    echo "run: preparing Wine's default prefix (first start only)"
    wine wineboot -i >/dev/null 2>&1 || true
fi

if [ -n "$xvfb_pid" ]; then
    # No window manager on a private Xvfb: a Wine desktop gives the window
    # its frame and caption.
    wine explorer /desktop=TolvaneDesktop,1280x1024 "$build/tolvane.exe" &
else
    wine "$build/tolvane.exe" &
fi
wine_pid=$!

if [ -n "$xvfb_pid" ]; then
    shot="$build/tolvane-screenshot.png"
    for _ in $(seq 1 120); do
        if xwininfo -root -tree 2>/dev/null | grep -q 'TolvaneDesktop'; then
            # The list is filled before the window shows; give it a moment.
            sleep 4
            import -window root "$shot"
            echo "run: Tolvane is running on $DISPLAY (Xvfb); screenshot: $shot"
            echo "run: press Ctrl+C to stop it."
            break
        fi
        sleep 0.5
    done
fi
wait "$wine_pid" || true
wine_pid=""
