# Sourced by the scripts that start Windows programs under Wine.
#   pe_arch FILE      prints win32 or win64: the architecture of a program
#   can_run_win32     whether this host can run 32-bit programs (it tries)
#   use_wine ARCH     sets WINEARCH and the Wine loader for win32 or win64;
#                     then `wine` starts programs of that architecture
# Debian's `wine` command always picks the 32-bit loader when wine32 is
# installed, even where the kernel cannot run it, so the loader is chosen
# here from the program itself.

wine32_loader="${TOLVANE_WINE32:-/usr/lib/wine/wine}"
wine64_loader="${TOLVANE_WINE64:-/usr/lib/wine/wine64}"

# The machine field of the PE header: 0x8664 is x86-64, 0x14c is x86.
pe_arch() {
    local offset machine
    offset=$(od -An -t u4 -j 60 -N 4 "$1" | tr -d ' ')
    machine=$(od -An -t x2 -j $((offset + 4)) -N 2 "$1" | tr -d ' ')
    if [ "$machine" = "8664" ]; then echo win64; else echo win32; fi
}

can_run_win32() {
    [ -x "$wine32_loader" ] && "$wine32_loader" --version >/dev/null 2>&1
}

# Why the 32-bit loader does not run here, in a few words.
win32_unavailable_reason() {
    if [ ! -x "$wine32_loader" ]; then
        echo "$wine32_loader is not installed"
    else
        "$wine32_loader" --version 2>&1 >/dev/null | head -n 1 | sed 's/^.*: //'
    fi
}

use_wine() {
    export WINEARCH="$1"
    if [ "$1" = win64 ]; then
        WINE="$wine64_loader"
        # Programs that Wine starts on the program's behalf use it too.
        export WINELOADER="$wine64_loader"
    else
        WINE="$wine32_loader"
        unset WINELOADER
    fi
}

wine() { "$WINE" "$@"; }
