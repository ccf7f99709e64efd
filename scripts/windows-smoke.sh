#!/usr/bin/env bash
# The real cifrovex.exe under Wine on a private Xvfb, as a person starts it on Windows:
#  1. with data.cvx in its folder the level dialog comes up alone (the main window waits behind it);
#  2. with another program in front, a second copy exits 0 at once and brings the first one's
#     window to the front;
#  3. Alt+F4 on the main window asks the exit question, and Yes ends the program with 0;
#  4. without data.cvx the "Application Error" box comes up, and the program exits with 1;
#  5. cifrovex-bank.exe takes and writes Cyrillic file names, and its Russian reads right on a
#     pipe and on a console whose code page is 866.
# Wine runs as one virtual desktop, so that it keeps the z-order and the foreground window itself,
# as Windows does; tests/windows/window_probe.c asks it which windows show and which is in front,
# and types keys through its input queue. Screenshots go to <build>/windows-smoke/.
# Usage: scripts/windows-smoke.sh BUILD_FOLDER
# CIFROVEX_DISPLAY=:N picks the X display; by default Xvfb takes a free one.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="$(cd "$1" && pwd)"
OUT="$BUILD/windows-smoke"
rm -rf "$OUT" && mkdir -p "$OUT/run" "$OUT/nobank"
cp "$BUILD/cifrovex.exe" "$BUILD/data.cvx" "$OUT/run/"
cp "$BUILD/cifrovex.exe" "$OUT/nobank/"
x86_64-w64-mingw32-gcc-posix -O2 -o "$OUT/window_probe.exe" "$ROOT/tests/windows/window_probe.c"
# A Russian Windows, as the program's users have: Wine takes the user's locale (code pages 1251
# and 866, the Russian date and time formats) from LC_ALL. The locale is compiled into the build
# folder, so the system needs none installed.
mkdir -p "$OUT/locale"
localedef -i ru_RU -f UTF-8 "$OUT/locale/ru_RU.UTF-8" >/dev/null 2>&1 || true
if [ -d "$OUT/locale/ru_RU.UTF-8" ]; then
    export LOCPATH="$OUT/locale"
    { export LC_ALL=ru_RU.UTF-8; } 2>/dev/null   # bash itself stays in its own locale
else
    echo "note: no ru_RU locale (localedef failed); Wine runs in the system's locale" >&2
fi
# A prefix of its own: the tests' prefix sets the offscreen platform for every program.
export WINEPREFIX="$BUILD/wine-smoke" WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml,winemenubuilder.exe=

main_title='Цифроведческийзачёт'
level_title='Уровень сложности'
. "$ROOT/scripts/windows-wine-display.sh"
wine_display "$OUT/display"
echo "Xvfb on $DISPLAY, Wine prefix $WINEPREFIX"
if [ ! -e "$WINEPREFIX/.cifrovex-desktop" ]; then
    wineboot -i >/dev/null 2>&1 || true
    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null
    wineserver -w
    touch "$WINEPREFIX/.cifrovex-desktop"
fi

probe() { wine "$OUT/window_probe.exe" "$@" 2>/dev/null | tr -d '\r'; }
foreground() { probe list | sed -n 's/^foreground: //p'; }
visible_count() { probe list | grep -cxF "visible: $1" || true; }
# wait_until SECONDS COMMAND...: runs COMMAND until it succeeds.
wait_until() {
    local end=$((SECONDS + $1)); shift
    until "$@"; do [ $SECONDS -lt $end ] || return 1; sleep 0.3; done
}
is_visible() { [ "$(visible_count "$1")" -ge 1 ]; }
in_front() { [ "$(foreground)" = "$1" ]; }
not_in_front() { [ "$(foreground)" != "$1" ]; }
shot() { sleep 0.5; import -display "$DISPLAY" -window root "$OUT/$1.png" 2>/dev/null || true; }
# wait_exit PID SECONDS: the process's exit code, or 124 when it is still running.
wait_exit() {
    local end=$((SECONDS + $2))
    while kill -0 "$1" 2>/dev/null; do [ $SECONDS -lt $end ] || return 124; sleep 0.2; done
    wait "$1"
}

