#!/usr/bin/env bash
# One hour (or SECONDS) of the whole program at "5s" with moving rates and firing reminders, playing
# into a PulseAudio null sink; prints memory and CPU every minute. Needs a built tree (make build) and
# pulseaudio.
#
#   bench/soak.sh [SECONDS] [SAMPLE_SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-3600}
sample=${2:-60}

runtime=$(mktemp -d)
chmod 700 "$runtime"
pids=()
cleanup() { for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; rm -rf "$runtime"; }
trap cleanup EXIT

cat > "$runtime/pa.conf" <<CONF
load-module module-null-sink sink_name=rec rate=48000 channels=2
load-module module-native-protocol-unix auth-anonymous=1 socket=$runtime/pulse/native
set-default-sink rec
CONF
mkdir -p "$runtime/pulse"
XDG_RUNTIME_DIR=$runtime pulseaudio -n -F "$runtime/pa.conf" --exit-idle-time=-1 --disallow-exit \
  --log-target=file:"$runtime/pulse.log" &
pids+=($!)
for _ in $(seq 50); do [[ -S "$runtime/pulse/native" ]] && break; sleep 0.1; done

build/tools/feed/vantrel-feed --port 0 > "$runtime/feed.out" &
pids+=($!)
for _ in $(seq 50); do grep -q serving "$runtime/feed.out" 2>/dev/null && break; sleep 0.1; done
url=$(sed -n 's/^vantrel-feed: serving //p' "$runtime/feed.out")

XDG_RUNTIME_DIR=$runtime PULSE_SERVER=unix:$runtime/pulse/native QT_QPA_PLATFORM=offscreen \
  build/bench/bench_soak "$seconds" "$sample" "$url"
