#!/usr/bin/env bash
# Builds the test suite with AddressSanitizer and UndefinedBehaviorSanitizer and runs it headless.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset asan >/dev/null
cmake --build build-asan
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=0
export UBSAN_OPTIONS=print_stacktrace=1
ctest --test-dir build-asan --output-on-failure --timeout 300
# Work shared between threads, again under ThreadSanitizer (it cannot share a build with ASan).
cmake --preset tsan >/dev/null
cmake --build build-tsan --target tst_listintake
TSAN_OPTIONS="suppressions=$PWD/tests/tsan.supp halt_on_error=1" ./build-tsan/bin/tst_listintake
