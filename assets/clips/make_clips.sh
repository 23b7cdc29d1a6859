#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Writes the program's 71 clips into OUTDIR, each NAME.wav, 16-bit PCM, mono, 48000 Hz.
#
# The spoken clips are cut out of sentences spoken by festival's HTS voice (speech_sentences.txt says which
# words of which sentence), at the boundaries the synthesizer reports for its own sounds, so that chained
# they sound like the run of words they came from. The 22 alert sounds are synthesised with sox; the
# animals' calls are voiced by espeak-ng and then treated. Same inputs give the same files.
#
# usage: make_clips.sh OUTDIR
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/clip_names.sh"
source "$here/voice.sh"

# ---- How they sound ----------------------------------------------------------------------------------------

SPEECH_PEAK_DB=-1.5           # the loudest spoken clip peaks here; the others keep their level as spoken
CUT_FADE=0.0005               # seconds of fade at a cut: no click, and no dip a listener takes for a 't'
ALERT_RMS_DB=-17              # every alert at this RMS level ...
PEAK_CEILING_DB=-1.5          # ... and no peak above this
RATE=48000
FLOAT=(-r "$RATE" -c 1 -e floating-point -b 32)   # working format: no clipping or rounding between steps

# ---- Plumbing ----------------------------------------------------------------------------------------------

die() { echo "make_clips.sh: $*" >&2; exit 1; }

