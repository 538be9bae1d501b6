#!/usr/bin/env bash
# Installs what building and running need, builds the program alone (no tests, no benchmarks) and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh run
cmake -S . -B build-app -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCANDLEWATCHER_TESTS=OFF \
    -DCANDLEWATCHER_BENCH=OFF
cmake --build build-app -j "$(nproc)" --target candlewatcher
exec build-app/app/candlewatcher "$@"
