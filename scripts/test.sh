#!/usr/bin/env bash
# Builds everything and runs every test, then runs them all again under AddressSanitizer and
# UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-dependencies.sh
jobs=$(nproc)

cmake -S . -B build-tests -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTOVRAN_MANPAGES=ON >/dev/null
cmake --build build-tests -j "$jobs"
# The Windows program under Wine has a command of its own (scripts/windows.sh --test).
ctest --test-dir build-tests --output-on-failure -j "$jobs" -LE windows

cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTOVRAN_SANITIZE=ON >/dev/null
cmake --build build-sanitize -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build-sanitize --output-on-failure -j "$jobs"
