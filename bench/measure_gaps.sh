#!/usr/bin/env bash
# Gaps between clips as they are heard: plays reading passes through the real main window and audio engine
# into a PulseAudio null sink of its own, records the sink, and checks the recording clip by clip.
#
# usage: bench/measure_gaps.sh [RUNS [PAIR=RATE ...]]
#        5 runs by default, of the pairs bench_clip_chain_pass reads unless others are given
#
# Builds nothing: it expects an up-to-date build in build/ (or $VANTREL_BUILD_DIR), e.g.
#   cmake -S . -B build && cmake --build build -j2
# Uses build/tone-sound (cmake --build build --target vantrel_tone_clips) when it is there, and otherwise
# writes the tone clips into a temporary directory with assets/clips/make_tone_clips.sh.
# Needs pulseaudio, pulseaudio-utils (parec, pactl), sox (for the tones) and python3 with numpy
# (Debian: python3-numpy).
#
# Prints, for every run, the clips heard against those expected, each clip's length, the gaps and the
# pass's length (bench/analyse_gaps.py), then the figures over all runs, and the CPU the idle stream costs.
# Exit status 1 when a run's clips came in the wrong order.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${VANTREL_BUILD_DIR:-$root/build}
runs=${1:-5}
pairs=("${@:2}")
bench=$build/bench/bench_clip_chain_pass

die() { echo "measure_gaps.sh: $*" >&2; exit 2; }

[[ -x $bench ]] || die "$bench is missing: build first (cmake -S . -B build && cmake --build build -j2)"
for tool in pulseaudio parec pactl; do
  command -v "$tool" >/dev/null || die "'$tool' is missing (Debian packages: pulseaudio pulseaudio-utils)"
done
python=
for candidate in python3 /usr/bin/python3; do
  if command -v "$candidate" >/dev/null && "$candidate" -c 'import numpy' 2>/dev/null; then
    python=$candidate
    break
  fi
done
[[ -n $python ]] || die "python3 with numpy is missing (Debian package python3-numpy)"

work=$(mktemp -d)
pids=()
cleanup() {
  local pid
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    pid=${pids[$i]}
    kill "$pid" 2>/dev/null || true
  done
  for pid in "${pids[@]}"; do
    while kill -0 "$pid" 2>/dev/null; do sleep 0.1; done
  done
  rm -rf "$work"
}
trap cleanup EXIT

# ---- The tone clips ----------------------------------------------------------------------------------------
program=$work/program
mkdir -p "$program"
if [[ -f $build/tone-sound/tones.tsv ]]; then
  ln -s "$build/tone-sound" "$program/sound"
else
  bash "$root/assets/clips/make_tone_clips.sh" "$program/sound" >/dev/null
fi
tones=$program/sound/tones.tsv

# ---- A sound server of our own -----------------------------------------------------------------------------
export XDG_RUNTIME_DIR=$work/run
mkdir -m 700 "$XDG_RUNTIME_DIR"
cat >"$work/pa.conf" <<EOF
load-module module-null-sink sink_name=rec rate=48000 channels=2
load-module module-native-protocol-unix auth-anonymous=1 socket=$XDG_RUNTIME_DIR/pulse/native
set-default-sink rec
EOF
pulseaudio -D -n -F "$work/pa.conf" --exit-idle-time=-1 --disallow-exit \
  --log-target=file:"$XDG_RUNTIME_DIR/pulse.log" 2>/dev/null
for _ in $(seq 100); do [[ -s $XDG_RUNTIME_DIR/pulse/pid ]] && break; sleep 0.1; done
[[ -s $XDG_RUNTIME_DIR/pulse/pid ]] || die "pulseaudio did not start (see its log)"
pids+=("$(cat "$XDG_RUNTIME_DIR/pulse/pid")")
export PULSE_SERVER=unix:$XDG_RUNTIME_DIR/pulse/native
for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pactl info >/dev/null 2>&1 || die "pulseaudio does not answer"

export QT_QPA_PLATFORM=offscreen
# The audio engine's own account of each voice (when it went into the stream, how much was still queued).
export QT_LOGGING_RULES=${QT_LOGGING_RULES:-vantrel.audio.debug=true}

# ---- The passes --------------------------------------------------------------------------------------------
run_dirs=()
for ((run = 1; run <= runs; run++)); do
  dir=$work/run$run
  mkdir "$dir"
  parec -d rec.monitor --format=s16le --rate=48000 --channels=1 --latency-msec=10 --raw "$dir/rec.raw" &
  recorder=$!
  pids+=("$recorder")
  sleep 0.5
  bench_status=0
  "$bench" "$program" "${pairs[@]}" >"$dir/bench.out" 2>"$dir/bench.err" || bench_status=$?
  grep -q '^AUDIO hasDevice=1' "$dir/bench.out" || die "run $run: the program found no sound device"
  if ((bench_status != 0)); then
    # A failure after the pass has ended leaves the recording whole: say so, and measure it anyway.
    echo "measure_gaps.sh: run $run: bench_clip_chain_pass exited with status $bench_status" \
         "($(grep -c '^PASSEND' "$dir/bench.out") pass end seen); the end of its output:" >&2
    tail -n 3 "$dir/bench.out" "$dir/bench.err" >&2
    grep -q '^PASSEND' "$dir/bench.out" || die "run $run: the pass did not end"
  fi
  sleep 0.3
  kill "$recorder"
  wait "$recorder" 2>/dev/null || true
  unset 'pids[${#pids[@]}-1]'
  run_dirs+=("$dir")
  if [[ -n ${VANTREL_KEEP_RUNS:-} ]]; then
    mkdir -p "$VANTREL_KEEP_RUNS"
    cp -r "$dir" "$VANTREL_KEEP_RUNS/"
  fi
done

status=0
"$python" "$root/bench/analyse_gaps.py" "$tones" "${run_dirs[@]}" || status=$?
"$python" "$root/bench/analyse_engine_log.py" "${run_dirs[@]}" || true

# ---- What the idle stream costs ------------------------------------------------------------------------------
# Nothing plays: the stream is handed silence. CPU over 10 s, of the program and of the sound server.
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
QT_LOGGING_RULES= "$bench" --idle 12 >"$work/idle.out" &
idler=$!
pids+=("$idler")
sleep 1.5
server=${pids[0]}
program_before=$(cpu_ticks "$idler") server_before=$(cpu_ticks "$server") wall_before=$(date +%s.%N)
sleep 10
program_after=$(cpu_ticks "$idler") server_after=$(cpu_ticks "$server") wall_after=$(date +%s.%N)
wait "$idler" || true
unset 'pids[${#pids[@]}-1]'
awk -v p="$((program_after - program_before))" -v s="$((server_after - server_before))" \
    -v w="$(awk -v a="$wall_before" -v b="$wall_after" 'BEGIN { print b - a }')" -v hz="$(getconf CLK_TCK)" \
    'BEGIN { printf "idle stream, %.1f s: the program %.2f %% of one core, pulseaudio %.2f %%\n",
             w, 100 * p / hz / w, 100 * s / hz / w }'
grep '^IDLE' "$work/idle.out" | sed 's/^/  the program'"'"'s own count: /' || true
QT_LOGGING_RULES= "$bench" --idle 10 --no-device | grep '^IDLE' | sed 's/^/  the same process with no stream: /' || true
exit "$status"
