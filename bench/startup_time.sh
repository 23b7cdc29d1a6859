#!/usr/bin/env bash
# Time from starting the program to its main window being shown on a virtual screen, and its memory
# and CPU use while idle. Needs a built tree (make build), xvfb and xdotool.
#
#   bench/startup_time.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
runtime=$(mktemp -d)
chmod 700 "$runtime"
pids=()
cleanup() { for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; rm -rf "$runtime"; }
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$runtime/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 50); do [[ -s "$runtime/display" ]] && break; sleep 0.1; done
export DISPLAY=:$(cat "$runtime/display") XDG_RUNTIME_DIR=$runtime XDG_CACHE_HOME=$runtime/cache

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
