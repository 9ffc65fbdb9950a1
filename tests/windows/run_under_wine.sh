#!/bin/sh
# Runs a Windows program under Wine in a prefix of the build tree (Wine wants its path absolute):
#   run_under_wine.sh PREFIX PROGRAM.exe [ARGUMENT...]
#   run_under_wine.sh --ensure PREFIX    create the prefix unless it exists
#   run_under_wine.sh --fresh PREFIX     throw the prefix away and create it anew
#   run_under_wine.sh --serve PREFIX     start its wineserver to stay until --stop
#   run_under_wine.sh --stop PREFIX      stop the prefix's wineserver
# The prefix is created on first use (wineboot -i takes a while), under a lock, so that test
# discovery during the build and the tests themselves can share it. Wine's own diagnostics are
# silenced, and the Mono and Gecko installers are kept from asking anything.
set -eu

WINE=${QMR_WINE:-wine}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# Console programs need no display; an unreachable one would only slow Wine down.
unset DISPLAY WAYLAND_DISPLAY

prefix_complete() {
    test -f "$WINEPREFIX/system.reg" && test -f "$WINEPREFIX/drive_c/windows/system32/kernel32.dll"
}

# Under the prefix's lock. A half-made prefix of an interrupted start is no prefix: wineboot
# writes system.reg last.
ensure_prefix() {
    mkdir -p "$(dirname "$WINEPREFIX")"
    (
        flock 9
        if [ "${1:-}" = fresh ] && [ -d "$WINEPREFIX" ]; then
            wineserver -k 2>/dev/null || true
            rm -rf "$WINEPREFIX"
        fi
        # On a busy machine wineboot now and then leaves a prefix without its system files
        # (programs then fail with "could not load kernel32.dll"): such a prefix is made again.
        attempt=1
        while ! prefix_complete && [ $attempt -le 3 ]; do
            wineserver -k 2>/dev/null || true
            rm -rf "$WINEPREFIX"
            mkdir -p "$WINEPREFIX"
            "$WINE" wineboot -i >/dev/null 2>&1 || true
            wineserver -w || true
            attempt=$((attempt + 1))
        done
    ) 9>"$WINEPREFIX.lock"
    prefix_complete
}

case "${1:-}" in
--ensure)
    export WINEPREFIX="$(realpath -m "$2")"
    ensure_prefix
    ;;
--fresh)
    export WINEPREFIX="$(realpath -m "$2")"
    ensure_prefix fresh
    echo "fresh Wine prefix: $WINEPREFIX"
    ;;
--serve)
    # One wineserver for a whole test run: left to itself it exits a few seconds after each
    # program, and a program that starts while it is going away fails at once ("wine client
    # error: recvmsg: Connection reset by peer"). Its output is closed, or whoever started it
    # would wait for it.
    export WINEPREFIX="$(realpath -m "$2")"
    ensure_prefix
    wineserver -p </dev/null >/dev/null 2>&1
    ;;
--stop)
    export WINEPREFIX="$(realpath -m "$2")"
    if [ -d "$WINEPREFIX" ]; then
        wineserver -k 2>/dev/null || true
    fi
    ;;
*)
    export WINEPREFIX="$(realpath -m "$1")"
    shift
    ensure_prefix
    # The first program of a Wine session starts its service processes, which inherit its
    # output and keep it open for seconds after the program ends; whoever reads that output
    # (CTest, test discovery) would wait for them. So the program writes to files, and they are
    # passed on once it has ended.
    output=$(mktemp)
    errors=$(mktemp)
    trap 'rm -f "$output" "$errors"' EXIT
    status=0
    "$WINE" "$@" >"$output" 2>"$errors" || status=$?
    cat "$output"
    cat "$errors" >&2
    exit "$status"
    ;;
esac
