#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A short libFuzzer run over the page reading, the numeric value of a text, the quote server's
# reading of request heads and its reading of what its sources answer, starting from the seed corpus in
# tests/fuzz/corpus. The targets live in the sanitizer tree (the "sanitize" preset: build-asan/, clang);
# built there already by scripts/sanitize.sh, they are not built again. Findings stop the run with the
# crashing input in build-asan/.
#
#   scripts/fuzz.sh [SECONDS_PER_TARGET]     (default 10)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-10}
build=build-asan
# target and the folder of its seed inputs
targets=(quote_page:page numeric_value:numeric request_head:request source_readers:sources)
executables=()
for run in "${targets[@]}"; do executables+=("fuzz_${run%%:*}"); done

source scripts/lib/configure.sh
[[ -f $build/build.ninja ]] || configure_preset sanitize "$build"
cmake --build --preset sanitize -j "$(nproc)" --target "${executables[@]}" \
  > "$build.fuzz-build.log" 2>&1 || { tail -50 "$build.fuzz-build.log"; exit 1; }

for run in "${targets[@]}"; do
  target=${run%%:*}
  seeds=tests/fuzz/corpus/${run##*:}
  mkdir -p "$build/corpus/$target"
  echo "fuzz: $target for ${seconds}s"
  (cd "$build" && "./tests/fuzz/fuzz_$target" -max_total_time="$seconds" -max_len=65536 -timeout=10 \
     -print_final_stats=1 "corpus/$target" "../$seeds" 2> "fuzz_$target.log") \
    || { tail -40 "$build/fuzz_$target.log"; echo "fuzz: $target FAILED"; exit 1; }
  grep -E 'stat::number_of_executed_units|stat::peak_rss_mb' "$build/fuzz_$target.log" | sed "s/^/fuzz: $target /"
done
echo "fuzz: no crash, leak or undefined behaviour found"
