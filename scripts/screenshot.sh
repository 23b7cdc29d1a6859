#!/usr/bin/env bash
# Takes docs/screenshot.png: Vantrel and its rate views on a virtual screen, fed by vantrel-feed.
# Needs xvfb, imagemagick and a window manager for the title bars (apt-get install xvfb imagemagick openbox).
set -euo pipefail
build_dir=${1:-build}
out=${2:-docs/screenshot.png}

runtime=$(mktemp -d)
pids=()
cleanup() { for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; rm -rf "$runtime"; }
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 800x470x24 -nolisten tcp 3>"$runtime/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 50); do [[ -s "$runtime/display" ]] && break; sleep 0.1; done
export DISPLAY=:$(cat "$runtime/display") XDG_RUNTIME_DIR=$runtime XDG_CACHE_HOME=$runtime/cache
if command -v openbox >/dev/null; then
  openbox >/dev/null 2>&1 &
  pids+=($!)
  sleep 0.5
fi

"$build_dir/tools/feed/vantrel-feed" --port 8755 --seed 1 >/dev/null &
pids+=($!)
"$build_dir/src/vantrel" &
pids+=($!)
# Two refresh ticks, so the grids are filled.
sleep 8
import -window root "$out"
echo "wrote $out"
