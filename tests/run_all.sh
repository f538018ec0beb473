#!/usr/bin/env bash
# Builds and runs every check: the cross build of horalux.exe and of the
# driver for the Wine checks first, then the sanitizer build and its test
# suite, which includes the scenarios of horalux.exe under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)

cmake --preset windows
cmake --build --preset windows -j "$jobs"
echo "horalux.exe: $(pwd)/build/windows/src/horalux.exe"

cmake --preset debug
cmake --build --preset debug -j "$jobs"
ctest --preset debug -j "$jobs"
