#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The unit and window tests, built with clang, AddressSanitizer and UndefinedBehaviorSanitizer (the
# "sanitize" preset: build-asan/, only what those tests and the fuzz targets of scripts/fuzz.sh need).
set -euo pipefail
cd "$(dirname "$0")/.."

source scripts/lib/configure.sh
configure_preset sanitize build-asan
cmake --build --preset sanitize -j "$(nproc)" > build-asan.build.log || { tail -50 build-asan.build.log; exit 1; }
ctest --preset sanitize -j "$(nproc)"
