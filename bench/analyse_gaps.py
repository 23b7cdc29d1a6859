#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Checks recordings of reading passes against the clips the chain asked for.

usage: analyse_gaps.py TONES_TSV RUN_DIR...

Each RUN_DIR holds rec.raw (what the sound server played: s16le, 48000 Hz, mono) and bench.out (what
bench_clip_chain_pass printed: CLIP name start_ms lines, in order). TONES_TSV lists the tone clips,
name<TAB>frequency_hz<TAB>duration_ms after a header line. A clip the chain asked for that is not in
TONES_TSV (the "m" past the end of a five-character rate) has no file, so nothing is heard for it.

For each run: the clips heard, in order, against the clips expected; each clip's length against its
tone's; the silent gap between consecutive clips; the pass's length (first clip's start to last clip's
end) against the sum of its clips' lengths. Then the figures over all runs. Exit status 1 when a run's
clips were heard in the wrong order (or not at all), 0 otherwise.

How the recording is cut into clips: runs of at least 0.5 ms below -60 dBFS are silence (the tones fade
in and out over 2 ms; a higher level would take their quiet ends for silence between two clips). Inside
each stretch of sound, the frequency of every 5 ms window (1 ms apart) is estimated and mapped to the
nearest tone; where one tone follows another with no silence between, the boundary is put where the
sound's amplitude dips as one clip fades out and the next fades in, or, without such a dip, at the sample
that best splits the stretch into a sine of the one frequency and a sine of the other (the residual of
x[n-1] + x[n+1] = 2 cos(w) x[n] is zero on a pure sine). Each clip is then named by the dominant
frequency of its whole length (FFT peak).
"""

import difflib
import statistics
import sys
from pathlib import Path

import numpy as np

RATE = 48000
SILENCE_LEVEL = 0.001 * 32768     # below this (-60 dBFS) a sample counts as silent ...
SILENCE_MIN_SAMPLES = 24          # ... and this many in a row make silence (0.5 ms)
WINDOW = 240                      # 5 ms
HOP = 48                          # 1 ms
FRAME_TOLERANCE_HZ = 10           # a window closer than this to a tone belongs to it
SEGMENT_TOLERANCE_HZ = 15         # a whole clip must be this close to its tone
MIN_CONFIDENT_FRAMES = 3          # windows in a row that make a tone certain
MIN_CLIP_MS = 5                   # shorter sounds are reported as fragments, not clips
WHOLE_TOLERANCE_MS = 3            # a clip is heard whole within this of its length

AIM_MEDIAN_GAP_MS = 5
AIM_MAX_GAP_MS = 20
AIM_PASS_PERCENT = 2


def load_tones(path):
    tones = {}
    for line in Path(path).read_text().splitlines()[1:]:
        if line.strip():
            name, frequency, duration = line.split('\t')
            tones[name] = (float(frequency), float(duration))
    return tones


def load_expected(path):
    clips = []
    for line in Path(path).read_text().splitlines():
        fields = line.split()
        if len(fields) == 3 and fields[0] == 'CLIP':
            clips.append(fields[1])
    return clips


def silent_runs(x):
    """[(start, end)) of every stretch of at least SILENCE_MIN_SAMPLES quiet samples."""
    quiet = np.abs(x) < SILENCE_LEVEL
    edges = np.diff(np.concatenate(([0], quiet.astype(np.int8), [0])))
    starts = np.flatnonzero(edges == 1)
    ends = np.flatnonzero(edges == -1)
    keep = ends - starts >= SILENCE_MIN_SAMPLES
    return list(zip(starts[keep], ends[keep]))


def sounding_stretches(x):
    stretches, at = [], 0
    for start, end in silent_runs(x):
        if start > at:
            stretches.append((at, start))
        at = end
    if at < len(x):
        stretches.append((at, len(x)))
    return stretches


def sine_cos(x, lo, hi):
    """Least-squares cos(w) of a sine over x[lo:hi] (exact for a pure sine)."""
    mid = x[lo + 1:hi - 1]
    energy = np.dot(mid, mid)
    if energy == 0:
        return None
    return float(np.dot(mid, x[lo:hi - 2] + x[lo + 2:hi]) / (2 * energy))


def frequency_of_cos(c):
    return float(np.arccos(np.clip(c, -1, 1)) * RATE / (2 * np.pi))


def nearest_tone(frequency, tones, tolerance):
    name, (tone_frequency, _) = min(tones.items(), key=lambda item: abs(item[1][0] - frequency))
    return name if abs(tone_frequency - frequency) <= tolerance else None


def fft_frequency(x):
    n = len(x)
    size = 1 << int(np.ceil(np.log2(max(n, 2) * 8)))
    spectrum = np.abs(np.fft.rfft(x * np.hanning(n), size))
    k = int(np.argmax(spectrum[1:-1])) + 1
    a, b, c = spectrum[k - 1], spectrum[k], spectrum[k + 1]
    shift = 0.5 * (a - c) / (a - 2 * b + c) if (a - 2 * b + c) != 0 else 0
    return (k + shift) * RATE / size


def confident_runs(x, lo, hi, tones):
    """[(tone, first_window_start, last_window_start)] of the windows of x[lo:hi] that agree on a tone."""
    runs = []
    for start in range(lo, max(lo, hi - WINDOW) + 1, HOP):
        c = sine_cos(x, start, min(start + WINDOW, hi))
        tone = nearest_tone(frequency_of_cos(c), tones, FRAME_TOLERANCE_HZ) if c is not None else None
        if runs and runs[-1][0] == tone:
            runs[-1][2] = start
            runs[-1][3] += 1
        else:
            runs.append([tone, start, start, 1])
    return [(tone, first, last) for tone, first, last, count in runs
            if tone is not None and count >= MIN_CONFIDENT_FRAMES]


def envelope(x):
    """Instantaneous amplitude of x (the magnitude of its analytic signal)."""
    n = len(x)
    weights = np.zeros(n)
    weights[0] = 1
    weights[1:(n + 1) // 2] = 2
    if n % 2 == 0:
        weights[n // 2] = 1
    return np.abs(np.fft.ifft(np.fft.fft(x) * weights))


def split_point(x, lo, hi, cos_left, cos_right):
    """The sample in [lo, hi) where a sine of cos_left gives way to a sine of cos_right."""
    # Clips that fade out and in meet where the sound's amplitude dips to nearly nothing.
    pad = 480
    a, b = max(0, lo - pad), min(len(x), hi + pad)
    amplitude = envelope(x[a:b])
    inside = amplitude[lo - a:hi - a]
    if inside.min() < 0.1 * np.median(amplitude):
        return lo + int(np.argmin(inside))
    # Otherwise: where the residual of the one sine stops being nothing and the other's starts.
    seg = x[lo - 1:hi + 1]
    left = (seg[:-2] + seg[2:] - 2 * cos_left * seg[1:-1]) ** 2
    right = (seg[:-2] + seg[2:] - 2 * cos_right * seg[1:-1]) ** 2
    cost = np.concatenate(([0], np.cumsum(left))) + np.concatenate((np.cumsum(right[::-1])[::-1], [0]))
    return lo + int(np.argmin(cost))


def segment(x, tones):
    """[(start, end)] of every clip heard, in samples."""
    clips, fragments = [], []
    cos_of = {name: np.cos(2 * np.pi * frequency / RATE) for name, (frequency, _) in tones.items()}
    for lo, hi in sounding_stretches(x):
        runs = confident_runs(x, lo, hi, tones)
        # Neighbouring runs of one tone are one clip heard through a blur.
        merged = []
        for run in runs:
            if merged and merged[-1][0] == run[0]:
                merged[-1] = (run[0], merged[-1][1], run[2])
            else:
                merged.append(run)
        if not merged:
            fragments.append((lo, hi))
            continue
        bounds = [lo]
        for (tone_a, _, last_a), (tone_b, first_b, _) in zip(merged, merged[1:]):
            search_lo = max(lo + 1, last_a)
            search_hi = min(hi - 1, first_b + WINDOW)
            bounds.append(split_point(x, search_lo, search_hi, cos_of[tone_a], cos_of[tone_b]))
        bounds.append(hi)
        for start, end in zip(bounds, bounds[1:]):
            (clips if (end - start) * 1000 / RATE >= MIN_CLIP_MS else fragments).append((start, end))
    return clips, fragments


def analyse_run(run_dir, tones):
    x = np.fromfile(run_dir / 'rec.raw', dtype='<i2').astype(np.float64)
    expected_all = load_expected(run_dir / 'bench.out')
    expected = [name for name in expected_all if name in tones]
    skipped = [name for name in expected_all if name not in tones]
    clips, fragments = segment(x, tones)

    heard = []
    for start, end in clips:
        frequency = fft_frequency(x[start:end])
        name = nearest_tone(frequency, tones, SEGMENT_TOLERANCE_HZ) or f'?{frequency:.0f}Hz'
        heard.append((name, start, end))

    names = [name for name, _, _ in heard]
    order_ok = bool(expected) and names == expected
    lengths = [(name, (end - start) * 1000 / RATE, tones[name][1] if name in tones else None)
               for name, start, end in heard]
    cut = [(name, ms, want) for name, ms, want in lengths if want is None or abs(ms - want) > WHOLE_TOLERANCE_MS]
    gaps = [(b[1] - a[2]) * 1000 / RATE for a, b in zip(heard, heard[1:])]
    if heard:
        pass_ms = (heard[-1][2] - heard[0][1]) * 1000 / RATE
        sum_ms = sum(tones[name][1] for name in expected)
        pass_percent = 100 * (pass_ms - sum_ms) / sum_ms if sum_ms else float('nan')
    else:
        pass_ms = sum_ms = pass_percent = float('nan')

    print(f'== {run_dir}')
    print(f'recording {len(x) / RATE:.2f} s; clips expected {len(expected)} '
          f'(+{len(skipped)} without a file: {" ".join(skipped) or "none"}), heard {len(heard)}, '
          f'fragments {len(fragments)}')
    if order_ok:
        print('order: as expected')
    else:
        print('order: WRONG')
        for line in difflib.unified_diff(expected, names, 'expected', 'heard', lineterm='', n=1):
            print('   ', line)
    for start, end in fragments:
        print(f'    fragment at {start / RATE:.3f} s, {(end - start) * 1000 / RATE:.2f} ms')
    deviations = [ms - want for _, ms, want in lengths if want is not None]
    if deviations:
        print(f'lengths: heard - expected from {min(deviations):+.2f} to {max(deviations):+.2f} ms; '
              f'{len(cut)} clip(s) not whole (beyond ±{WHOLE_TOLERANCE_MS} ms)')
    for name, ms, want in cut:
        print(f'    {name}: {ms:.2f} ms heard, {want} ms long')
    if gaps:
        print(f'gaps (ms): median {statistics.median(gaps):.2f}, max {max(gaps):.2f}, '
              f'all: {" ".join(f"{g:.1f}" for g in gaps)}')
    print(f'pass: {pass_ms:.1f} ms heard, clips add up to {sum_ms:.0f} ms ({pass_percent:+.2f} %)')
    return {'order_ok': order_ok, 'gaps': gaps, 'cut': len(cut), 'clips': len(heard),
            'pass_percent': pass_percent, 'deviations': deviations}


def main():
    if len(sys.argv) < 3:
        print(__doc__.strip().splitlines()[2], file=sys.stderr)
        return 2
    tones = load_tones(sys.argv[1])
    results = [analyse_run(Path(run), tones) for run in sys.argv[2:]]

    gaps = [g for r in results for g in r['gaps']]
    print(f'== all {len(results)} run(s)')
    print(f'order right in {sum(r["order_ok"] for r in results)} of {len(results)}')
    print(f'clips heard {sum(r["clips"] for r in results)}, not whole {sum(r["cut"] for r in results)}')
    if gaps:
        median, worst = statistics.median(gaps), max(gaps)
        print(f'gaps (ms): median {median:.2f}, max {worst:.2f} over {len(gaps)} gaps; '
              f'per run median/max: ' + ', '.join(
                  f'{statistics.median(r["gaps"]):.1f}/{max(r["gaps"]):.1f}' for r in results if r['gaps']))
        percents = [r['pass_percent'] for r in results]
        print(f'pass length vs sum of clips: ' + ', '.join(f'{p:+.2f} %' for p in percents))
        aims = (all(r['cut'] == 0 for r in results) and median < AIM_MEDIAN_GAP_MS
                and worst < AIM_MAX_GAP_MS and all(abs(p) <= AIM_PASS_PERCENT for p in percents))
        print(f'aims (every clip whole, median gap < {AIM_MEDIAN_GAP_MS} ms, max < {AIM_MAX_GAP_MS} ms, '
              f'pass within {AIM_PASS_PERCENT} %): {"met" if aims else "NOT met"}')
    return 0 if all(r['order_ok'] for r in results) else 1


if __name__ == '__main__':
    sys.exit(main())
