#!/usr/bin/env bash
# Builds the fuzz targets with clang in their own build tree and runs the
# protocol fuzzer for a bounded time from the committed seeds. Fails on any
# crash, leak, sanitizer report or write outside the fuzzer's folder.
#   run_fuzz.sh <source dir> <build dir> <seconds>
set -euo pipefail
# Absolute, since the fuzzer works inside its own temporary folder.
source_dir=$(realpath "$1")
build_dir=$(realpath -m "$2")
seconds=${3:-60}
# A memory file system where there is one: the runs are file work.
if [[ -d /dev/shm && -w /dev/shm ]]; then export TMPDIR=/dev/shm; fi

clangxx=$(command -v clang++ || command -v clang++-14 || true)
if [[ -z "$clangxx" ]]; then
  echo "clang++ is not installed: the fuzzer cannot be built" >&2
  exit 77
fi

cmake -S "$source_dir" -B "$build_dir" -DCMAKE_CXX_COMPILER="$clangxx" -DCMAKE_BUILD_TYPE=Debug \
  -DHORALUX_SANITIZE=ON -DHORALUX_FUZZ=ON -DHORALUX_TESTS=OFF -DHORALUX_BENCH=OFF >/dev/null
cmake --build "$build_dir" --target protocol_fuzz -j2

# The corpus grows in the build tree; the committed seeds stay as they are.
corpus="$build_dir/protocol-corpus"
artifacts="$build_dir/protocol-artifacts"
mkdir -p "$corpus" "$artifacts"
"$build_dir/tests/fuzz/protocol_fuzz" -max_total_time="$seconds" -max_len=8192 -timeout=10 -rss_limit_mb=2048 \
  -print_final_stats=1 -artifact_prefix="$artifacts/" "$corpus" "$source_dir/tests/fuzz/corpus"
