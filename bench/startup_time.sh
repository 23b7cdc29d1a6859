#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Time from starting the program to its main window being shown on a virtual screen, and its memory
# and CPU use while idle, with a sound server (a PulseAudio null sink) or, with --no-sound, without one.
# The window is seen by bench_window_shown, which watches the X server for the window's map, to the
# millisecond. Needs a built tree (make build), xvfb and pulseaudio.
#
#   bench/startup_time.sh [--no-sound] [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
sound=yes
if [[ ${1:-} == --no-sound ]]; then sound=no; shift; fi
runs=${1:-5}
cmake --build build --target bench_window_shown vantrel >/dev/null
source scripts/lib/session.sh
session_begin
session_xvfb
[[ $sound == yes ]] && session_pulse
export XDG_CACHE_HOME=$session_dir/cache

for run in $(seq "$runs"); do
  # To a file, not a pipe: the program, left running, keeps the tool's output open.
  build/bench/bench_window_shown Vantrel build/src/vantrel >"$session_dir/shown"
  read -r shown program < <(sed 's/shown_ms=//; s/pid=//' "$session_dir/shown")
  echo "run $run: main window shown after $shown ms"
  if [[ $run -eq $runs ]]; then
    # Idle: no quote server, no listening; the refresh still ticks every 3 s. The first seconds are left
    # out: the sound stream runs on for a few seconds after the start before it rests.
    sleep 5
    ticks0=$(awk '{print $14 + $15}' /proc/$program/stat)
    sleep 30
    ticks1=$(awk '{print $14 + $15}' /proc/$program/stat)
    hz=$(getconf CLK_TCK)
    echo "idle for 30 s: CPU $(awk -v t=$((ticks1 - ticks0)) -v hz="$hz" 'BEGIN{printf "%.2f", 100*t/hz/30}') %," \
         "resident memory $(awk '/VmRSS/{print $2, $3}' /proc/$program/status)"
  fi
  kill "$program"
  while kill -0 "$program" 2>/dev/null; do sleep 0.05; done
done
