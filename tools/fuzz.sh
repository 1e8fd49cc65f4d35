#!/bin/bash
# Builds the libFuzzer harnesses with clang and runs each for a bounded time
# (FUZZ_SECONDS, default 60) over the committed seed corpus. Findings are
# written to build-fuzz/findings/ and fail the run. The catalogue harness
# works in a scratch directory of its own, so every path here is absolute.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
tools/install_deps.sh
seconds=${FUZZ_SECONDS:-60}
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZIRTA_FUZZ=ON -DZIRTA_BUILD_TESTS=OFF >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target FuzzCatalogue FuzzJpeg
mkdir -p build-fuzz/findings
for harness in FuzzCatalogue FuzzJpeg; do
  corpus=$root/tests/fuzz/corpus/$( [ $harness = FuzzJpeg ] && echo jpeg || echo catalogue )
  work=$root/build-fuzz/corpus-$harness
  mkdir -p "$work"
  echo "fuzzing $harness for ${seconds}s"
  ASAN_OPTIONS=detect_leaks=1 build-fuzz/fuzz/$harness -max_total_time="$seconds" \
    -rss_limit_mb=2048 -max_len=262144 -artifact_prefix=$root/build-fuzz/findings/$harness- \
    -print_final_stats=1 "$work" "$corpus" 2>&1 | tail -n 12
done
