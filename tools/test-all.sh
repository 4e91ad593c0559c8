#!/usr/bin/env bash
# Installs what is missing, builds both presets and runs every test:
# the portable core natively (with sanitizers), then the Windows build
# under Wine (core tests again, window tests, end-to-end runs of Pinwell.exe).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
. tools/wine-env.sh

cmake --preset native
cmake --build --preset native
ctest --preset native

cmake --preset windows
cmake --build --preset windows
ensure_wineprefix "$PWD/build/windows/wineprefix"
# One virtual display for the whole Windows run (when there is none).
run_on_display ctest --preset windows
