# SPDX-License-Identifier: GPL-3.0-or-later
# The program's 71 clip names in its own order (the intro, the 35 pairs in catalogue order, the digits, the
# point, the two reminder words, the 22 alert sounds), letter case as the files are named.
# Sourced by make_clips.sh and make_tone_clips.sh; must match allClipNames().

INTRO_CLIP=dqhj
PAIR_CLIPS=(
  audusd eurusd gbpusd usdcad usdchf usdhkd usdjpy usdsgd
  audcad audchf audhkd audjpy audsgd cadhkd cadjpy cadsgd chfcad chfhkd chfjpy chfsgd
  euraud eurcad eurchf eurhkd eurjpy eursgd gbpaud gbpcad gbpchf gbpeur gbphkd gbpjpy gbpsgd
  sgdhkd sgdjpy
)
DIGIT_CLIPS=(0m 1m 2m 3m 4m 5m 6m 7m 8m 9m)
POINT_CLIP=dianm
REMINDER_CLIPS=(yours setprice)
ALERT_CLIPS=(
  Cock Dog Car Cuckoo Clock Doorbell Music Reminder Thunder Bell Tiger
  Fire Sheep Hen Shoot Lion Water frog Signal1 telegram Signal2 Signal3
)
ALL_CLIPS=("$INTRO_CLIP" "${PAIR_CLIPS[@]}" "${DIGIT_CLIPS[@]}" "$POINT_CLIP" "${REMINDER_CLIPS[@]}"
           "${ALERT_CLIPS[@]}")
