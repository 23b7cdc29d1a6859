#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The unit and window tests, built with AddressSanitizer and UndefinedBehaviorSanitizer (the "sanitize"
# preset: build-asan/, only what those tests need).
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset sanitize > build-asan.configure.log || { cat build-asan.configure.log; exit 1; }
cmake --build --preset sanitize -j "$(nproc)" > build-asan.build.log || { tail -50 build-asan.build.log; exit 1; }
ctest --preset sanitize -j "$(nproc)"
