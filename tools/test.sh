#!/bin/bash
# Everything from a fresh Debian 12 machine to a full test run: the unit and
# end-to-end tests, the sanitizer builds and a bounded fuzzing run.
# ZIRTA_QUICK=1 skips the sanitizer and fuzzing stages.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/build.sh
ctest --test-dir build --output-on-failure -j2
if [ "${ZIRTA_QUICK:-0}" != 1 ]; then
  tools/sanitize.sh
  FUZZ_SECONDS=${FUZZ_SECONDS:-60} tools/fuzz.sh
fi
echo "all tests passed"
