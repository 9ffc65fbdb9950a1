#!/bin/sh
# Makes one icon of several sizes from an SVG picture, so that Windows picks a sharp one at
# every scale:   svg_to_ico.sh SOURCE.svg TARGET.ico SIZE...
set -eu
source=$1
target=$2
shift 2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for size in "$@"; do
    rsvg-convert -w "$size" -h "$size" -o "$work/$size.png" "$source"
done
icotool -c -o "$target" $(for size in "$@"; do echo "$work/$size.png"; done)
