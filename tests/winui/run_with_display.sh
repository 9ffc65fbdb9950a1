#!/bin/sh
# Runs a Windows program that makes windows under Wine, on a throw-away Xvfb screen at 96 dots
# per inch, in a prefix of its own (a prefix whose desktop started without a display cannot
# make windows):   run_with_display.sh RUNNER PREFIX PROGRAM.exe [ARGUMENT...]
set -eu
runner=$1
prefix=$(realpath -m "$2")
shift 2
"$runner" --ensure "$prefix"
status=0
WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
    xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" wine "$@" || status=$?
WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
exit "$status"