# 1. The level dialog alone.
(cd "$OUT/run" && exec wine cifrovex.exe) &
first=$!
if wait_until 120 is_visible "$level_title"; then
    shot level-dialog
    if [ "$(visible_count "$main_title")" = 0 ]; then pass "the level dialog comes up alone"
    else fail "the main window is on screen beside the level dialog"; fi
    started=1
else
    shot level-dialog; fail "no level dialog within 120 s"
    started=
fi

if [ -n "$started" ]; then
    # 2. Another program in front, then a second copy.
    (cd "$OUT" && exec wine notepad) &
    wait_until 60 not_in_front "$level_title" || true
    echo "in front before the second copy: $(foreground)"
    in_front "$level_title" && fail "the level dialog is still in front of the other program"
    (cd "$OUT/run" && exec wine cifrovex.exe) &
    second=$!
    rc=0; wait_exit "$second" 60 || rc=$?
    if [ "$rc" = 0 ]; then pass "a second copy exits with 0"; else fail "the second copy: exit code $rc (124: still running)"; fi
    if wait_until 15 in_front "$level_title"; then pass "the first copy's level dialog came to the front"
    else fail "in front: \"$(foreground)\", not the first copy's level dialog"; fi
    shot second-copy
    [ "$(visible_count "$level_title")" = 1 ] || fail "$(visible_count "$level_title") level dialogs on screen"

    # 3. Return chooses the level; Alt+F4 on the main window asks the exit question.
    probe key-return
    if wait_until 30 is_visible "$main_title"; then
        wait_until 10 in_front "$main_title" || fail "the main window is not in front: \"$(foreground)\""
        shot main-window
        probe alt-f4
        if wait_until 20 is_visible Confirm; then
            shot exit-question
            is_visible "$main_title" || fail "the main window closed before the answer"
            pass "Alt+F4 asks the exit question"
            in_front Confirm || fail "the exit question is not in front: \"$(foreground)\""
            probe key-return
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
nobank=$!
if wait_until 120 is_visible "Application Error"; then
    shot no-bank
    pass "without data.cvx: the \"Application Error\" box"
    wait_until 10 in_front "Application Error" || true
    probe key-return
    rc=0; wait_exit "$nobank" 30 || rc=$?
    if [ "$rc" = 1 ]; then pass "without data.cvx: exit code 1"; else fail "without data.cvx: exit code $rc (124: still running)"; fi
else
    shot no-bank; fail "without data.cvx: no \"Application Error\" box within 120 s"
fi
kill "$nobank" 2>/dev/null || true

# 5. The bank tool with Cyrillic file names, to a pipe (UTF-8) and to a console (UTF-16 through
#    WriteConsoleW; Wine hands it to the terminal that `script` gives it, as UTF-8).
bank="$OUT/банк"
mkdir -p "$bank"
cp "$BUILD/tools/cifrovex-bank.exe" "$BUILD/data.cvx" "$bank/"
(
    cd "$bank"
    wine cifrovex-bank.exe dump data.cvx -o "Таблицы" >/dev/null
    wine cifrovex-bank.exe build "Таблицы/Zadachi.csv" "Таблицы/Otvety.csv" -o "Мой банк.cvx" >/dev/null
    wine cifrovex-bank.exe check "Мой банк.cvx" >check.txt
    script -qc "wine cifrovex-bank.exe check 'Мой банк.cvx'" /dev/null >console.txt </dev/null
) || true
if [ -f "$bank/Мой банк.cvx" ] && cmp -s "$bank/Таблицы/Otvety.csv" <(cd "$bank" && wine cifrovex-bank.exe dump "Мой банк.cvx" Otvety 2>/dev/null); then
    pass "the bank tool: Cyrillic file names as arguments and as output"
else
    fail "the bank tool: no round trip through Cyrillic file names"
fi
grep -q 'Уровень «5» (задачи 1–20): работает как задумано' "$bank/check.txt" \
    && pass "the bank tool: Russian on a pipe as UTF-8" || fail "the bank tool on a pipe: $(head -c 300 "$bank/check.txt")"
grep -q 'Уровень «5» (задачи 1–20): работает как задумано' "$bank/console.txt" \
    && pass "the bank tool: Russian on the console" || fail "the bank tool on the console: $(head -c 300 "$bank/console.txt")"

echo "screenshots: $OUT"
if [ "$failures" != 0 ]; then echo "$failures check(s) of the real program under Wine failed" >&2; exit 1; fi
echo "the real program under Wine: all checks passed"
