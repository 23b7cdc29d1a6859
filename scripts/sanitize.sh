#!/usr/bin/env bash
# The unit and window tests, built with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-asan

cmake -S . -B "$build" -DVANTREL_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug > "$build.configure.log" \
  || { cat "$build.configure.log"; exit 1; }
cmake --build "$build" -j "$(nproc)" > "$build.build.log" || { tail -50 "$build.build.log"; exit 1; }
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
cd "$build" && ctest -L unit --output-on-failure -j "$(nproc)"
