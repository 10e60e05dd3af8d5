#!/usr/bin/env bash
# scripts/run's command line against a scripted Wine (wine and winepath replaced): only document names
# become Windows paths; the switches, and the printer, driver and port after "pt", pass as typed.
# A fresh prefix gets the file printer once. Argument: scripts/run.
set -u
run=$(realpath "$1")
fake=$(mktemp -d)
trap 'rm -rf "$fake"' EXIT
mkdir -p "$fake/bin" "$fake/build/wineprefix"
touch "$fake/build/wineprefix/.quorvel-ready" "$fake/build/wineprefix/.quorvel-printer"
printf '#!/usr/bin/env bash\ncase $1 in *file_printer.exe) printf "printer %%s|" "$WINEPREFIX" ;; esac\nshift; [ $# -eq 0 ] || printf "%%s|" "$@"\n' > "$fake/bin/wine"
printf '#!/usr/bin/env bash\npath=$(realpath -m -- "$2"); printf "Z:%%s\\n" "${path//\\//\\\\}"\n' > "$fake/bin/winepath"
# A loader that starts: the scripted Wine stands for the 32-bit one.
printf '#!/bin/sh\n' > "$fake/bin/loader"
chmod +x "$fake/bin"/*
cd "$fake"
w() { "$fake/bin/winepath" -w "$1"; }
failures=0
# case ARGUMENTS... = EXPECTED...: the words the editor gets.
case_() {
  local args=() expected="" got
  while [ "$1" != = ]; do args+=("$1"); shift; done
  shift
  for e in "$@"; do expected+="$e|"; done
  got=$(DISPLAY=:fake QUORVEL_NO_BUILD=1 QUORVEL_WINDOWS_BITS=32 QUORVEL_WINE32_LOADER=$fake/bin/loader QUORVEL_BUILD_DIR=$fake/build PATH="$fake/bin:$PATH" bash "$run" "${args[@]}" 2>&1)
  [ "$got" = "$expected" ] || { echo "FAILED: ${args[*]}: got $got, expected $expected"; failures=$((failures + 1)); }
}
case_ a.qvd "b c.qvd" = "$(w a.qvd)" "$(w "b c.qvd")"
case_ -p a.qvd = -p "$(w a.qvd)"
case_ -pt a.qvd "Print to File (PostScript)" wineps.drv FILE: = -pt "$(w a.qvd)" "Print to File (PostScript)" wineps.drv FILE:
case_ /pt a.qvd printer driver port = /pt "$(w a.qvd)" printer driver port
case_ -PT a.qvd printer = -PT a.qvd printer
case_ /Embedding a.qvd = /Embedding a.qvd
case_ "$fake/a.qvd" -p = "$(w "$fake/a.qvd")" "$(w -p)"
# A prefix without the printer gets it once, through the file printer of the build that runs here.
rm "$fake/build/wineprefix/.quorvel-printer"
case_ a.qvd = "printer $fake/build/wineprefix" "$(w a.qvd)"
case_ a.qvd = "$(w a.qvd)"
# The README's command for another prefix: the same printer program, through the loader that starts.
mkdir -p "$fake/other" && touch "$fake/other/.quorvel-ready"
got=$(QUORVEL_NO_BUILD=1 QUORVEL_WINDOWS_BITS=32 QUORVEL_WINE32_LOADER=$fake/bin/loader QUORVEL_BUILD_DIR=$fake/build PATH="$fake/bin:$PATH" bash "$(dirname "$run")/add-printer" "$fake/other" 2>&1)
[ "$got" = "printer $fake/other|" ] || { echo "FAILED: add-printer: got $got"; failures=$((failures + 1)); }
[ $failures = 0 ] && echo "every case as expected" || { echo "$failures cases failed"; exit 1; }
