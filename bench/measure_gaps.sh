#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
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
# Each pass starts 5 s after its program (VANTREL_START_AFTER_MS), when the stream has gone to rest, as
# it has before every pass the listening interval starts: the pass wakes it.
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

[[ -f $build/CMakeCache.txt ]] || die "$build is not configured: build first (make build)"
cmake --build "$build" --target bench_clip_chain_pass >/dev/null \
  || die "bench_clip_chain_pass did not build: cmake --build $build --target bench_clip_chain_pass"
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

source "$root/scripts/lib/session.sh"
session_begin
work=$session_dir

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
session_pulse || die "pulseaudio did not start (see its log)"
server=${session_pids[0]}

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
  session_track "$recorder"
  sleep 0.5
  bench_status=0
  "$bench" --start-after "${VANTREL_START_AFTER_MS:-5000}" "$program" "${pairs[@]}" \
    >"$dir/bench.out" 2>"$dir/bench.err" || bench_status=$?
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
  run_dirs+=("$dir")
  if [[ -n ${VANTREL_KEEP_RUNS:-} ]]; then
    mkdir -p "$VANTREL_KEEP_RUNS"
    cp -r "$dir" "$VANTREL_KEEP_RUNS/"
  fi
done

status=0
"$python" "$root/bench/analyse_gaps.py" "$tones" "${run_dirs[@]}" || status=$?
"$python" "$root/bench/analyse_engine_log.py" "${run_dirs[@]}" || true

# ---- What the idle program costs ----------------------------------------------------------------------------
# Nothing plays: the stream runs on for a few seconds, then rests. CPU over 10 s once it rests (from 4.5 s
# after the start), of the program and of the sound server.
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
QT_LOGGING_RULES= "$bench" --idle 12 >"$work/idle.out" &
idler=$!
session_track "$idler"
sleep 4.5
program_before=$(cpu_ticks "$idler") server_before=$(cpu_ticks "$server") wall_before=$(date +%s.%N)
sleep 10
program_after=$(cpu_ticks "$idler") server_after=$(cpu_ticks "$server") wall_after=$(date +%s.%N)
wait "$idler" || true
awk -v p="$((program_after - program_before))" -v s="$((server_after - server_before))" \
    -v w="$(awk -v a="$wall_before" -v b="$wall_after" 'BEGIN { print b - a }')" -v hz="$(getconf CLK_TCK)" \
    'BEGIN { printf "idle, stream at rest, %.1f s: the program %.2f %% of one core, pulseaudio %.2f %%\n",
             w, 100 * p / hz / w, 100 * s / hz / w }'
grep '^IDLE' "$work/idle.out" | sed 's/^/  the program'"'"'s own count: /' || true
QT_LOGGING_RULES= "$bench" --idle 10 --no-device | grep '^IDLE' | sed 's/^/  the same process with no stream: /' || true
exit "$status"
