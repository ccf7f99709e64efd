# Sourced by the scripts that run Windows programs under Wine on a private X server: the pass and
# fail tally, and an Xvfb of their own that goes, with the Wine server, when the script ends.
#   wine_display DISPLAY_FILE   starts Xvfb (CIFROVEX_DISPLAY=:N picks the display; by default a
#                               free one, whose number goes to DISPLAY_FILE) and exports DISPLAY
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

xvfb_pid=
wine_display_cleanup() {
    wineserver -k 2>/dev/null || true
    [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
}
trap wine_display_cleanup EXIT

wine_display() {
    if [ -n "${CIFROVEX_DISPLAY:-}" ]; then
        Xvfb "$CIFROVEX_DISPLAY" -noreset -nolisten tcp -screen 0 1024x768x24 2>/dev/null &
        xvfb_pid=$!
        export DISPLAY="$CIFROVEX_DISPLAY"
    else
        rm -f "$1"
        Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1024x768x24 3>"$1" 2>/dev/null &
        xvfb_pid=$!
        for _ in $(seq 100); do [ -s "$1" ] && break; sleep 0.1; done
        export DISPLAY=":$(cat "$1")"
    fi
    for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
    xdpyinfo >/dev/null 2>&1 || { echo "Xvfb did not start" >&2; exit 1; }
}
