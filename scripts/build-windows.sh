#!/usr/bin/env bash
# Cifrovex for Windows, built on Debian 12: installs the cross toolchain and Wine when missing,
# gets the static Qt and libjpeg for mingw (from the cache, the seed or Debian's sources: see
# scripts/windows-sdk.sh), builds cifrovex.exe and cifrovex-bank.exe, runs the tests under Wine,
# starts the real program under Wine on a private Xvfb, makes the zip and the NSIS installer,
# tries the installer under Wine, and prints where the zip and the installer are.
#
#   scripts/build-windows.sh          everything
#   scripts/build-windows.sh --env    only the libraries; prints the variables the "windows"
#                                     CMake preset needs, for eval "$(...)"
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"
BUILD="$ROOT/build/windows"

"$ROOT/scripts/install-deps.sh" windows >&2
source "$ROOT/scripts/windows-sdk.sh"

t_start=$SECONDS
ensure_qt_sdk >&2
ensure_jpeg_sdk >&2
export CIFROVEX_QT_SDK="$QT_SDK" CIFROVEX_JPEG_SDK="$JPEG_SDK"
if [ "${1:-}" = --env ]; then
    echo "export CIFROVEX_QT_SDK='$QT_SDK' CIFROVEX_JPEG_SDK='$JPEG_SDK'"
    exit 0
fi
t_sdk=$SECONDS

echo "== building (build/windows)"
if command -v ccache >/dev/null; then
    export CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER:-ccache}
    export CMAKE_C_COMPILER_LAUNCHER=${CMAKE_C_COMPILER_LAUNCHER:-ccache}
fi
mkdir -p "$BUILD"
cmake --preset windows >"$BUILD/configure.log" 2>&1 || { cat "$BUILD/configure.log"; exit 1; }
nice -n 5 cmake --build --preset windows --parallel "$WIN_JOBS"
t_build=$SECONDS

echo "== tests under Wine"
ctest --preset windows --parallel "$WIN_JOBS"
"$ROOT/scripts/windows-smoke.sh" "$BUILD"
t_test=$SECONDS

echo "== packages"
"$ROOT/scripts/windows-package.sh" "$BUILD"
"$ROOT/scripts/windows-installer-test.sh" "$BUILD"/cifrovex-*-setup.exe
t_end=$SECONDS

echo
echo "Times: libraries $((t_sdk - t_start)) s, build $((t_build - t_sdk)) s, tests $((t_test - t_build)) s, packages $((t_end - t_test)) s"
echo "Zip:       $(ls "$BUILD"/cifrovex-*-win64.zip)"
echo "Installer: $(ls "$BUILD"/cifrovex-*-setup.exe)"
