#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Writes the program's 71 clip names as pure sine tones, so that a recording of what the program plays can be
# told apart clip by clip: clip i of the program's order is 300 + 50*i Hz (300 to 3800 Hz, each on its own
# bin of a 960-sample FFT at 48 kHz) and lasts 150 to 400 ms. Half-sine fades of 2 ms keep the edges sharp
# but click-free. OUTDIR/tones.tsv, written last, lists them: a header line, then name<TAB>frequency_hz<TAB>
# duration_ms in the program's order.
#
# usage: make_tone_clips.sh OUTDIR
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/clip_names.sh"

RATE=48000
FADE_SAMPLES=96   # 2 ms

[[ $# -eq 1 ]] || { echo "usage: make_tone_clips.sh OUTDIR" >&2; exit 1; }
command -v sox >/dev/null || { echo "make_tone_clips.sh: 'sox' is missing (Debian package sox)" >&2; exit 1; }
outdir=$1
mkdir -p "$outdir"

table=$(printf 'name\tfrequency_hz\tduration_ms')
for i in "${!ALL_CLIPS[@]}"; do
  name=${ALL_CLIPS[$i]}
  frequency=$((300 + 50 * i))
  duration_ms=$((150 + 10 * (i * 7 % 26)))   # steps through 150..400 ms in a scattered order
  samples=$((duration_ms * RATE / 1000))
  sox -R -D -n -r "$RATE" -c 1 -e signed-integer -b 16 "$outdir/$name.part.wav" \
    synth "${samples}s" sine "$frequency" vol 0.5 fade h "${FADE_SAMPLES}s" "${samples}s" "${FADE_SAMPLES}s"
  mv -f "$outdir/$name.part.wav" "$outdir/$name.wav"
  table+=$(printf '\n%s\t%d\t%d' "$name" "$frequency" "$duration_ms")
done
printf '%s\n' "$table" >"$outdir/tones.tsv"
