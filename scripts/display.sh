# Sourced by the run and test scripts: ensure_display DIR makes sure that
# DISPLAY names a working X server, starting a private Xvfb when none does.
# It sets xvfb_pid when it started one; the caller stops it.
ensure_display() {
    local dir="$1"
    if [ -n "${DISPLAY:-}" ] && xset q >/dev/null 2>&1; then
        return 0
    fi
    if [ -n "${DISPLAY:-}" ] && ! command -v xset >/dev/null 2>&1; then
        return 0
    fi
    local fifo="$dir/displayfd"
    rm -f "$fifo"
    mkfifo "$fifo"
    Xvfb -displayfd 9 -screen 0 1280x1024x24 -nolisten tcp 9>"$fifo" >/dev/null 2>&1 &
    xvfb_pid=$!
    local number
    if ! read -r -t 30 number <"$fifo"; then
        return 1
    fi
    export DISPLAY=":$number"
    return 0
}
