#!/usr/bin/env bash
# The Windows packages from a Windows build folder: cifrovex-<version>-win64.zip (the programs,
# data.cvx, ПРОЧТИ.txt) and the NSIS installer cifrovex-<version>-setup.exe, both in the build
# folder. The teacher's bank editor cifrovex-editor.exe goes in too when the build made it.
# Usage: scripts/windows-package.sh BUILD_FOLDER
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="$(cd "$1" && pwd)"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$BUILD/CMakeCache.txt")
[ -n "$version" ] || { echo "no project version in $BUILD/CMakeCache.txt" >&2; exit 1; }
name="cifrovex-$version-win64"
work="$BUILD/package"
stage="$work/$name"
rm -rf "$work" && mkdir -p "$stage"

programs=(cifrovex.exe tools/cifrovex-bank.exe)
editor=
for f in cifrovex-editor.exe editor/cifrovex-editor.exe tools/cifrovex-editor.exe; do
    [ -f "$BUILD/$f" ] && { editor=$f; programs+=("$f"); break; }
done
for f in "${programs[@]}"; do
    # Symbols stay in the build folder's copies.
    x86_64-w64-mingw32-strip -o "$stage/$(basename "$f")" "$BUILD/$f"
done
cp "$BUILD/data.cvx" "$stage/"
editor_text=
if [ -n "$editor" ]; then
    # Qt's own texts in the editor (file dialogs, buttons) in Russian: the editor loads Qt's
    # translations from this folder beside it. The .qm files are the same on every system;
    # Debian's qt6-translations-l10n has them for the same Qt version.
    qm=/usr/share/qt6/translations/qtbase_ru.qm
    [ -f "$qm" ] || { echo "$qm is missing: install qt6-translations-l10n" >&2; exit 1; }
    mkdir -p "$stage/translations"
    cp "$qm" "$stage/translations/"
fi
if [ -n "$editor" ]; then
    editor_text=$'\nБанк можно править и в окне: меню «Пуск» → «Редактор банка задач Cifrovex»\n(cifrovex-editor.exe).'
fi
# Notepad reads UTF-8 with a byte-order mark on every Windows version; lines end in CR LF.
{
    printf '\xef\xbb\xbf'
    sed -e "s/@VERSION@/$version/" "$ROOT/packaging/windows/ПРОЧТИ.txt" \
        | awk -v ed="$editor_text" '{ if ($0 == "@EDITOR@") { if (ed != "") print substr(ed, 2) } else print }' \
        | sed 's/$/\r/'
} >"$stage/ПРОЧТИ.txt"
cp "$ROOT/packaging/windows/cifrovex.ico" "$work/"

# The zip marks its names as UTF-8 (Info-ZIP's zip does not), so ПРОЧТИ.txt keeps its name.
zip="$BUILD/$name.zip"
rm -f "$zip"
python3 - "$stage" "$zip" <<'PY'
import os, sys, zipfile
stage, out = sys.argv[1], sys.argv[2]
top = os.path.basename(stage)
with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as z:
    for folder, _, files in sorted(os.walk(stage)):
        for name in sorted(files):
            path = os.path.join(folder, name)
            z.write(path, f"{top}/{os.path.relpath(path, stage)}")
PY

setup="$BUILD/cifrovex-$version-setup.exe"
size_kb=$(du -sk "$stage" | cut -f1)
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DSTAGE="$stage" -DOUTFILE="$setup" -DSIZE_KB="$size_kb" \
    "$ROOT/packaging/windows/cifrovex.nsi"

echo "Zip:       $zip ($(du -h "$zip" | cut -f1))"
echo "Installer: $setup ($(du -h "$setup" | cut -f1))"
