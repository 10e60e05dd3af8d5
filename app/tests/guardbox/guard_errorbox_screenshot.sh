#!/usr/bin/env bash
# Runs the error-box test program, takes a screenshot of its error box through the X server once
# the program reports the box shown, checks the picture, and expects the program to end with 0.
set -u
program=$1
out=${2:-.}
mkdir -p "$out" && cd "$out" || exit 1
rm -f box-shown.txt box-captured.txt guard-errorbox.png
"$(dirname "$0")/../../../scripts/wine-exec" "$program" &
pid=$!
caption="Quorvel UML Editor: Unhandled Exception Error"
for _ in $(seq 300); do [ -f box-shown.txt ] && break; sleep 0.1; done
[ -f box-shown.txt ] || { echo "the program never reported its box"; kill $pid; exit 1; }
id=$(xdotool search --name "^${caption}\$" | head -1)
[ -n "$id" ] || { echo "no X window captioned \"$caption\""; kill $pid; exit 1; }
import -window "$id" guard-errorbox.png || { echo "screenshot failed"; kill $pid; exit 1; }
touch box-captured.txt
wait $pid
status=$?
[ "$status" -eq 0 ] || { echo "the program ended with $status"; exit 1; }
# A drawn box has text (grey edges), an icon and a button: hundreds of colours.
colours=$(convert guard-errorbox.png -format %k info:)
size=$(identify -format "%wx%h" guard-errorbox.png)
echo "screenshot guard-errorbox.png: $size, $colours colours"
[ "$colours" -gt 200 ] || { echo "the screenshot looks empty"; exit 1; }
