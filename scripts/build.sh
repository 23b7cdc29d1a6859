#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Configures and builds the normal tree (the "default" preset: build/, RelWithDebInfo): the program,
# vantrel-feed, the clips and the icon, the tests and the benchmarks.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/configure.sh
configure_preset default build
cmake --build --preset default -j "$(nproc)"
