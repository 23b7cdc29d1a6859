# SPDX-License-Identifier: GPL-3.0-or-later
"""Recording what the program plays and telling the clips apart: the tone clips (each a pure sine of its own
frequency and length) decoded back into clip names, gaps and lengths.
"""

import os
import subprocess

from system_checks import check, log, wait_for


# --------------------------------------------------------------------------------------------------
# Recording and decoding what the program plays


class Tones:
    """The tone clips: name -> (frequency Hz, duration ms), read from tones.tsv."""

    def __init__(self, tones_dir):
        self.dir = tones_dir
        self.table = {}
        with open(os.path.join(tones_dir, "tones.tsv")) as f:
            next(f)
            for line in f:
                name, frequency, duration = line.rstrip("\n").split("\t")
                self.table[name] = (int(frequency), int(duration))
        self.by_frequency = {frequency: name for name, (frequency, _) in self.table.items()}

    def duration_s(self, name):
        return self.table[name][1] / 1000.0


class Recorder:
    """parec on the null sink's monitor, 48 kHz mono 16-bit, into a raw file."""

    RATE = 48000

    def __init__(self, run, name):
        self.run = run
        self.path = run.path(name + ".raw")
        self.process = None

    def start(self):
        self.process = self.run.keeper.popen(
            "parec", ["parec", "-d", "rec.monitor", "--format=s16le", "--rate=48000", "--channels=1",
                      "--latency-msec=10", "--raw", self.path],
            env=self.run.stack.env, stdout=subprocess.DEVNULL, stderr=open(self.path + ".log", "w"))
        wait_for(lambda: os.path.exists(self.path) and os.path.getsize(self.path) > 0, 5,
                 what="parec to start recording")
        return self

    def stop(self):
        if self.process is not None:
            self.run.keeper.stop(self.process)
            self.process = None

    def samples(self):
        import numpy
        return numpy.fromfile(self.path, dtype="<i2").astype(numpy.float64) / 32768.0

    def seconds(self):
        return os.path.getsize(self.path) / 2 / self.RATE


def decode_clips(samples, tones, rate=48000):
    """The clips heard in a recording, in order: [(name, start s, length s)].

    Where there is sound at all comes from the level in 1 ms blocks, so silences between clips are
    measured to the millisecond. Inside a stretch of sound, a 960-sample window (20 ms: each tone, 50 Hz
    apart, falls on its own FFT bin) every 240 samples (5 ms) names the nearest known tone by its strongest
    bin; where the name changes, one clip ends and the next begins, half-way between the two windows. A run
    of one name as long as several of its clips counts as that many clips played back to back.
    """
    import numpy
    window, hop, block = 960, 240, 48
    frequencies = numpy.array(sorted(tones.by_frequency))
    blocks = len(samples) // block
    if blocks == 0:
        return []
    level = numpy.sqrt(numpy.mean(samples[:blocks * block].reshape(blocks, block) ** 2, axis=1))
    sounding = level > 0.02

    stretches = []  # (first sample, end sample) of sound
    index = 0
    while index < blocks:
        if not sounding[index]:
            index += 1
            continue
        first = index
        while index < blocks and sounding[index]:
            index += 1
        stretches.append((first * block, index * block))

    taper = numpy.hanning(window)
    clips = []
    for first, end in stretches:
        if end - first < window:
            continue  # a click, not a clip: every clip lasts 150 ms or more
        labels = []  # (window centre in samples, name)
        for left in range(first, end - window + 1, hop):
            spectrum = numpy.abs(numpy.fft.rfft(samples[left:left + window] * taper))
            peak_hz = (numpy.argmax(spectrum[1:]) + 1) * rate / window
            nearest = int(frequencies[numpy.argmin(numpy.abs(frequencies - peak_hz))])
            labels.append((left + window // 2, tones.by_frequency[nearest] if abs(nearest - peak_hz) <= 25 else None))
        runs = []  # [name, first centre, last centre, windows]
        for centre, name in labels:
            if runs and runs[-1][0] == name:
                runs[-1][2] = centre
                runs[-1][3] += 1
            else:
                runs.append([name, centre, centre, 1])
        # Windows straddling the end of one clip and the start of the next may name either: a run of a
        # few windows there is no clip of its own.
        runs = [run for run in runs if run[0] is not None and run[3] > 3]
        merged = []
        for run in runs:
            if merged and merged[-1][0] == run[0]:
                merged[-1][2], merged[-1][3] = run[2], merged[-1][3] + run[3]
            else:
                merged.append(run)
        for position, (name, first_centre, last_centre, _) in enumerate(merged):
            begin = first if position == 0 else (merged[position - 1][2] + first_centre) / 2
            finish = end if position == len(merged) - 1 else (last_centre + merged[position + 1][1]) / 2
            length = (finish - begin) / rate
            repeats = max(1, round(length / tones.duration_s(name)))
            for k in range(repeats):
                clips.append((name, begin / rate + k * length / repeats, length / repeats))
    return clips


def gaps_between(clips):
    return [b[1] - (a[1] + a[2]) for a, b in zip(clips, clips[1:])]


def rate_clips(pair, rate_text):
    """The clips a reading of one pair plays when "Money Pair" is on: the pair, then six characters."""
    clips = [pair.replace("/", "").lower()]
    for position in range(1, 7):
        character = rate_text[position - 1] if position <= len(rate_text) else ""
        if 2 <= position <= 4 and character == ".":
            clips.append("dianm")
        elif character:
            clips.append(character + "m")
        # Past the end of the text the program asks for clip "m", which does not exist: nothing is heard.
    return clips


def describe_clips(clips):
    return " ".join(name for name, _, _ in clips)


def check_clips_whole(clips, tones):
    """Logs and checks the gaps between clips and how much of each clip was heard."""
    gaps = gaps_between(clips)
    ratios = [(name, length / tones.duration_s(name)) for name, _, length in clips]
    log(f"gaps between clips: {max(0.0, max(gaps, default=0.0)) * 1000:.0f} ms at most; each clip heard for "
        f"{min(r for _, r in ratios) * 100:.0f}-{max(r for _, r in ratios) * 100:.0f} % of its length")
    check(max(gaps, default=0.0) <= 0.030, f"a gap of {max(gaps) * 1000:.0f} ms between two clips")
    check(all(0.85 <= ratio <= 1.15 for _, ratio in ratios),
          f"clips not heard whole (name, part heard): {[(n, round(r, 2)) for n, r in ratios]}")


def check_heard(recorder, tones, expected):
    """Decodes a finished recording, checks that exactly the expected clips were heard, in order and whole,
    and returns them as (name, start, length)."""
    clips = decode_clips(recorder.samples(), tones)
    log(f"heard clips:    {describe_clips(clips)} (in {recorder.seconds():.1f} s of recording)")
    check([name for name, _, _ in clips] == expected,
          f"heard {describe_clips(clips)!r}, expected {' '.join(expected)!r}")
    check_clips_whole(clips, tones)
    return clips
