#!/usr/bin/env bash
# Runs the editor's acceptance tests: the real cifrovex-editor and cifrovex on a private X server
# and D-Bus session, read over AT-SPI and driven with xdotool, as run.sh does for the program.
#   editor_run.sh <path to cifrovex-editor> <path to cifrovex> <path to the shipped data.cvx>
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
editor="$(realpath "$1")"
program="$(realpath "$2")"
bank="$(realpath "$3")"

for tool in Xvfb xdotool import dbus-run-session /usr/libexec/at-spi-bus-launcher; do
    command -v "$tool" >/dev/null || { echo "editor acceptance: $tool is missing"; exit 1; }
done
/usr/bin/python3 -c "import pyatspi" 2>/dev/null || { echo "editor acceptance: python3-pyatspi is missing"; exit 1; }

work="$(mktemp -d)"
cleanup() {
    [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

exec 9>"$work/display"
Xvfb -displayfd 9 -noreset -screen 0 1366x900x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 300); do
    [ -s "$work/display" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
done
[ -s "$work/display" ] || { echo "editor acceptance: Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"
export ACCEPTANCE_XVFB_PID="$xvfb_pid"
export XDG_RUNTIME_DIR="$work/runtime"
unset AT_SPI_BUS_ADDRESS
mkdir -m 700 -p "$XDG_RUNTIME_DIR"
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0"

dbus-run-session -- /usr/bin/python3 "$here/editor_acceptance.py" "$editor" "$program" "$bank" "$work" "${@:4}"
