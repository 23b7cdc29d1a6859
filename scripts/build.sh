#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Configures and builds the normal tree (the "default" preset: build/, RelWithDebInfo): the program,
# vantrel-feed, the clips and the icon, the tests and the benchmarks.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset default > build.configure.log || { cat build.configure.log; exit 1; }
cmake --build --preset default -j "$(nproc)"
