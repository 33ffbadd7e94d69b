#!/usr/bin/env bash
# Prints the long options a program lists in its --help, one a line: those at the start of an
# indented line, and a second one on the same line ("--cert FILE --key FILE").
set -euo pipefail
QT_QPA_PLATFORM=offscreen "$1" --help |
  grep -E '^ +(-[a-zA-Z], )?--[a-z]' |
  sed -E 's/^ +(-[a-zA-Z], )?//; s/  .*//' |
  grep -oE -- '--[a-z][a-z0-9-]*' |
  sort -u
