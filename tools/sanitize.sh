#!/bin/bash
# Sanitizer builds: AddressSanitizer with UndefinedBehaviorSanitizer over the
# unit tests and end-to-end runs of the program; ThreadSanitizer over the
# catalogue lock and the thumbnail worker.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install_deps.sh

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DZIRTA_SANITIZE=address >/dev/null
cmake --build build-asan -j"$(nproc)"
# GTK, fontconfig and WebKit keep process-lifetime allocations that leak
# checking would report; the program's own code is what is checked here.
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ASAN_OPTIONS=detect_leaks=1 build-asan/tests/unit_tests --gtest_brief=1
ASAN_OPTIONS=detect_leaks=0 ctest --test-dir build-asan --output-on-failure \
  -R 'e2e\.(test_startup|test_channel|test_thumbnails|test_download)$'

cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DZIRTA_SANITIZE=thread >/dev/null
cmake --build build-tsan -j"$(nproc)" --target unit_tests
TSAN_OPTIONS=halt_on_error=1 build-tsan/tests/unit_tests --gtest_brief=1 \
  --gtest_filter='WorkerPasses.*:WorkerStartRule.*:CatalogueFill.*'
echo "sanitizer runs passed"
