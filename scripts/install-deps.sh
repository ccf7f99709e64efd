#!/usr/bin/env bash
# Installs the Debian 12 packages that one or more purposes need, and nothing when they are there:
#   scripts/install-deps.sh run           building and running the program (scripts/run.sh)
#   scripts/install-deps.sh test          that, and what the tests need (scripts/test.sh)
#   scripts/install-deps.sh fuzz          that, and clang with libFuzzer (scripts/fuzz.sh)
#   scripts/install-deps.sh jackcess      test's, and Java for the Jackcess tests (ctest -L jackcess)
#   scripts/install-deps.sh package       building and checking the Debian package (.ci/run)
#   scripts/install-deps.sh windows       the Windows build and its tests under Wine
#                                         (scripts/build-windows.sh)
#   scripts/install-deps.sh fresh-check   making a fresh Debian 12 (scripts/check-fresh-debian.sh)
#   scripts/install-deps.sh --list PURPOSE...   prints the packages instead
# Every list is here and nowhere else. Uses sudo when not run as root, and hands apt the
# environment it needs through sudo: DEBIAN_FRONTEND and the proxy settings exported here.
set -euo pipefail

# Building and running the program. qt6-base-dev brings the Qt libraries the program runs on
# (the X11 platform plugin among them); the windows are laid out for the Liberation fonts;
# qt6-translations-l10n puts Qt's own texts in the editor (file dialogs, buttons) in Russian.
run=(cmake g++ make qt6-base-dev libgl-dev libjpeg-dev fonts-liberation2 qt6-translations-l10n)
# The tests: mdbtools and Node.js for the Jet oracles (tests/jet/oracle-setup.sh fetches the npm
# packages itself, without npm), a private X server and the X tools that drive and read the
# program, ImageMagick's import for screenshots, and the accessibility stack with its session bus
# for tests/acceptance, which also places the windows under a real window manager (openbox);
# poppler-utils' pdftotext reads the printed test back.
test=(mdbtools nodejs poppler-utils xvfb xdotool x11-utils imagemagick at-spi2-core python3-pyatspi dbus openbox)
# libFuzzer comes with clang's runtime libraries.
fuzz=(clang libclang-rt-14-dev)
# tests/jackcess compiles its oracle against the Jackcess jar in ../shared, which needs these two
# libraries at run time. Not part of test: a clone without ../shared has no jar, and its Jackcess
# tests skip.
jackcess=(default-jdk-headless libcommons-lang3-java libcommons-logging-java)
# cpack -G DEB (dpkg-shlibdeps, file) and packaging/check-deb.sh.
package=(dpkg-dev file desktop-file-utils man-db xvfb xdotool)
# The Windows build: the cross compiler, Wine, the tools to build Qt from Debian's sources and the
# installer, and what the tests under Wine need (an X server, screenshots, the zip); Qt's Russian
# translations go into the zip and the installer.
windows=(g++-mingw-w64-x86-64-posix wine wine64 nsis cmake ninja-build qt6-base-dev-tools dpkg-dev xz-utils
         python3 locales xvfb x11-utils imagemagick unzip qt6-translations-l10n)
# A minimal Debian made from the archive.
fresh_check=(debootstrap)

list=false
[ "${1:-}" != --list ] || { list=true; shift; }
[ $# -gt 0 ] || { echo "usage: $0 [--list] run|test|fuzz|jackcess|package|windows|fresh-check..." >&2; exit 2; }
packages=()
for purpose in "$@"; do
    case "$purpose" in
        run) packages+=("${run[@]}") ;;
        test) packages+=("${run[@]}" "${test[@]}") ;;
        fuzz) packages+=("${run[@]}" "${fuzz[@]}") ;;
        jackcess) packages+=("${run[@]}" "${test[@]}" "${jackcess[@]}") ;;
        package) packages+=("${run[@]}" "${package[@]}") ;;
        windows) packages+=("${windows[@]}") ;;
        fresh-check) packages+=("${fresh_check[@]}") ;;
        *) echo "install-deps: unknown purpose '$purpose' (run, test, fuzz, jackcess, package, windows, fresh-check)" >&2; exit 2 ;;
    esac
done

mapfile -t packages < <(printf '%s\n' "${packages[@]}" | sort -u)
if $list; then
    echo "${packages[*]}"
    exit 0
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

# apt's environment, passed explicitly: sudo's env_reset would drop it.
apt_env=(DEBIAN_FRONTEND=noninteractive)
for v in http_proxy https_proxy ftp_proxy all_proxy no_proxy HTTP_PROXY HTTPS_PROXY FTP_PROXY ALL_PROXY NO_PROXY; do
    [ -z "${!v:-}" ] || apt_env+=("$v=${!v}")
done
as_root=(env)
[ "$(id -u)" -eq 0 ] || as_root=(sudo)

echo "install-deps: installing ${missing[*]}"
"${as_root[@]}" "${apt_env[@]}" apt-get update -qq
"${as_root[@]}" "${apt_env[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
