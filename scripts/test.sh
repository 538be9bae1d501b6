#!/usr/bin/env bash
# Builds and runs every test: the normal build, then the same tests under AddressSanitizer and
# UndefinedBehaviorSanitizer, then the fuzzers for a bounded time. Installs what is missing first.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh test

jobs=$(nproc)
# A compiler cache, where the machine has one, makes a second run cheap; the builds never depend on it.
if command -v ccache >/dev/null && [ -z "${CMAKE_CXX_COMPILER_LAUNCHER:-}" ]; then
    export CMAKE_CXX_COMPILER_LAUNCHER=ccache
fi
export CTEST_OUTPUT_ON_FAILURE=1
# The tests expect the program's English unless they choose a language themselves.
unset LANGUAGE LC_ALL LC_MESSAGES
export LANG=C.UTF-8

echo "== catalogues"
scripts/update-translations.sh --check

echo "== build and test"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$jobs"
ctest --test-dir build -j "$jobs" --timeout 600

echo "== AddressSanitizer + UndefinedBehaviorSanitizer build and test"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCANDLEWATCHER_SANITIZE=ON -DCANDLEWATCHER_BENCH=OFF
cmake --build build-asan -j "$jobs"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp"
ctest --test-dir build-asan -j "$jobs" --timeout 900 -LE e2e
# The end-to-end tests start and stop the real program one at a time, each on its own X server.
ctest --test-dir build-asan --timeout 900 -L e2e
unset ASAN_OPTIONS UBSAN_OPTIONS LSAN_OPTIONS

echo "== fuzzing"
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCANDLEWATCHER_FUZZ=ON \
    -DCMAKE_CXX_COMPILER=clang++-14
cmake --build build-fuzz -j "$jobs"
ctest --test-dir build-fuzz -j "$jobs" --timeout 300
