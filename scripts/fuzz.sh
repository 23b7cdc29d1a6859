#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A short libFuzzer run over the page reading, the numeric value of a text, the quote server's
# reading of request heads and its reading of what its sources answer, starting from the seed corpus in tests/fuzz/corpus. Findings stop the run
# with the crashing input in build-fuzz/.
#
#   scripts/fuzz.sh [SECONDS_PER_TARGET]     (default 15)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-15}
build=build-fuzz

cmake --preset fuzz > "$build.configure.log" || { cat "$build.configure.log"; exit 1; }
cmake --build --preset fuzz -j "$(nproc)" > "$build.build.log" || { tail -50 "$build.build.log"; exit 1; }

# target and the folder of its seed inputs
for run in quote_page:page numeric_value:numeric request_head:request source_readers:sources; do
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
