#!/bin/bash
# Installs what is missing, configures and builds into build/.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install_deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build build -j"$(nproc)"
