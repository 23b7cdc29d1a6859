#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# One hour (or SECONDS) of the whole program at "5s" with moving rates and firing reminders, playing
# into a PulseAudio null sink; prints memory and CPU every minute. Needs a built tree (make build) and
# pulseaudio.
#
#   bench/soak.sh [SECONDS] [SAMPLE_SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-3600}
sample=${2:-60}
cmake --build build --target bench_soak vantrel-feed >/dev/null
source scripts/lib/session.sh
session_begin
session_pulse

# On the session's own socket, where the program asks.
build/tools/feed/vantrel-feed > "$session_dir/feed.out" &
session_track $!
for _ in $(seq 50); do grep -q serving "$session_dir/feed.out" 2>/dev/null && break; sleep 0.1; done

QT_QPA_PLATFORM=offscreen build/bench/bench_soak "$seconds" "$sample"