[[ $# -eq 1 ]] || die "usage: make_clips.sh OUTDIR"
outdir=$1
for tool in festival sox espeak-ng awk; do
  command -v "$tool" >/dev/null || die "'$tool' is missing (Debian packages: festival festvox-us-slt-hts sox espeak-ng)"
done
mkdir -p "$outdir"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# sox in repeatable mode: its noise generators start from a fixed seed, so every run writes the same files.
sx() { sox -R "$@"; }

# gen OUT EFFECTS...: a sound made from nothing, e.g. gen x.wav synth 0.5 sine 440
gen() { local out=$1; shift; sx -n "${FLOAT[@]}" "$out" "$@"; }

# mix OUT IN...: the inputs played together, each from its start.
mix() { local out=$1; shift; if [[ $# -eq 1 ]]; then cp "$1" "$out"; else sx -m "$@" "$out"; fi; }

# chain OUT IN...: the inputs one after another.
chain() { local out=$1; shift; sx "$@" "$out"; }

# later OUT IN SECONDS: the input, starting that much later.
later() { sx "$2" "$1" pad "$3"; }

# times A B: the product, to two decimals (a partial's frequency, a length in morse units).
times() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a * b }'; }

# struck OUT SECONDS BASE_HZ RATIO:LEVEL:RING...: a struck bar or bell, SECONDS long, one sine partial per
# argument, each dying away exponentially (-100 dB over its ring time).
struck() {
  local out=$1 len=$2 base=$3 parts=() i=0 ratio level ring
  shift 3
  for spec in "$@"; do
    IFS=: read -r ratio level ring <<<"$spec"
    gen "$out.$i.wav" synth "$ring" sine "$(times "$base" "$ratio")" fade l 0 "$ring" "$ring" vol "$level"
    if awk -v r="$ring" -v l="$len" 'BEGIN { exit !(r > l) }'; then
      sx "$out.$i.wav" "$out.$i.cut.wav" trim 0 "$len"
      mv "$out.$i.cut.wav" "$out.$i.wav"
    fi
    parts+=("$out.$i.wav")
    i=$((i + 1))
  done
  mix "$out.all.wav" "${parts[@]}"
  sx "$out.all.wav" "$out" reverse fade t 0.01 reverse
}

# beep OUT SECONDS GAP WAVE HZ [EFFECTS...]: a tone with click-free edges, then GAP seconds of silence.
beep() {
  local out=$1 len=$2 gap=$3 wave=$4 freq=$5
  shift 5
  gen "$out" synth "$len" "$wave" "$freq" "$@" fade t 0.004 reverse fade t 0.004 reverse pad 0 "$gap"
}

# TRIM_SILENCE: effects cutting what lies below -45 dBFS at both ends (the input is normalised to -3 dBFS).
TRIM_SILENCE=(gain -n -3 silence 1 0.005 -45d reverse silence 1 0.005 -45d reverse
              fade t 0.002 reverse fade t 0.002 reverse)

# level IN OUT RMS_DB: writes IN as the final 16-bit clip at that RMS level, lowered if a peak would pass the
# ceiling. Written beside OUT first, so an interrupted run never leaves a half-written clip.
level() {
  local rms peak gain
  read -r rms peak < <(sox "$1" -n stats 2>&1 | awk '/^RMS lev dB/ { r = $4 } /^Pk lev dB/ { p = $4 }
                                                      END { print r, p }')
  gain=$(awk -v t="$3" -v r="$rms" -v p="$peak" -v c="$PEAK_CEILING_DB" \
             'BEGIN { g = t - r; if (p + g > c) g = c - p; printf "%.2f", g }')
  sx -D "$1" -t wav -r "$RATE" -c 1 -e signed-integer -b 16 "$2.part" gain "$gain"
  mv -f "$2.part" "$2"
}

# ---- Speech ------------------------------------------------------------------------------------------------

# The table as "clip<TAB>sentence[ + sentence]" lines, without comments and blank lines.
speech_table() { grep -v -E '^(#|[[:space:]]*$)' "$here/speech_sentences.txt"; }

# The festival program that prints, for each sentence, where its braced words start and end.
festival_prelude() {
  festival_voice
  # (cut ID TEXT FIRST COUNT FILE): speaks TEXT into FILE and prints "cut ID START END WORDS...", the span
  # of the COUNT words from word FIRST (from 0) and those words as festival read them.
  echo "(define (drop l n) (if (or (< n 1) (null l)) l (drop (cdr l) (- n 1))))"
  echo "(define (take l n) (if (or (< n 1) (null l)) nil (cons (car l) (take (cdr l) (- n 1)))))"
  echo "(define (cut id text first count file)
          (let ((utt (utt.synth (eval (list 'Utterance 'Text text)))))
            (let ((words (take (drop (utt.relation.items utt 'Word) first) count)))
              (utt.save.wave utt file 'riff)
              (format t \"cut %s %f %f\" id
                      (item.feat (car words) \"R:SylStructure.daughter1.daughter1.segment_start\")
                      (item.feat (car (last words)) \"R:SylStructure.daughtern.daughtern.end\"))
              (mapcar (lambda (w) (format t \" %s\" (item.name w))) words)
              (format t \"\\n\"))))"
}

# The (cut ...) calls for every sentence of the table, one per line.
festival_cuts() {
  local name sentences part i before braced
  while IFS=$'\t' read -r name sentences; do
    i=0
    while read -r part; do
      [[ $part == *"{"*"}"* ]] || die "speech_sentences.txt: no {words} in the sentence of $name: $part"
      before=${part%%\{*}
      braced=${part#*\{}
      braced=${braced%%\}*}
      read -r -a before <<<"$before"
      read -r -a braced <<<"$braced"
      echo "(cut \"$name.$i\" \"${part//[\{\}]/}\" ${#before[@]} ${#braced[@]} \"$work/$name.$i.raw.wav\")"
      i=$((i + 1))
    done < <(sed 's/ + /\n/g' <<<"$sentences")
  done < <(speech_table)
}

# Speaks every sentence, shared out among one festival per core; each sentence is spoken on its own, so
# the files do not depend on how they were shared out.
speak_all() {
  local jobs=$1 j pids=()
  festival_cuts >"$work/cuts.scm"
  for ((j = 0; j < jobs; j++)); do
    { festival_prelude; awk -v j="$j" -v n="$jobs" 'NR % n == j' "$work/cuts.scm"; } >"$work/speech.$j.scm"
    festival --batch "$work/speech.$j.scm" >"$work/festival.$j.log" 2>&1 &
    pids+=($!)
  done
  for j in "${!pids[@]}"; do
    wait "${pids[$j]}" || die "festival failed (is its voice $VOICE, Debian package festvox-us-slt-hts, installed?):
$(cat "$work/festival.$j.log")"
  done
  cat "$work"/festival.*.log >"$work/festival.log"
}

# cut_speech NAME: the clip's cuts, joined, into a working-format file; checks that festival read the
# braced words as written.
cut_speech() {
  local name=$1 sentences i=0 part braced id start end said parts=()
  sentences=$(speech_table | awk -F'\t' -v n="$name" '$1 == n { print $2 }')
  [[ -n $sentences ]] || die "speech_sentences.txt says nothing for $name"
  while read -r part; do
    braced=${part#*\{}
    braced=${braced%%\}*}
    braced=$(tr -d '.,?!' <<<"$braced")
    id=$name.$i
    read -r start end said < <(awk -v id="$id" '$1 == "cut" && $2 == id { $1 = $2 = ""; print }' "$work/festival.log")
    [[ -n ${end:-} ]] || die "festival did not speak the sentence of $name: $part"
    [[ $said == "${braced,,}" ]] || die "festival read \"$braced\" of $name as \"$said\""
    # The high-pass takes off the voice's slight DC offset, which would otherwise click where clips meet.
    sx "$work/$id.raw.wav" "${FLOAT[@]}" "$work/$id.wav" highpass 70 rate -v "$RATE" trim "$start" "=$end" \
      fade t "$CUT_FADE" reverse fade t "$CUT_FADE" reverse
    parts+=("$work/$id.wav")
    i=$((i + 1))
  done < <(sed 's/ + /\n/g' <<<"$sentences")
  chain "$work/$name.wav" "${parts[@]}"
  sox "$work/$name.wav" -n stats 2>&1 | awk '/^Pk lev dB/ { print $4 }' >"$work/$name.peak"
}

# One gain for all spoken clips, so that a word keeps the loudness it had in its sentence relative to the
# others; the loudest peak goes to SPEECH_PEAK_DB.
finish_speech() {
  local loudest gain name
  loudest=$(for name in "$@"; do cat "$work/$name.peak"; done | sort -g | tail -n 1)
  gain=$(awk -v c="$SPEECH_PEAK_DB" -v p="$loudest" 'BEGIN { printf "%.2f", c - p }')
  for name in "$@"; do
    sx -D "$work/$name.wav" -t wav -r "$RATE" -c 1 -e signed-integer -b 16 "$outdir/$name.wav.part" gain "$gain"
    mv -f "$outdir/$name.wav.part" "$outdir/$name.wav"
  done
}

# ---- Alert sounds: one function each, writing a working-format file --------------------------------------

# voiced OUT TEXT ESPEAK_OPTIONS... -- EFFECTS...: an animal's call said by espeak-ng, then treated by sox.
voiced() {
  local out=$1 text=$2 options=()
  shift 2
  while [[ $1 != -- ]]; do options+=("$1"); shift; done
  shift
  espeak-ng "${options[@]}" -w "$out.raw.wav" "$text"
  sx "$out.raw.wav" "${FLOAT[@]}" "$out" rate -v "$RATE" gain -6 "$@" gain -6 "${TRIM_SILENCE[@]}"
}

sound_Cock()  { voiced "$1" "Cock-a-doodle-doooo!" -v en-us+f3 -p 99 -s 150 -- pitch 500 overdrive 8 highpass 300; }
sound_Dog()   { voiced "$1" "Woof! Woof!" -v en-us+m3 -p 10 -s 200 -- pitch -300 overdrive 12 lowpass 3000; }
sound_Sheep() { voiced "$1" "Baaa-aaa!" -v en-us+f2 -p 80 -s 110 -- tremolo 8 70; }
sound_Hen()   { voiced "$1" "cluck cluck cluck!" -v en-us+f4 -p 90 -s 230 -- pitch 400 highpass 400; }
sound_frog()  { voiced "$1" "ribbit, ribbit" -v en-us+m1 -p 5 -s 190 -- pitch -500 tremolo 30 60 lowpass 2500; }

# A growl, "grrr-aaar": a low rolling buzz, then a louder open vowel falling away, both gravelly.
sound_Tiger() {
  gen "$1.grrr.wav" synth 0.6 sawtooth 75:85 tremolo 22 90 lowpass 700
  gen "$1.aaar.wav" synth 0.7 sawtooth 150:95 tremolo 22 40 equalizer 700 1q 6
  chain "$1.voice.wav" "$1.grrr.wav" "$1.aaar.wav"
  gen "$1.breath.wav" synth 1.3 brownnoise lowpass 900 vol 0.5
  mix "$1.mix.wav" "$1.voice.wav" "$1.breath.wav"
  sx "$1.mix.wav" "$1" gain -10 overdrive 20 gain -12 lowpass 2000 fade q 0.1 reverse fade q 0.4 reverse
}

# A roar: a throaty "aaow" that rises and falls, harsh and breathy.
sound_Lion() {
  gen "$1.up.wav" synth 0.5 sawtooth 110:210
  gen "$1.down.wav" synth 1.1 sawtooth 210:90
  chain "$1.voice.wav" "$1.up.wav" "$1.down.wav"
  gen "$1.breath.wav" synth 1.6 brownnoise
  mix "$1.mix.wav" "$1.voice.wav" "$1.breath.wav"
  sx "$1.mix.wav" "$1" gain -10 tremolo 31 60 overdrive 20 gain -12 equalizer 600 1q 8 lowpass 2500 \
    fade q 0.25 reverse fade q 0.7 reverse
}

# A car horn: two slightly discordant square tones, a short honk then a long one.
sound_Car() {
  beep "$1.short.wav" 0.2 0.08 square 415 synth square mix 494 gain -6 lowpass 2500 overdrive 5 gain -3
  beep "$1.long.wav" 0.55 0 square 415 synth square mix 494 gain -6 lowpass 2500 overdrive 5 gain -3
  chain "$1" "$1.short.wav" "$1.long.wav"
}

# A cuckoo clock: a falling third, "cu-ckoo", twice, on a soft pipe.
sound_Cuckoo() {
  beep "$1.cu.wav" 0.15 0.04 sine 698 synth sine mix 1396 fade q 0.02 reverse fade q 0.03 reverse
  beep "$1.ckoo.wav" 0.28 0.25 sine 554 synth sine mix 1108 fade q 0.02 reverse fade q 0.08 reverse
  chain "$1.call.wav" "$1.cu.wav" "$1.ckoo.wav"
  chain "$1.twice.wav" "$1.call.wav" "$1.call.wav"
  sx "$1.twice.wav" "$1" reverse silence 1 0.005 -60d reverse
}

# Tick-tock: two woody clicks of different pitch, twice.
sound_Clock() {
  struck "$1.tick.wav" 0.05 2900 1:1:0.05 2.1:0.5:0.02
  struck "$1.tock.wav" 0.06 1700 1:1:0.06 2.3:0.5:0.02
  sx "$1.tick.wav" "$1.tick1.wav" pad 0 0.26
  sx "$1.tock.wav" "$1.tock1.wav" pad 0 0.25
  chain "$1" "$1.tick1.wav" "$1.tock1.wav" "$1.tick1.wav" "$1.tock.wav"
}

# Ding-dong: two struck bars, a major third apart.
sound_Doorbell() {
  struck "$1.ding.wav" 1.2 659.3 1:1:2.5 2.76:0.25:0.5 5.4:0.08:0.25
  struck "$1.dong.wav" 1.4 523.3 1:1:2.8 2.76:0.25:0.55 5.4:0.08:0.3
  later "$1.dong1.wav" "$1.dong.wav" 0.5
  mix "$1" "$1.ding.wav" "$1.dong1.wav"
}

# A short plucked tune of six notes.
sound_Music() {
  local notes=(659.3:0.2 587.3:0.2 523.3:0.2 587.3:0.2 659.3:0.2 659.3:0.5) parts=() i=0 freq len
  for spec in "${notes[@]}"; do
    IFS=: read -r freq len <<<"$spec"
    gen "$1.$i.wav" synth "$len" pluck "$freq" reverse fade t 0.01 reverse
    parts+=("$1.$i.wav")
    i=$((i + 1))
  done
  chain "$1" "${parts[@]}"
}

# A pleasant rising three-note chime.
sound_Reminder() {
  struck "$1.c.wav" 0.8 1046.5 1:1:1.5 3:0.1:0.3
  struck "$1.e.wav" 0.8 1318.5 1:1:1.5 3:0.1:0.3
  struck "$1.g.wav" 1.0 1568.0 1:1:1.8 3:0.1:0.3
  later "$1.e1.wav" "$1.e.wav" 0.16
  later "$1.g1.wav" "$1.g.wav" 0.32
  mix "$1" "$1.c.wav" "$1.e1.wav" "$1.g1.wav"
}

# A crack of thunder, then a low rolling rumble.
sound_Thunder() {
  gen "$1.crack.wav" synth 0.4 whitenoise lowpass 5000 reverse fade l 0.4 reverse vol 0.7
  gen "$1.rumble.wav" synth 1.9 brownnoise lowpass 400 lowpass 250 tremolo 2.3 50 fade q 0.15 reverse fade q 1.4 reverse
  mix "$1" "$1.crack.wav" "$1.rumble.wav"
}

# A struck bell: inharmonic partials, the hum and the fundamental ringing longest.
sound_Bell() {
  struck "$1.partials.wav" 1.8 392 0.5:0.5:5 1:1:4 1.19:0.6:3 1.5:0.4:2 2:0.45:1.6 2.51:0.3:1.2 \
    3:0.25:0.9 4.07:0.15:0.6
  gen "$1.strike.wav" synth 0.01 whitenoise vol 0.3 highpass 2000 reverse fade l 0.01 reverse
  mix "$1" "$1.partials.wav" "$1.strike.wav"
}

# A fire alarm: an electric bell hammered 17 times a second.
sound_Fire() {
  gen "$1" synth 1.6 sine 1050 synth sine mix 2830 synth sine mix 4480 tremolo 17 95 \
    fade t 0.005 reverse fade t 0.3 reverse
}

# A gunshot: a burst of noise that dies at once, a low thump, and the echo of the place.
sound_Shoot() {
  gen "$1.blast.wav" synth 0.5 whitenoise lowpass 3500 reverse fade l 0.5 reverse
  gen "$1.thump.wav" synth 0.3 sine 120:40 reverse fade l 0.3 reverse
  mix "$1.shot.wav" "$1.blast.wav" "$1.thump.wav"
  sx "$1.shot.wav" "$1" pad 0 0.3 reverb 40 50 70 reverse fade t 0.2 reverse
}

# Running water: bubbles (quick rising chirps) over a faint splashing hiss.
sound_Water() {
  local bubbles=(0.00:520 0.09:760 0.17:430 0.24:610 0.38:880 0.45:500 0.57:690 0.66:450 0.78:820 0.86:560
                 0.97:640 1.08:470 1.17:900 1.29:540 1.36:720) parts=() i=0 at freq
  for spec in "${bubbles[@]}"; do
    IFS=: read -r at freq <<<"$spec"
    gen "$1.$i.wav" synth 0.05 sine "$freq:$(times "$freq" 2.2)" fade t 0.004 reverse fade t 0.035 reverse pad "$at"
    parts+=("$1.$i.wav")
    i=$((i + 1))
  done
  gen "$1.hiss.wav" synth 1.45 pinknoise bandpass 1200 1.5q tremolo 5 60 vol 0.25 fade q 0.1 reverse fade q 0.2 reverse
  mix "$1" "${parts[@]}" "$1.hiss.wav"
}

# A telegraph key sending "CQ" in morse code.
sound_telegram() {
  local unit=0.06 parts=() i=0 symbol
  beep "$1.dit.wav" "$unit" "$unit" sine 760
  beep "$1.dah.wav" "$(times "$unit" 3)" "$unit" sine 760
  gen "$1.gap.wav" synth "$(times "$unit" 2)" sine 0 vol 0
  local code="-.-. --.-"
  for ((i = 0; i < ${#code}; i++)); do
    symbol=${code:i:1}
    case $symbol in
      .) parts+=("$1.dit.wav") ;;
      -) parts+=("$1.dah.wav") ;;
      *) parts+=("$1.gap.wav") ;;
    esac
  done
  chain "$1" "${parts[@]}"
}

# Three electronic signals: a watch-like double bip, a rising sweep, a two-tone siren.
sound_Signal1() {
  beep "$1.bip.wav" 0.07 0.05 square 2100 gain -6 lowpass 6000
  beep "$1.bip2.wav" 0.07 0.18 square 2100 gain -6 lowpass 6000
  chain "$1" "$1.bip.wav" "$1.bip2.wav" "$1.bip.wav" "$1.bip2.wav" "$1.bip.wav" "$1.bip.wav"
}

sound_Signal2() {
  beep "$1.whoop.wav" 0.45 0.12 sine 400:1800 synth 0.45 sine mix 800:3600
  beep "$1.last.wav" 0.45 0 sine 400:1800 synth 0.45 sine mix 800:3600
  chain "$1" "$1.whoop.wav" "$1.last.wav"
}

sound_Signal3() {
  beep "$1.hi.wav" 0.25 0 triangle 960
  beep "$1.lo.wav" 0.25 0 triangle 770
  chain "$1" "$1.hi.wav" "$1.lo.wav" "$1.hi.wav" "$1.lo.wav" "$1.hi.wav" "$1.lo.wav"
}

finish_alert() {
  local name=$1
  "sound_$name" "$work/$name.wav"
  level "$work/$name.wav" "$outdir/$name.wav" "$ALERT_RMS_DB"
}

# ---- All of them -------------------------------------------------------------------------------------------

SPOKEN_CLIPS=("$INTRO_CLIP" "${PAIR_CLIPS[@]}" "${DIGIT_CLIPS[@]}" "$POINT_CLIP" "${REMINDER_CLIPS[@]}")
cores=$(nproc 2>/dev/null || echo 1)
# The alert sounds need nothing of the speech: they are made while festival speaks.
( for name in "${ALERT_CLIPS[@]}"; do finish_alert "$name"; done ) &
alerts=$!
speak_all "$(( cores > 4 ? 4 : cores ))"
cutting=()
for name in "${SPOKEN_CLIPS[@]}"; do
  cut_speech "$name" &
  cutting+=($!)
  if (( ${#cutting[@]} >= cores )); then
    wait "${cutting[0]}" || die "cutting the speech failed"
    cutting=("${cutting[@]:1}")
  fi
done
for pid in "${cutting[@]}"; do wait "$pid" || die "cutting the speech failed"; done
finish_speech "${SPOKEN_CLIPS[@]}"
wait "$alerts" || die "the alert sounds failed"

for name in "${ALL_CLIPS[@]}"; do
  [[ -s $outdir/$name.wav ]] || die "$name.wav was not written"
done
