#!/usr/bin/env bash
# Checks the Windows packages of `make windows-package` under Wine, in a prefix of its own:
#   check_windows_package.sh OUT_DIR BUILD_DIR
# The zip and the MSI hold exactly the programs, language.ini and the texts, without debug
# sections or build-tree paths; msiexec installs the MSI per machine with its shortcut and
# Apps & features entry, the installed qmr-report.exe reads the adapters, a higher version
# replaces the older one, and msiexec /x leaves nothing behind; the zip runs from a folder whose
# path has spaces and letters beyond ASCII.
set -euo pipefail
out=$(cd "$1" && pwd)
build=$(cd "$2" && pwd)
src=$(cd "$(dirname "$0")/../.." && pwd)
version=$(sed -n 's/^project(Quillmere VERSION \([0-9.]*\).*/\1/p' "$src/CMakeLists.txt")
name=quillmere-$version-win64
zip=$out/$name.zip
msi=$out/$name.msi
msiversion=$(msiinfo export "$msi" Property 2>/dev/null | tr -d '\r' | awk '$1 == "ProductVersion" {print $2}')
[ "$msiversion" = "$version" ] || { echo "FAIL: the MSI's ProductVersion is '$msiversion', not $version"; exit 1; }
passes=0 failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; passes=$((passes + 1)); }

work=$(mktemp -d)
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
cleanup() { wineserver -k 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT
"$src/tests/windows/run_under_wine.sh" --fresh "$WINEPREFIX"

# What each file holds.
expected="LICENSE.txt README.txt language.ini qmr-report.exe qmr.exe"
listed=$(unzip -Z1 "$zip" | grep -v '/$' | sed "s|^$name/||" | sort | tr '\n' ' ' | sed 's/ $//')
[ "$listed" = "$expected" ] && pass "zip holds $listed" || fail "zip holds '$listed'"
listed=$(msiextract -l "$msi" 2>/dev/null | sed 's|^Quillmere/||' | sort | tr '\n' ' ' | sed 's/ $//')
[ "$listed" = "$expected" ] && pass "msi holds $listed" || fail "msi holds '$listed'"
mkdir "$work/x" && (cd "$work/x" && unzip -q "$zip")
for exe in qmr.exe qmr-report.exe; do
    f=$work/x/$name/$exe
    if x86_64-w64-mingw32-objdump -h "$f" | grep -q '\.debug'; then fail "$exe has debug sections"; else pass "$exe has no debug sections"; fi
    if grep -aq -e "$build" -e "$src" "$f"; then fail "$exe names a build-tree path"; else pass "$exe names no build-tree path"; fi
    if strings -el "$f" | grep -qx "$version"; then pass "$exe carries version $version"; else fail "$exe's version resource lacks $version"; fi
    dlls=$(x86_64-w64-mingw32-objdump -p "$f" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u | tr '\n' ' ')
    if echo "$dlls" | grep -qE 'libstdc|libgcc|libwinpthread|qt6'; then fail "$exe imports $dlls"; else pass "$exe imports system DLLs only: $dlls"; fi
done

drive=$WINEPREFIX/drive_c
installed="$drive/Program Files/Quillmere"
# Windows puts a per-machine shortcut in every user's Start menu; Wine's msiexec puts it in the
# installing user's, so either is taken (and named).
find_shortcut() {
    for menu in "$drive/ProgramData/Microsoft/Windows/Start Menu/Programs" \
        "$drive/users/$(id -un)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs"; do
        [ -f "$menu/Quillmere.lnk" ] && echo "$menu/Quillmere.lnk" && return
    done
    true
}
uninstall_entries() {
    wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null |
        tr -d '\r' | grep -A12 -i 'DisplayName.*Quillmere' | grep -i 'DisplayVersion' |
        awk '{print $NF}' | sort | tr '\n' ' ' | sed 's/ $//'
}

# Install.
if wine msiexec /i "$(winepath -w "$msi")" /qn; then pass "msiexec /i exits 0"; else fail "msiexec /i failed"; fi
wineserver -w
for f in qmr.exe qmr-report.exe language.ini README.txt LICENSE.txt; do
    [ -f "$installed/$f" ] || fail "not installed: $f"
done
shortcut=$(find_shortcut)
[ -n "$shortcut" ] && pass "Start-menu shortcut: ${shortcut#"$drive"/}" || fail "no Start-menu shortcut"
entries=$(uninstall_entries)
[ "$entries" = "$version" ] && pass "Apps & features: Quillmere $entries" || fail "uninstall entries '$entries'"
report=$(wine "$installed/qmr-report.exe" 2>/dev/null | tr -d '\r' || true)
links=$(ip -j link | python3 -c 'import json,sys; print(" ".join(l["ifname"] for l in json.load(sys.stdin) if l["ifname"] != "lo"))')
missing=""
for link in $links; do
    grep -q "$link" <<<"$report" || missing="$missing $link"
done
[ -z "$missing" ] && pass "installed qmr-report.exe lists $links" ||
    fail "installed qmr-report.exe does not list$missing"

# A higher version replaces the older one: one entry, the new version.
newer=$(echo "$version" | awk -F. '{printf "%d.%d.%d.%d", $1, $2, $3 + 1, 0}')
"$src/resources/windows/make_windows_package.sh" "$build" "$work/newer" "$newer" >/dev/null 2>&1 ||
    fail "no package of version $newer"
newmsi=$work/newer/quillmere-$newer-win64.msi
wine msiexec /i "$(winepath -w "$newmsi")" /qn || fail "msiexec /i of $newer failed"
wineserver -w
entries=$(uninstall_entries)
[ "$entries" = "$newer" ] && pass "upgrade leaves one entry: $entries" || fail "after the upgrade: '$entries'"

# Uninstall leaves nothing.
wine msiexec /x "$(winepath -w "$newmsi")" /qn || fail "msiexec /x failed"
wineserver -w
[ ! -e "$installed" ] && pass "folder removed" || fail "left behind: $(ls "$installed")"
[ -z "$(find_shortcut)" ] && pass "shortcut removed" || fail "shortcut left behind"
[ -z "$(uninstall_entries)" ] && pass "uninstall entry removed" || fail "entry left: $(uninstall_entries)"

# The zip runs from wherever it is unpacked.
odd="$drive/Quillmere Prüfung ñ 日本"
mkdir -p "$odd" && (cd "$odd" && unzip -q "$zip")
if wine "$odd/$name/qmr-report.exe" 2>/dev/null | tr -d '\r' | grep -q "Network Interface:"; then
    pass "qmr-report.exe runs from '$odd'"
else
    fail "qmr-report.exe from the unpacked zip printed no report"
fi

echo "windows-package: $passes passed, $failures failed"
[ "$failures" -eq 0 ]
