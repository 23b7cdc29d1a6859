#!/usr/bin/env bash
# Time from starting the program to its main window being shown on a virtual screen, and its memory
# and CPU use while idle, with a sound server (a PulseAudio null sink) or, with --no-sound, without one.
# Needs a built tree (make build), xvfb, xdotool and pulseaudio.
#
#   bench/startup_time.sh [--no-sound] [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
sound=yes
if [[ ${1:-} == --no-sound ]]; then sound=no; shift; fi
runs=${1:-5}
source scripts/lib/session.sh
session_begin
session_xvfb
[[ $sound == yes ]] && session_pulse
export XDG_CACHE_HOME=$session_dir/cache

for run in $(seq "$runs"); do
  start=$(date +%s%N)
  build/src/vantrel &
  program=$!
  xdotool search --sync --onlyvisible --name '^Vantrel$' >/dev/null
  end=$(date +%s%N)
  echo "run $run: main window shown after $(( (end - start) / 1000000 )) ms"
  if [[ $run -eq $runs ]]; then
    # Idle: no quote server, no listening; the refresh still ticks every 3 s.
    sleep 5
    ticks0=$(awk '{print $14 + $15}' /proc/$program/stat)
    sleep 30
    ticks1=$(awk '{print $14 + $15}' /proc/$program/stat)
    hz=$(getconf CLK_TCK)
    echo "idle for 30 s: CPU $(awk -v t=$((ticks1 - ticks0)) -v hz="$hz" 'BEGIN{printf "%.2f", 100*t/hz/30}') %," \
         "resident memory $(awk '/VmRSS/{print $2, $3}' /proc/$program/status)"
  fi
  kill "$program"; wait "$program" 2>/dev/null || true
done
