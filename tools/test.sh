#!/bin/bash
# Everything from a fresh Debian 12 machine to a full test run.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/build.sh
ctest --test-dir build --output-on-failure -j2
