#!/usr/bin/env bash
# Checks a built cifrovex .deb the way a user's Debian 12 machine would meet it:
#   packaging/check-deb.sh build/default/cifrovex_1.0.0_amd64.deb
# Fields and file list, the libraries and plugin the program loads against the declared
# dependencies, the desktop entry, the man page, the shipped bank; then the package unpacked
# into a scratch root and the desktop entry's command started in the entry's working folder on a
# private X server, until the level dialog is on screen.
# Needs dpkg-deb, desktop-file-validate (desktop-file-utils), man, Xvfb and xdotool; the
# package's dependencies must be installed on this machine, as apt-get would install them.
# pass never fails, so "test && pass || fail" reads as if-then-else here.
# shellcheck disable=SC2015
set -euo pipefail

deb="${1:?usage: $0 cifrovex_VERSION_amd64.deb}"
[ -f "$deb" ] || { echo "check-deb: $deb not found" >&2; exit 2; }
for tool in dpkg-deb dpkg-query desktop-file-validate man Xvfb xdotool readelf; do
    command -v "$tool" >/dev/null || { echo "check-deb: $tool is missing" >&2; exit 2; }
done

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

scratch="$(mktemp -d)"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$scratch"
}
trap cleanup EXIT

# --- Control fields ---------------------------------------------------------------------------
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = cifrovex ] && pass "Package: cifrovex" || fail "Package is '$(field Package)'"
[ "$(field Architecture)" = amd64 ] && pass "Architecture: amd64" || fail "Architecture is '$(field Architecture)'"
depends="$(field Depends)"
echo "Depends: $depends"
# The package names in Depends, alternatives included, without versions.
declared="$(tr ',|' '\n' <<<"$depends" | sed -E 's/\(.*\)//; s/^ +//; s/ +$//' | sed '/^$/d' | sort -u)"
for p in libqt6widgets6 libqt6gui6 libqt6core6 fonts-liberation2; do
    grep -qx "$p" <<<"$declared" && pass "depends on $p" || fail "Depends lacks $p"
done

# --- Files ------------------------------------------------------------------------------------
contents="$(dpkg-deb -c "$deb" | awk '{print $6}')"
for f in ./usr/bin/cifrovex ./usr/bin/cifrovex-bank ./usr/bin/cifrovex-editor ./usr/share/cifrovex/data.cvx \
    ./usr/share/applications/cifrovex.desktop ./usr/share/applications/cifrovex-editor.desktop \
    ./usr/share/icons/hicolor/32x32/apps/cifrovex.png ./usr/share/man/man1/cifrovex-editor.1.gz \
    ./usr/share/man/man1/cifrovex-bank.1.gz ./usr/share/man/man1/cifrovex.1.gz ./usr/share/doc/cifrovex/copyright \
    ./usr/share/doc/cifrovex/changelog.gz; do
    grep -qx "$f" <<<"$contents" && pass "ships $f" || fail "missing $f"
done
if grep -v -E '^\./(usr/(bin|share/(cifrovex|applications|icons|man|doc))(/|$))|^\./$|^\./usr/$|^\./usr/share/$' \
    <<<"$contents" | grep -q .; then
    fail "files outside the expected folders:"$'\n'"$(grep -v -E '^\./(usr/(bin|share/(cifrovex|applications|icons|man|doc))(/|$))|^\./$|^\./usr/$|^\./usr/share/$' <<<"$contents")"
fi

root="$scratch/root"
dpkg-deb -x "$deb" "$root"

# --- Libraries: every one the binaries load comes from a declared package -----------------------
# The package owning a file; with /usr merged, dpkg may know the file by its /lib name only.
package_of() {
    local path="$1" real
    real="$(readlink -f "$path")"
    for p in "$path" "$real" "${real#/usr}"; do
        dpkg-query -S "$p" 2>/dev/null | head -n1 | cut -d: -f1 | grep . && return 0
    done
    return 0
}
for bin in "$root/usr/bin/cifrovex" "$root/usr/bin/cifrovex-bank" "$root/usr/bin/cifrovex-editor"; do
    missing="$(ldd "$bin" | grep 'not found' || true)"
    [ -z "$missing" ] && pass "$(basename "$bin"): all libraries found" || fail "$(basename "$bin"): $missing"
    for lib in $(readelf -d "$bin" | sed -n 's/.*Shared library: \[\(.*\)\]/\1/p'); do
        path="$(ldd "$bin" | awk -v l="$lib" '$1 == l {print $3}')"
        pkg="$(package_of "$path")"
        grep -qx "$pkg" <<<"$declared" || fail "$(basename "$bin") needs $lib from '$pkg', which Depends does not name"
    done
done
# Qt loads the X11 platform plugin at run time; no linker sees it.
xcb="$(dpkg-query -S 'qt6/plugins/platforms/libqxcb.so' 2>/dev/null | head -n1 | cut -d: -f1)"
grep -qx "$xcb" <<<"$declared" && pass "X11 platform plugin comes with $xcb" || fail "libqxcb.so is in '$xcb', not declared"
font="$(fc-match -f '%{file}' 'Liberation Sans' 2>/dev/null || true)"
fontpkg="$(package_of "$font")"
grep -qx "$fontpkg" <<<"$declared" && pass "Liberation Sans comes with $fontpkg" || fail "Liberation Sans ($font) is in '$fontpkg', not declared"

