#!/usr/bin/env bash
# The installer under Wine, in a fresh Wine prefix, silently (/S) as an administrator's script
# would run it: the files land in Program Files, the Start-menu shortcut starts cifrovex.exe in
# the folder holding data.cvx, Windows knows the uninstaller; then the uninstaller, also silent,
# removes all of it. Also lists the zip beside the installer.
# Usage: scripts/windows-installer-test.sh cifrovex-<version>-setup.exe
set -euo pipefail
setup="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
BUILD="$(dirname "$setup")"
export WINEPREFIX="$BUILD/wine-install" WINEDEBUG=-all
# No Mono or Gecko; no menu entries or file associations for the Linux desktop.
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
rm -rf "$WINEPREFIX"
. "$(dirname "$0")/windows-wine-display.sh"
wine_display "$BUILD/installer-test.display"
wineboot -i >/dev/null 2>&1 || true

# The zip: both programs, the bank and the note, in one folder.
zip="${setup%-setup.exe}-win64.zip"
listing=$(unzip -Z1 "$zip")
for f in cifrovex.exe cifrovex-bank.exe data.cvx ПРОЧТИ.txt; do
    grep -q "/$f\$" <<<"$listing" || fail "$f is not in $(basename "$zip")"
done
pass "the zip holds $(wc -l <<<"$listing") files"

drive="$WINEPREFIX/drive_c"
dir="$drive/Program Files/Cifrovex"
menu="$drive/ProgramData/Microsoft/Windows/Start Menu/Programs"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Cifrovex'

wine "$setup" /S || fail "the installer: exit code $?"
wineserver -w
for f in cifrovex.exe cifrovex-bank.exe data.cvx ПРОЧТИ.txt uninstall.exe; do
    [ -f "$dir/$f" ] || fail "not installed: C:\\Program Files\\Cifrovex\\$f"
done
pass "installed in C:\\Program Files\\Cifrovex: $(ls "$dir" | tr '\n' ' ')"

# The shortcut's target and working folder, read from the .lnk file (MS-SHLLINK).
lnk="$menu/Цифроведческий зачёт.lnk"
if [ -f "$lnk" ]; then
    read_lnk() {
        python3 - "$1" <<'PY'
import struct, sys
d = open(sys.argv[1], "rb").read()
flags = struct.unpack_from("<I", d, 0x14)[0]
pos = 0x4C
if flags & 0x01:                                   # HasLinkTargetIDList
    pos += 2 + struct.unpack_from("<H", d, pos)[0]
target = ""
if flags & 0x02:                                   # HasLinkInfo: the local base path
    size, hsize, liflags, vol, base = struct.unpack_from("<IIIII", d, pos)
    if liflags & 1:
        end = d.index(b"\0", pos + base)
        target = d[pos + base:end].decode("latin-1")
    pos += size
unicode = bool(flags & 0x80)
strings = {}
for bit, name in ((0x04, "name"), (0x08, "relative"), (0x10, "workdir"), (0x20, "args"), (0x40, "icon")):
    if flags & bit:
        n = struct.unpack_from("<H", d, pos)[0]
        pos += 2
        raw = d[pos:pos + (2 * n if unicode else n)]
        pos += len(raw)
        strings[name] = raw.decode("utf-16-le" if unicode else "latin-1").rstrip("\0")
print(f"target={target.rstrip(chr(0))}")
print(f"workdir={strings.get('workdir', '')}")
PY
    }
    info=$(read_lnk "$lnk")
    echo "$info" | sed 's/^/  shortcut: /'
    grep -qix 'workdir=C:\\Program Files\\Cifrovex' <<<"$info" \
        && pass "the Start-menu shortcut starts in C:\\Program Files\\Cifrovex, beside data.cvx" \
        || fail "the shortcut's working folder is not the install folder"
    grep -qix 'target=C:\\Program Files\\Cifrovex\\cifrovex.exe' <<<"$info" || fail "the shortcut does not start cifrovex.exe"
else
    fail "no Start-menu shortcut: $(ls "$menu" 2>/dev/null | tr '\n' ' ')"
fi
if [ -f "$dir/cifrovex-editor.exe" ]; then
    [ -f "$menu/Редактор банка задач Cifrovex.lnk" ] && pass "the editor's shortcut" || fail "no shortcut for the editor"
fi

reg=$(wine reg query "$key" 2>/dev/null | tr -d '\r')
grep -q 'UninstallString.*uninstall.exe' <<<"$reg" && grep -q 'DisplayName.*Cifrovex' <<<"$reg" \
    && pass "the uninstaller is registered with Windows" || fail "no uninstall entry: $reg"

wine "$dir/uninstall.exe" /S || fail "the uninstaller: exit code $?"
wineserver -w
# NSIS runs the uninstaller from a copy in the temporary folder; wait for it to finish.
for _ in $(seq 50); do [ -e "$dir" ] || break; sleep 0.2; done
[ -e "$dir" ] && fail "left behind: $(ls -A "$dir" | tr '\n' ' ')"
[ -e "$lnk" ] && fail "the Start-menu shortcut is left behind"
wine reg query "$key" >/dev/null 2>&1 && fail "the uninstall entry is left behind"
[ "$failures" = 0 ] && pass "the uninstaller removed the files, the shortcut and the entry"

if [ "$failures" != 0 ]; then echo "$failures check(s) of the installer failed" >&2; exit 1; fi
echo "the installer under Wine: all checks passed"
