#!/usr/bin/env bash
# CTest's emulator for the Windows build: runs one Windows program under Wine
# in the build folder's own prefix, on a virtual display when there is none.
#   wine-run.sh --prefix DIR program.exe [args...]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"
prefix=
if [ "${1:-}" = --prefix ]; then prefix=$2; shift 2; fi
: "${prefix:=${WINEPREFIX:-$HOME/.wine-pinwell}}"
ensure_wineprefix "$prefix"
export WINEPREFIX=$prefix
run_on_display wine "$@"
