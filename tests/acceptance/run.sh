#!/usr/bin/env bash
# Runs the acceptance suite against the real program: a private X server, a private D-Bus
# session with the accessibility bus, and the Python driver that reads the windows as a screen
# reader does and types and clicks as a person would.
#   run.sh <path to cifrovex> <path to the shipped data.cvx> [tests...]
# Another driver of this folder runs the same way (editor_run.sh): ACCEPTANCE_DRIVER names it,
# ACCEPTANCE_FILES says how many leading arguments are files, ACCEPTANCE_SCREEN sizes the screen.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
driver="${ACCEPTANCE_DRIVER:-acceptance.py}"
count="${ACCEPTANCE_FILES:-2}"
files=()
for f in "${@:1:$count}"; do files+=("$(realpath "$f")"); done

for tool in Xvfb xdotool import dbus-run-session /usr/libexec/at-spi-bus-launcher; do
    command -v "$tool" >/dev/null || { echo "acceptance: $tool is missing (scripts/install-deps.sh installs it)"; exit 1; }
done
/usr/bin/python3 -c "import pyatspi" 2>/dev/null ||
    { echo "acceptance: python3-pyatspi is missing (scripts/install-deps.sh installs it)"; exit 1; }

work="$(mktemp -d)"
cleanup() {
    [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# Let the server pick a free display and tell us its number. Without -noreset the server resets
# whenever its last client leaves (the accessibility bus launcher, a program that has ended), and
# a copy connecting during the reset fails to start.
exec 9>"$work/display"
Xvfb -displayfd 9 -noreset -screen 0 "${ACCEPTANCE_SCREEN:-1024x768x24}" -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 300); do
    [ -s "$work/display" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
done
[ -s "$work/display" ] || { echo "acceptance: Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"
# The driver names a vanished X server as the cause when the program loses its display.
export ACCEPTANCE_XVFB_PID="$xvfb_pid"
export XDG_RUNTIME_DIR="$work/runtime"
# Both sides find the session's own accessibility bus, never one of a desktop we run under.
unset AT_SPI_BUS_ADDRESS
mkdir -m 700 -p "$XDG_RUNTIME_DIR"
# Sanitizer builds: the accessibility bridge keeps D-Bus objects to the end of the process.
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0"

# Extra arguments pick tests, as unittest takes them: run.sh <program> <bank> AcceptanceTest.test_x
status=0
dbus-run-session -- /usr/bin/python3 "$here/$driver" "${files[@]}" "$work" "${@:$((count + 1))}" || status=$?
if [ "$status" -ne 0 ] && [ -s "$work/xvfb.log" ]; then
    echo "--- Xvfb's log"
    tail -n 20 "$work/xvfb.log"
fi
exit "$status"
