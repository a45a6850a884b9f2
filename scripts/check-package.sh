#!/bin/bash
# Checks the release as a user gets it. Builds it with scripts/package.sh,
# then checks both archives' listings, their checksums and both manifests;
# builds it a second time from a copy of the sources at another path and
# compares the bytes; unpacks each archive and starts both programs under
# Wine in a fresh prefix with the zh_CN.UTF-8 locale: tolvanec --version,
# and the window, which must appear and close cleanly. The 32-bit programs
# are started only where this host can run them; it says when it skipped
# them. scripts/test.sh runs it after ctest.
# Ends with "package: N passed, N failed".
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
release="${TOLVANE_RELEASE_BUILD:-$root/build-release}"
dist="${TOLVANE_DIST:-$root/dist}"
# wine-run.sh keeps its template prefixes in the test builds; reuse them.
tests_build="${TOLVANE_BUILD:-$root/build}"
source "$root/scripts/wine-env.sh"

work="$(mktemp -d /tmp/tolvane-package.XXXXXX)"
xvfb_pid=""
window_pid=""
prefix="$work/prefix"
cleanup() {
    if [ -n "$window_pid" ]; then
        kill "$window_pid" >/dev/null 2>&1
    fi
    if [ -d "$prefix" ]; then
        WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1
        WINEPREFIX="$prefix" wineserver -w >/dev/null 2>&1
    fi
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" >/dev/null 2>&1
        wait "$xvfb_pid" 2>/dev/null
    fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

passed=0
failed=0
check() {
    local what="$1"
    shift
    if "$@"; then
        passed=$((passed + 1))
        echo "package: ok     $what"
    else
        failed=$((failed + 1))
        echo "package: FAILED $what"
    fi
}
finish() {
    echo "package: $passed passed, $failed failed"
    [ "$failed" -eq 0 ]
    exit
}

# Each archive holds the programs of its architecture (the PE header's machine).
programs_match_archives() {
    local arch archive name status=0
    for arch in win64 win32; do
        archive="$dist/tolvane-$version-$arch.zip"
        python3 -m zipfile -e "$archive" "$work/arch-$arch" >/dev/null || return 1
        for name in tolvane.exe tolvanec.exe; do
            [ "$(pe_arch "$work/arch-$arch/$name")" = $arch ] || { echo "  $archive: $name"; status=1; }
        done
    done
    return $status
}

if ! "$root/scripts/package.sh"; then
    check "scripts/package.sh" false
    finish
fi
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$release/x64/CMakeCache.txt")"
commit="$(sed -n 's/^#define TOLVANE_COMMIT "\(.*\)"$/\1/p' "$release/x64/generated/tolvane_version.h")"
archives=("$dist/tolvane-$version-win64.zip" "$dist/tolvane-$version-win32.zip")

for archive in "${archives[@]}"; do
    check "$(basename "$archive"): names, order, UTF-8 name flag, text files" \
        python3 "$root/scripts/check_release.py" archive "$archive"
done
check "programs of the right architecture in each archive" programs_match_archives
check "SHA256SUMS and both manifests name both archives" \
    python3 "$root/scripts/check_release.py" hashes "$dist" "${archives[@]}"
check "sha256sum -c SHA256SUMS" bash -c 'cd "$1" && sha256sum --quiet -c SHA256SUMS' _ "$dist"

# A second build from a copy of the same sources (the tracked and new files
# as they are now, not only what is committed) at another path, with a
# build folder of its own; the commit and its time are handed over, since
# the copy is no git checkout.
same_bytes_from_elsewhere() {
    local copy="$work/elsewhere/sources"
    mkdir -p "$copy"
    (cd "$root" && git ls-files -z --cached --others --exclude-standard |
        while IFS= read -r -d '' file; do [ -e "$file" ] && printf '%s\0' "$file"; done |
        tar --null -T - -cf -) | tar -xf - -C "$copy" || return 1
    local epoch
    epoch="$(git -C "$root" log -1 --format=%ct)"
    if ! TOLVANE_COMMIT="$commit" SOURCE_DATE_EPOCH="$epoch" TOLVANE_DIST="$work/dist" \
        TOLVANE_RELEASE_BUILD="$work/elsewhere/build" "$copy/scripts/package.sh" \
        >"$work/second-build.log" 2>&1; then
        cat "$work/second-build.log"
        return 1
    fi
    local arch name archive status=0
    for arch in x64 x86; do
        for name in tolvane.exe tolvanec.exe; do
            cmp "$release/$arch/$name" "$work/elsewhere/build/$arch/$name" || status=1
        done
    done
    for archive in "${archives[@]}"; do
        cmp "$archive" "$work/dist/$(basename "$archive")" || status=1
    done
    return $status
}
check "a second build elsewhere gives the same bytes" same_bytes_from_elsewhere

source "$root/scripts/display.sh"
ensure_display "$work" || { check "a display for Wine" false; finish; }

# tolvanec --version names the version, the build and the commit.
version_line_is() {
    local line
    line="$("$root/scripts/wine-run.sh" "$1/tolvanec.exe" --version 2>"$work/stderr" | tr -d '\r')"
    [ "$line" = "$2" ] || { echo "  got: $line"; return 1; }
}

# The verb lines of the help must be those that 说明.txt gives the user.
verbs_documented() {
    "$root/scripts/wine-run.sh" "$1/tolvanec.exe" --help 2>/dev/null | tr -d '\r' |
        grep '^tolvanec ' >"$work/help-verbs" || return 1
    tr -d '\r' <"$1/说明.txt" | sed -n 's/^  \(tolvanec .*\)$/\1/p' >"$work/readme-verbs"
    [ "$(wc -l <"$work/help-verbs")" -ge 10 ] && diff "$work/help-verbs" "$work/readme-verbs"
}

# The window, in a fresh prefix (a copy of the wineboot template, as every
# test gets): it must appear, and WM_CLOSE (taskkill without /f) must end
# the program with exit code 0. A screenshot stays in the release build.
window_opens_and_closes() {
    local unpacked="$1" arch="$2"
    rm -rf "$prefix"
    cp -a "$TOLVANE_BUILD_DIR/wine-template-$WINEARCH" "$prefix" || return 1
    local env=(env WINEPREFIX="$prefix" WINEDEBUG=-all LANG=zh_CN.UTF-8
        LC_ALL=zh_CN.UTF-8 "WINEDLLOVERRIDES=mscoree,mshtml=;winemenubuilder.exe=d")
    "${env[@]}" "$WINE" "$unpacked/tolvane.exe" &
    window_pid=$!
    local shown=1
    for _ in $(seq 1 120); do
        if xwininfo -root -tree 2>/dev/null | grep -q '"Tolvane": ("tolvane.exe"'; then
            shown=0
            break
        fi
        sleep 0.5
    done
    if [ $shown -eq 0 ]; then
        sleep 2  # the list fills before the first paint
        import -window root "$release/archive-window-$arch.png"
        echo "package: screenshot of the window: $release/archive-window-$arch.png"
    fi
    "${env[@]}" "$WINE" taskkill /im tolvane.exe >/dev/null 2>&1
    local status=1
    for _ in $(seq 1 60); do
        if ! kill -0 "$window_pid" 2>/dev/null; then
            wait "$window_pid"
            status=$?
            window_pid=""
            break
        fi
        sleep 0.5
    done
    WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1
    WINEPREFIX="$prefix" wineserver -w >/dev/null 2>&1
    [ $shown -eq 0 ] && [ $status -eq 0 ]
}

for arch in x64 x86; do
    if [ $arch = x64 ]; then
        wine_arch=win64 bits="64 位"
    else
        wine_arch=win32 bits="32 位"
        if ! can_run_win32; then
            echo "package: skipped starting the 32-bit programs: this host cannot run 32-bit programs ($(win32_unavailable_reason))"
            continue
        fi
    fi
    archive="$dist/tolvane-$version-$wine_arch.zip"
    unpacked="$work/unpacked-$arch"
    python3 -m zipfile -e "$archive" "$unpacked"
    export TOLVANE_BUILD_DIR="$tests_build/$arch"
    mkdir -p "$TOLVANE_BUILD_DIR"
    use_wine "$wine_arch"
    check "$arch: tolvanec --version from the archive: tolvanec $version $bits ($commit)" \
        version_line_is "$unpacked" "tolvanec $version $bits ($commit)"
    check "$arch: 说明.txt gives the verb lines of tolvanec --help" verbs_documented "$unpacked"
    check "$arch: tolvane.exe from the archive shows its window and closes with exit code 0" \
        window_opens_and_closes "$unpacked" "$arch"
done

finish
