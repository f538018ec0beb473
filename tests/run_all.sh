#!/usr/bin/env bash
# Builds and runs every check: the sanitizer build's test suite, then the
# cross build of horalux.exe against the real Windows SDK.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)

cmake --preset debug
cmake --build --preset debug -j "$jobs"
ctest --preset debug -j "$jobs"

cmake --preset windows
cmake --build --preset windows -j "$jobs"
echo "horalux.exe: $(pwd)/build/windows/src/horalux.exe"
