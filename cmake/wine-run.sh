#!/bin/sh
# Runs a Windows program of the build under Wine: CTest's test programs and the build's own use
# of the bank tool (CMAKE_CROSSCOMPILING_EMULATOR). Usage: wine-run.sh WINEPREFIX PROGRAM [ARGS...]
#
# Wine does not hand QT_* variables of the Linux environment to Windows programs, so the ones the
# tests need live in the prefix's own user environment (HKCU\Environment): the offscreen platform,
# its fonts, and Qt's log on stderr rather than the debugger's channel (no console is attached under Wine).
# The prefix is made on first use, under a lock, as CTest may start two programs at once.
set -eu
export WINEPREFIX="$1"
shift
export WINEDEBUG=-all
# No Mono or Gecko installers; no menu entries for the Linux desktop.
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
if [ ! -e "$WINEPREFIX/.cifrovex-ready" ]; then
    mkdir -p "$(dirname "$WINEPREFIX")"
    flock "$WINEPREFIX.lock" sh -c '
        [ -e "$WINEPREFIX/.cifrovex-ready" ] && exit 0
        wineboot -i >/dev/null 2>&1 || true
        wine reg add "HKCU\\Environment" /v QT_QPA_PLATFORM /d offscreen /f >/dev/null
        wine reg add "HKCU\\Environment" /v QT_FORCE_STDERR_LOGGING /d 1 /f >/dev/null
        # The offscreen platform reads fonts from a folder (Windows itself has its own).
        if [ -d /usr/share/fonts/truetype/liberation2 ]; then
            wine reg add "HKCU\\Environment" /v QT_QPA_FONTDIR /d "Z:\\usr\\share\\fonts\\truetype\\liberation2" /f >/dev/null
        fi
        wineserver -w
        touch "$WINEPREFIX/.cifrovex-ready"'
fi
exec wine "$@"
