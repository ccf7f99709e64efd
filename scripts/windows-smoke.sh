#!/usr/bin/env bash
# The real cifrovex.exe under Wine on a private Xvfb, as a person starts it on Windows:
#  1. with data.cvx in its folder the level dialog comes up alone (the main window waits behind it);
#  2. a second copy exits 0 at once and brings the first one's window to the front;
#  3. Alt+F4 on the main window asks the exit question, and Yes ends the program with 0;
#  4. without data.cvx the "Application Error" box comes up, and the program exits with 1.
# Screenshots go to <build>/windows-smoke/. Usage: scripts/windows-smoke.sh BUILD_FOLDER
# CIFROVEX_DISPLAY=:N picks the X display; by default Xvfb takes a free one.
set -euo pipefail
BUILD="$(cd "$1" && pwd)"
OUT="$BUILD/windows-smoke"
rm -rf "$OUT" && mkdir -p "$OUT/run" "$OUT/nobank"
cp "$BUILD/cifrovex.exe" "$BUILD/data.cvx" "$OUT/run/"
cp "$BUILD/cifrovex.exe" "$OUT/nobank/"
# A prefix of its own: the tests' prefix sets the offscreen platform for every program.
export WINEPREFIX="$BUILD/wine-smoke" WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml,winemenubuilder.exe=
unset QT_QPA_PLATFORM

main_title='Цифроведческийзачёт'
level_title='Уровень сложности'
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

xvfb_pid=
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wineserver -k 2>/dev/null || true
    [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT

if [ -n "${CIFROVEX_DISPLAY:-}" ]; then
    Xvfb "$CIFROVEX_DISPLAY" -noreset -nolisten tcp -screen 0 1024x768x24 2>/dev/null &
    xvfb_pid=$!
    export DISPLAY="$CIFROVEX_DISPLAY"
else
    Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1024x768x24 3>"$OUT/display" 2>/dev/null &
    xvfb_pid=$!
    for _ in $(seq 100); do [ -s "$OUT/display" ] && break; sleep 0.1; done
    export DISPLAY=":$(cat "$OUT/display")"
fi
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
xdpyinfo >/dev/null 2>&1 || { echo "Xvfb did not start" >&2; exit 1; }
echo "Xvfb on $DISPLAY, Wine prefix $WINEPREFIX"
[ -e "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1 || true

# wait_window TITLE SECONDS: prints the visible window whose whole title is TITLE.
wait_window() {
    local id
    for _ in $(seq $(($2 * 5))); do
        id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1) && [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.2
    done
    return 1
}
count_windows() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | wc -l; }
focused_name() { xdotool getwindowfocus getwindowname 2>/dev/null || true; }
shot() { import -display "$DISPLAY" -window root "$OUT/$1.png" 2>/dev/null || true; }
# wait_exit PID SECONDS: the process's exit code, or 124 when it is still running.
wait_exit() {
    for _ in $(seq $(($2 * 5))); do kill -0 "$1" 2>/dev/null || { wait "$1"; return $?; }; sleep 0.2; done
    return 124
}

# 1. The level dialog alone.
(cd "$OUT/run" && exec wine cifrovex.exe) &
first=$!; pids+=("$first")
if dialog=$(wait_window "$level_title" 120); then
    sleep 1
    shot level-dialog
    if [ "$(count_windows "$main_title")" = 0 ]; then pass "the level dialog comes up alone"
    else fail "the main window is on screen beside the level dialog"; fi
else
    shot level-dialog; fail "no level dialog within 120 s"
fi

# 2. A second copy: another window takes the focus first, then the second copy must end with 0
#    and leave the first copy's dialog focused.
if [ -n "${dialog:-}" ]; then
    xmessage -name cover -geometry 600x400+0+0 "another program" &
    pids+=($!)
    if cover=$(wait_window cover 20) || cover=$(xdotool search --onlyvisible --classname cover | head -1); then
        xdotool windowraise "$cover" windowfocus "$cover" 2>/dev/null || true
        sleep 0.5
    fi
    echo "focus before the second copy: $(focused_name)"
    (cd "$OUT/run" && exec wine cifrovex.exe) &
    second=$!
    rc=0; wait_exit "$second" 60 || rc=$?
    if [ "$rc" = 0 ]; then pass "a second copy exits with 0"; else fail "the second copy: exit code $rc (124: still running)"; fi
    ok=
    for _ in $(seq 50); do [ "$(focused_name)" = "$level_title" ] && { ok=1; break; }; sleep 0.2; done
    sleep 0.5
    shot second-copy
    if [ -n "$ok" ]; then pass "the first copy's level dialog came to the front"
    else fail "the focus is on \"$(focused_name)\", not the first copy's level dialog"; fi
    [ "$(count_windows "$level_title")" = 1 ] || fail "$(count_windows "$level_title") level dialogs on screen"
fi

# 3. Alt+F4 on the main window asks the exit question; Yes ends the program with 0.
if [ -n "${dialog:-}" ]; then
    xdotool windowfocus "$dialog" 2>/dev/null || true
    sleep 0.3
    xdotool key Return
    if main=$(wait_window "$main_title" 30); then
        sleep 1
        xdotool windowraise "$main" windowfocus "$main" 2>/dev/null || true
        sleep 0.5
        shot main-window
        xdotool key alt+F4
        if question=$(wait_window Confirm 20); then
            sleep 0.5
            shot exit-question
            [ "$(count_windows "$main_title")" = 1 ] || fail "the main window closed before the answer"
            pass "Alt+F4 asks the exit question"
            xdotool windowfocus "$question" 2>/dev/null || true
            sleep 0.3
            xdotool key Return
            rc=0; wait_exit "$first" 30 || rc=$?
            if [ "$rc" = 0 ]; then pass "Yes ends the program with 0"; else fail "after Yes: exit code $rc (124: still running)"; fi
        else
            shot exit-question; fail "Alt+F4 brought no exit question"
        fi
    else
        shot main-window; fail "no main window after Return in the level dialog"
    fi
fi
kill "$first" 2>/dev/null || true

# 4. No data.cvx: the error box, then exit code 1.
(cd "$OUT/nobank" && exec wine cifrovex.exe) &
nobank=$!; pids+=("$nobank")
if box=$(wait_window "Application Error" 120); then
    sleep 0.5
    shot no-bank
    pass "without data.cvx: the \"Application Error\" box"
    xdotool windowfocus "$box" 2>/dev/null || true
    sleep 0.3
    xdotool key Return
    rc=0; wait_exit "$nobank" 30 || rc=$?
    if [ "$rc" = 1 ]; then pass "without data.cvx: exit code 1"; else fail "without data.cvx: exit code $rc (124: still running)"; fi
else
    shot no-bank; fail "without data.cvx: no \"Application Error\" box within 120 s"
fi

echo "screenshots: $OUT"
if [ "$failures" != 0 ]; then echo "$failures check(s) of the real program under Wine failed" >&2; exit 1; fi
echo "the real program under Wine: all checks passed"
