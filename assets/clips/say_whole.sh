#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Speaks TEXT as one utterance with the clips' own voice, into OUT (16-bit PCM, mono, 48000 Hz): the same
# words said whole, which the listening benchmark compares the chained clips with.
#
# usage: say_whole.sh OUT TEXT
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/voice.sh"

[[ $# -eq 2 ]] || { echo "usage: say_whole.sh OUT TEXT" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
{
  festival_voice
  echo "(utt.save.wave (utt.synth (eval (list 'Utterance 'Text \"$2\"))) \"$work/said.wav\" 'riff)"
} >"$work/say.scm"
festival --batch "$work/say.scm" >"$work/festival.log" 2>&1 || { cat "$work/festival.log" >&2; exit 1; }
sox -R "$work/said.wav" -r 48000 -c 1 -b 16 "$1" highpass 70 rate -v 48000
