#!/bin/bash
# Checks the Debian package of a release build: its files validate, lintian finds no error,
# and (as root) it installs with dpkg, the installed programs run from their installed paths,
# and dpkg -r leaves nothing of it behind. The machine is restored whatever fails.
#
#   tests/package/check_package.sh build/release
#
# Not root: the install part is skipped with a message; under CI=true that is a failure.
set -euo pipefail

build=${1:?usage: $0 <release build folder>}
here=$(cd "$(dirname "$0")" && pwd)
package_name=quillmere

fail() { echo "check_package: FAILED: $*" >&2; exit 1; }
step() { echo "check_package: $*"; }

shopt -s nullglob
debs=("$build"/${package_name}_*.deb)
[ ${#debs[@]} -eq 1 ] || fail "expected one ${package_name}_*.deb in $build, found ${#debs[@]}"
deb=${debs[0]}
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)

work=$(mktemp -d)
installed_by_us=0
cleanup() {
    if [ "$installed_by_us" = 1 ]; then
        dpkg -r "$package_name" >/dev/null 2>&1 || echo "check_package: dpkg -r failed" >&2
    fi
    rm -rf "$work"
}
trap cleanup EXIT

step "control fields of $deb"
dpkg-deb -f "$deb" Package Version Section Maintainer Depends Description >"$work/control"
cat "$work/control"
version=$(sed -n 's/^project(Quillmere VERSION \([0-9.]*\).*/\1/p' "$here/../../CMakeLists.txt")
grep -qx "Package: $package_name" "$work/control" || fail "package name"
grep -qx "Version: $version-1" "$work/control" || fail "version is not $version-1"
grep -qx "Section: net" "$work/control" || fail "section"
grep -q '^Maintainer: .*<.*@.*>' "$work/control" || fail "maintainer"
# dpkg-shlibdeps names the Qt and libnl libraries the programs and the provider link.
grep -q '^Depends: .*libqt6widgets6' "$work/control" || fail "Depends lacks Qt Widgets"
grep -q '^Depends: .*libnl-3-200' "$work/control" || fail "Depends lacks libnl"

step "the files where a Debian system expects them"
dpkg-deb -x "$deb" "$work/root"
for path in usr/bin/qmr usr/bin/qmr-report \
    "usr/lib/$multiarch/quillmere/libqmr-iphlpapi.so" \
    usr/share/quillmere/language.ini \
    usr/share/applications/org.quillmere.Quillmere.desktop \
    usr/share/metainfo/org.quillmere.Quillmere.metainfo.xml \
    usr/share/icons/hicolor/scalable/apps/org.quillmere.Quillmere.svg \
    usr/share/man/man1/qmr.1.gz usr/share/man/man1/qmr-report.1.gz \
    usr/share/doc/quillmere/copyright usr/share/doc/quillmere/changelog.Debian.gz; do
    [ -f "$work/root/$path" ] || fail "/$path is not in the package"
done
[ ! -e "$work/root/usr/bin/language.ini" ] || fail "language.ini lies in /usr/bin"
for page in qmr qmr-report; do
    LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$work/root/usr/share/man/man1/$page.1.gz" \
        >/dev/null 2>"$work/man.err"
    [ ! -s "$work/man.err" ] || { cat "$work/man.err" >&2; fail "man warns about $page.1"; }
done

validate() {
    local root=$1
    desktop-file-validate "$root/usr/share/applications/org.quillmere.Quillmere.desktop" \
        || fail "desktop-file-validate"
    appstreamcli validate --no-net \
        "$root/usr/share/metainfo/org.quillmere.Quillmere.metainfo.xml" || fail "appstreamcli"
}
step "desktop entry and AppStream metadata of the package"
validate "$work/root"

step "lintian"
# Errors fail; the warnings stay visible in the log.
lintian --fail-on error "$deb" || fail "lintian reports errors"

if [ "$(id -u)" != 0 ]; then
    [ "${CI:-}" != true ] || fail "installing the package needs root, and CI=true"
    step "SKIPPED installing the package: needs root (dpkg -i / dpkg -r)"
    exit 0
fi

if dpkg-query -W -f='${Status}' "$package_name" 2>/dev/null | grep -q 'ok installed'; then
    fail "$package_name is installed already; this check installs and removes it itself"
fi
step "dpkg -i"
installed_by_us=1
dpkg -i "$deb" || fail "dpkg -i"
validate ""

step "/usr/bin/qmr-report --expert"
env -u QMR_IPHELPER_LIBRARY LC_ALL=C.UTF-8 /usr/bin/qmr-report --expert >"$work/report" \
    || fail "qmr-report ended with $?"
head -20 "$work/report"
grep -q '^Network Interface:' "$work/report" || fail "no adapter report"
# The Russian texts come only from the installed /usr/share/quillmere/language.ini.
env -u QMR_IPHELPER_LIBRARY -u LC_ALL -u LC_MESSAGES LANG=ru_RU.UTF-8 /usr/bin/qmr-report \
    >"$work/report-ru" 2>"$work/report-ru.err" || fail "qmr-report in Russian ended with $?"
grep -q 'Тип адреса' "$work/report-ru" || fail "the installed language file was not read"
[ ! -s "$work/report-ru.err" ] || { cat "$work/report-ru.err" >&2; fail "qmr-report complained"; }

step "/usr/bin/qmr --help shows the usage box"
python3 "$here/installed_help_box.py" /usr/bin/qmr || fail "the window's usage box"

step "dpkg -r"
dpkg-deb -c "$deb" | awk '{print substr($0, index($0, "./") + 1)}' >"$work/paths"
installed_by_us=0
dpkg -r "$package_name" || fail "dpkg -r"
left=0
while read -r path; do
    path=${path%/}
    [ -n "$path" ] || continue
    # Folders the system owns stay; everything of ours, file or folder, must be gone.
    if [ -e "$path" ] && ! dpkg-query -S "$path" >/dev/null 2>&1; then
        echo "left behind: $path" >&2
        left=1
    fi
done <"$work/paths"
[ "$left" = 0 ] || fail "dpkg -r left files of the package"
status=$(dpkg-query -W -f='${Status}' "$package_name" 2>/dev/null || true)
case "$status" in
"" | *not-installed) ;;
*) fail "dpkg still lists $package_name: $status" ;;
esac
step "passed"
