#!/bin/sh
# Starts the real Korvan3389.exe under Wine with three stored hosts, waits
# for its window (found by class and Chinese caption), takes a screenshot of
# the X display, checks that a second copy is refused and a renamed copy is
# not, and ends the program.
#   smoke_test.sh WINE_RUN KORVAN_EXE DRIVER_EXE OUT_DIR
set -eu
run=$1 exe=$2 driver=$3 out=$4
rm -rf "$out"
mkdir -p "$out/app"
cp "$exe" "$out/app/Korvan3389.exe"
cp "$exe" "$out/app/Korvan3389 - copy.exe"
windows_dir="Z:$(echo "$out/app" | tr / '\\')"
"$run" "$driver" prepare "$windows_dir"

"$run" "$out/app/Korvan3389.exe" &
program=$!
cleanup() { "$run" "$driver" kill >/dev/null 2>&1 || true; wait "$program" 2>/dev/null || true; }
trap cleanup EXIT

"$run" "$driver" wait
import -window root "$out/korvan3389.png"
echo "screenshot: $out/korvan3389.png"
test -s "$out/korvan3389.png"

"$run" "$driver" second "$windows_dir\\Korvan3389.exe"
"$run" "$driver" renamed "$windows_dir\\Korvan3389 - copy.exe"
echo "second copy refused, renamed copy started"
