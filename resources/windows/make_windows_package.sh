#!/usr/bin/env bash
# Makes the Windows packages from a release build of the Windows programs:
#   OUT/quillmere-VERSION-win64.zip  (a folder to unpack anywhere)
#   OUT/quillmere-VERSION-win64.msi  (wixl, from resources/windows/quillmere.wxs)
# Usage: make_windows_package.sh BUILD_DIR OUT_DIR [VERSION]
# VERSION defaults to the project's one version; another is for testing upgrades.
set -euo pipefail
build=$1
out=$2
src=$(cd "$(dirname "$0")/../.." && pwd)
version=${3:-$(sed -n 's/^project(Quillmere VERSION \([0-9.]*\).*/\1/p' "$src/CMakeLists.txt")}
name=quillmere-$version-win64

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir "$stage/$name"
files="$stage/$name"
cp "$build/bin/qmr.exe" "$build/bin/qmr-report.exe" "$files/"
x86_64-w64-mingw32-strip --strip-all "$files"/*.exe
cp "$src/resources/language.ini" "$files/"
# Windows readers expect CR LF.
sed 's/$/\r/' > "$files/README.txt" <<TEXT
Quillmere $version for 64-bit Windows

qmr.exe         the window: the network adapters of this machine, with a live report of
                the selected one, refreshed once a second. qmr.exe -u starts it in the
                notification area; qmr.exe --help shows the usage.
qmr-report.exe  the same report on the command line (--expert, --json, --physical,
                --adapter NAME).
language.ini    the texts in every language; qmr.exe offers them in its menu.

Unpacked from the zip, the programs run from wherever the folder lies. The window keeps its
choices in the registry (HKCU\\Software\\Quillmere\\Quillmere), or in a quillmere.ini beside
qmr.exe when that file exists, so a portable copy leaves the registry alone.
TEXT
sed 's/$/\r/' "$src/resources/debian/copyright" > "$files/LICENSE.txt"

mkdir -p "$out"
out=$(cd "$out" && pwd)
rm -f "$out/$name.zip" "$out/$name.msi"
(cd "$stage" && zip -q -X -r "$out/$name.zip" "$name")

# The icon of the Apps & features entry, from the program's own picture.
convert -background none "$src/resources/icons/quillmere.svg" \
    -define icon:auto-resize=256,48,32,16 "$stage/quillmere.ico"
# wixl takes the files' sources relative to the folder it runs in.
cp "$src/resources/windows/quillmere.wxs" "$stage/"
(cd "$stage" && wixl --arch x64 -D "Version=$version" -D "StageDir=$name" -D "IconDir=." \
    -o "$out/$name.msi" quillmere.wxs)
echo "$out/$name.zip"
echo "$out/$name.msi"