# Everything Depends names, and what that needs in turn, can be had from the archive on a machine
# with nothing installed: apt resolves the package against an empty package state.
policy="$(apt-cache policy libqt6gui6 2>/dev/null || true)"
if grep -q 'Candidate: [0-9]' <<<"$policy"; then
    empty="$scratch/empty-status"
    : >"$empty"
    abs_deb="$(readlink -f "$deb")"
    if out="$(apt-get install -s -o Dir::State::status="$empty" "$abs_deb" 2>&1)"; then
        pass "apt resolves the package on an empty system ($(grep -c '^Inst' <<<"$out") packages)"
    else
        fail "apt cannot resolve the package on an empty system: $(grep -E '^E:|Depends:' <<<"$out")"
    fi
else
    echo "skip: no apt package lists here (apt-get update), dependency resolution not checked"
fi

# --- Desktop entry ------------------------------------------------------------------------------
entry="$root/usr/share/applications/cifrovex.desktop"
if out="$(desktop-file-validate "$entry" 2>&1)" && [ -z "$out" ]; then pass "desktop entry validates"; else fail "desktop-file-validate: $out"; fi
key() { sed -n "s/^$1=//p" "$entry" | head -n1; }
exec_line="$(key Exec)"
workdir="$(key Path)"
[ "$workdir" = /usr/share/cifrovex ] && pass "Path=$workdir" || fail "Path is '$workdir', not /usr/share/cifrovex"
[ -f "$root$workdir/data.cvx" ] && pass "data.cvx is in Path" || fail "no data.cvx in $workdir"
icon="$(key Icon)"
[ -f "$root/usr/share/icons/hicolor/32x32/apps/$icon.png" ] && pass "Icon=$icon is shipped" || fail "icon '$icon' not shipped"

# The bank editor's entry: Russian name, its command in the package, the program's icon.
editor_entry="$root/usr/share/applications/cifrovex-editor.desktop"
if out="$(desktop-file-validate "$editor_entry" 2>&1)" && [ -z "$out" ]; then pass "editor desktop entry validates"; else fail "desktop-file-validate (editor): $out"; fi
grep -qx 'Name=Редактор банка задач Cifrovex' "$editor_entry" && pass "editor entry's name" || fail "editor entry's Name is not 'Редактор банка задач Cifrovex'"
editor_exec="$(sed -n 's/^Exec=//p' "$editor_entry" | head -n1)"
[ -x "$root/usr/bin/${editor_exec%% *}" ] && pass "editor entry's command is shipped" || fail "editor Exec '$editor_exec' not in the package"
editor_page="$root/usr/share/man/man1/cifrovex-editor.1.gz"
editor_warnings="$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$editor_page" 2>&1 >/dev/null || true)"
[ -z "$editor_warnings" ] && pass "editor man page renders without warnings" || fail "editor man warnings: $editor_warnings"

# --- Man page -------------------------------------------------------------------------------------
page="$root/usr/share/man/man1/cifrovex-bank.1.gz"
gzip -t "$page" && pass "man page is gzip" || fail "man page is not gzip"
warnings="$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null || true)"
[ -z "$warnings" ] && pass "man page renders without warnings" || fail "man warnings: $warnings"
rendered="$(LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$page" 2>/dev/null || true)"
for section in 'ИМЯ' 'СИНТАКСИС' 'ОПИСАНИЕ' 'КОДЫ ЗАВЕРШЕНИЯ' 'ПРИМЕРЫ' 'import-aiken'; do
    grep -q "$section" <<<"$rendered" && pass "man page has $section" || fail "man page lacks $section"
done

# --- The shipped bank serves all three levels ---------------------------------------------------------
if out="$("$root/usr/bin/cifrovex-bank" check "$root$workdir/data.cvx" 2>&1)"; then
    pass "shipped bank passes cifrovex-bank check"
else
    fail "cifrovex-bank check on the shipped bank: $out"
fi

# --- The desktop entry starts the program on the shipped bank ---------------------------------------
# The entry's command is looked up in the unpacked /usr/bin; libraries and plugins are the system's.
# Field codes (%f, %U, ...) take no files here; the rest is split into words as a launcher does.
exec_line="$(sed -E 's/ ?%[fFuUick]//g' <<<"$exec_line")"
command="${exec_line%% *}"
case "$command" in /*) program="$root$command" ;; *) program="$root/usr/bin/$command" ;; esac
[ -x "$program" ] || fail "Exec command '$command' not in the package"

runtime="$scratch/runtime"
mkdir -m 700 "$runtime" "$scratch/home"
# -displayfd picks a free display and writes its number once the server is ready.
mkfifo "$scratch/display"
Xvfb -displayfd 3 -noreset -screen 0 1024x768x24 -nolisten tcp 3>"$scratch/display" >"$scratch/xvfb.log" 2>&1 &
pids+=($!)
display=""
read -r -t 20 display <"$scratch/display" || true
if [ -z "$display" ]; then
    fail "Xvfb did not start: $(cat "$scratch/xvfb.log")"
else
    (
        cd "$root$workdir"
        # shellcheck disable=SC2086
        exec env -u QT_QPA_PLATFORM -u QT_PLUGIN_PATH -u WAYLAND_DISPLAY DISPLAY=":$display" \
            XDG_RUNTIME_DIR="$runtime" HOME="$scratch/home" PATH="$root/usr/bin:$PATH" $exec_line
    ) >"$scratch/program.log" 2>&1 &
    program_pid=$!
    pids=("$program_pid" "${pids[@]}")
    # Bounded only so that a hang fails instead of stalling CI.
    if DISPLAY=":$display" timeout 40 xdotool search --sync --onlyvisible --name '^Уровень сложности$' >/dev/null; then
        pass "desktop entry's command shows the level dialog"
    else
        fail "no level dialog on screen; program output: $(cat "$scratch/program.log")"
    fi
    kill "$program_pid" 2>/dev/null || true
fi

if [ "$failures" -gt 0 ]; then
    echo "check-deb: $failures check(s) failed" >&2
    exit 1
fi
echo "check-deb: $deb is fine"
