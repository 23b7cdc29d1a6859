# SPDX-License-Identifier: GPL-3.0-or-later
"""The built spoken clips are understood: chained as a reading pass chains them, and each name alone.

A speech recognizer stands in for a trader who is not looking (tests/system/speech_recognition.py). It
hears the 35 pairs, each with a rate, four pairs to an utterance with no pause between them, as a pass
plays them (clip after clip, nothing in between). The rates' digits run through every pair of
neighbouring digits (a de Bruijn sequence), in every rate format the program speaks: "1.2345", "12.345"
(the first six characters of 12.3456), "123.45" and the five characters of "98.12". It fails when more
than 2 % of the words are misheard, when a rate's "point" is not heard as "point", or when a pair name,
the intro, "your" or "key price reached" is not heard as its words alone.

    test_clips_understood.py SOUND_DIR
"""

import os
import sys

sys.dont_write_bytecode = True  # no __pycache__ beside the sources
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "system"))

from speech_recognition import (ClipSounds, Recognizer, align, alone_clips, clip_words, misheard_alone,
                                missing_tools, words_of_clips)
from audio_analysis import rate_clips

MAX_WORD_ERROR = 0.02
PAIRS_PER_UTTERANCE = 4


def de_bruijn_digits():
    """101 digits in which every two-digit sequence 00..99 occurs once."""
    sequence, a = [], [0] * 20

    def extend(t, p):
        if t > 2:
            if 2 % p == 0:
                sequence.extend(a[1:p + 1])
        else:
            a[t] = a[t - p]
            extend(t + 1, p)
            for digit in range(a[t - p] + 1, 10):
                a[t] = digit
                extend(t + 1, t)

    extend(1, 1)
    return sequence + sequence[:1]


def covering_rates(pairs):
    """One rate text per pair, its digits taken in turn from the de Bruijn sequence."""
    digits = de_bruijn_digits()
    taken = 0
    rates = []
    for k, pair in enumerate(pairs):
        if pair.endswith("JPY"):
            shape = "ddd.dd" if k % 2 else "dd.dd"
        else:
            shape = "dd.ddd" if k % 3 == 2 else "d.dddd"
        text = ""
        for character in shape:
            if character == "d":
                text += str(digits[taken % len(digits)])
                taken += 1
            else:
                text += character
        rates.append(text)
    return rates


def main(sound_dir):
    problem = missing_tools()
    if problem:
        print(f"FAIL: {problem}")
        return 1
    words = clip_words()
    pairs = [name[:3].upper() + "/" + name[3:].upper() for name in words if len(name) == 6]
    sounds = ClipSounds(sound_dir)
    readings = [rate_clips(pair, rate) for pair, rate in zip(pairs, covering_rates(pairs))]
    chained = [sum(readings[k:k + PAIRS_PER_UTTERANCE], [])
               for k in range(0, len(readings), PAIRS_PER_UTTERANCE)]
    alone = alone_clips(words)

    recognizer = Recognizer({w for clip_list in words.values() for w in clip_list})
    try:
        heard = recognizer.transcribe([(sounds.chained(clips), sounds.RATE) for clips in chained + [[c] for c in alone]])
    finally:
        recognizer.close()

    failures = []
    errors = expected_count = 0
    for clips, said in zip(chained, heard):
        expected = words_of_clips(clips, words)
        pairs_up = align(expected, said)
        wrong = sum(1 for e, h in pairs_up if e != h)
        errors += wrong
        expected_count += len(expected)
        missed_points = sum(1 for e, h in pairs_up if e == "point" and h != "point")
        if missed_points:
            failures.append(f"\"point\" not heard {missed_points} time(s) in: {' '.join(expected)}")
        if wrong:
            print(f"expected: {' '.join(expected)}\n   heard: {' '.join(said)}")
    word_error = errors / expected_count
    print(f"{len(readings)} rates chained: {errors} of {expected_count} words misheard "
          f"({word_error * 100:.1f} %, at most {MAX_WORD_ERROR * 100:.0f} %)")
    if word_error > MAX_WORD_ERROR:
        failures.append(f"word error {word_error * 100:.1f} %")

    misheard = misheard_alone(alone, heard[len(chained):], words)
    print(f"{len(alone)} clips heard alone: {len(alone) - len(misheard)} right")
    for clip, said in misheard:
        failures.append(f"{clip} alone: heard {' '.join(said) or 'nothing'!r}, expected {' '.join(words[clip])!r}")

    for failure in failures:
        print("FAIL: " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1]))
