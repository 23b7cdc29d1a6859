# SPDX-License-Identifier: GPL-3.0-or-later
# The voice every spoken clip is made with, and the listening benchmark's control speaks with.
# Sourced by make_clips.sh and say_whole.sh.

VOICE=cmu_us_slt_arctic_hts   # Debian package festvox-us-slt-hts
SPEECH_SPEED=1.2              # brisk, as a rate is read out; faster was no better understood

# The festival lines that choose the voice as the clips use it.
festival_voice() {
  echo "(voice_$VOICE)"
  # Traders say "ozzie", not the lexicon's "aw-see".
  echo "(lex.add.entry '(\"aussie\" nil (((aa) 1) ((z iy) 0))))"
  echo "(set! hts_engine_params (append ${VOICE}::hts_engine_params (list (list \"-r\" $SPEECH_SPEED))))"
}
