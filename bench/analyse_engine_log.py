#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""What the audio engine says it did during reading passes (its "vantrel.audio" debug messages).

usage: analyse_engine_log.py RUN_DIR...

Each RUN_DIR holds bench.err, the messages of bench_clip_chain_pass run with
QT_LOGGING_RULES=vantrel.audio.debug=true:
  read at=T asked=N gave=N voices=V started=ID,... ended=ID,... played_ms=P
                                                                  each read the output stream made, and how
                                                                  much the device had played by then
  end voice=ID at=T queued_ms=Q processed_ms=P                   a voice's last sample was handed out
  done voice=ID at=T                                              its completion ran (the player's Done)
  play voice=ID at=T                                              a voice was started
  rest at=T / pause at=T / wake at=T                              the stream stopped pulling, was paused,
                                                                  was woken by a play
Times are milliseconds of the monotonic clock.

Prints, over all runs: the silence the stream was handed between one voice's end and the next voice's start
(the gap in the stream itself, before any device); how long a completion took to run after the voice's
last sample was handed out; the time from a completion to the next clip's first sample going into the
stream; how much the output still held when a voice ended, and how long after its Done its last sample
was played by the device (by the sink's processedUSecs()); and when the stream reads again after a
short read; and for a clip that woke a resting stream, how long until its first sample went into the
stream and until the device played it.
"""

import re
import statistics
import sys
from pathlib import Path

RATE = 48000
LINE = re.compile(r'vantrel\.audio: (\w+) (.*)')


def fields(text):
    return dict(item.split('=', 1) for item in text.split())


def ids(text):
    return [int(i) for i in text.split(',') if i]


def describe(values, unit='ms'):
    if not values:
        return 'none'
    return (f'median {statistics.median(values):.2f} {unit}, min {min(values):.2f}, max {max(values):.2f} '
            f'({len(values)})')


def analyse(run_dir, totals):
    reads, ends, dones, plays = [], {}, {}, {}
    handed_out = 0  # frames, since the stream started
    wakes, woken = [], []  # times of the wakes; per wake (voice, first read time, ms queued ahead of it)
    for line in (run_dir / 'bench.err').read_text().splitlines():
        match = LINE.match(line)
        if not match:
            continue
        kind, f = match.group(1), fields(match.group(2))
        if kind == 'read':
            reads.append((float(f['at']), int(f['asked']), int(f['gave']), int(f['voices']),
                          ids(f.get('started', '')), ids(f.get('ended', ''))))
            started = [v for v in ids(f.get('started', '')) if v in plays]
            if len(woken) < len(wakes) and started:
                woken.append((started[0], float(f['at']),
                              handed_out * 1000 / RATE - float(f.get('played_ms', 'nan'))))
            handed_out += int(f['gave'])
        elif kind == 'wake':
            wakes.append(float(f['at']))
        elif kind == 'end':
            # The sink's processedUSecs() is what has been played; everything handed out is heard by then.
            ends[int(f['voice'])] = (float(f['at']), float(f['queued_ms']),
                                     handed_out * 1000 / RATE - float(f['processed_ms']))
        elif kind == 'done':
            dones[int(f['voice'])] = float(f['at'])
        elif kind == 'play':
            plays[int(f['voice'])] = float(f['at'])
    if not reads:
        return

    # Voices in the order they went into the stream; the silence handed out between one's end and the next.
    started_at, ended_at = {}, {}
    for index, (_, _, _, _, started, ended) in enumerate(reads):
        for voice in started:
            started_at[voice] = index
        for voice in ended:
            ended_at[voice] = index
    # Only the clips played: the engine's own one-frame holds (see AudioEngine::finishLater) are silence.
    order = sorted((v for v in started_at if v in plays), key=lambda v: started_at[v])
    for previous, following in zip(order, order[1:]):
        if previous not in ended_at:
            continue
        silent = sum(gave for _, _, gave, _, _, _ in reads[ended_at[previous] + 1:started_at[following]])
        totals['stream_gaps'].append(silent * 1000 / RATE)
        # From the completion that came last before the next voice was started, to its first sample.
        before = [t for t in dones.values() if t <= plays.get(following, float('inf'))]
        if before:
            totals['done_to_stream'].append(reads[started_at[following]][0] - max(before))
    for voice, (at, queued, until_heard) in ends.items():
        if voice not in plays:
            continue
        totals['queued'].append(queued)
        totals['until_heard'].append(until_heard)
        if voice in dones:
            totals['end_to_done'].append(dones[voice] - at)
    for (at, asked, gave, _, _, _), following in zip(reads, reads[1:]):
        if gave < asked:
            totals['after_short'].append(following[0] - at)
    for voice, first_read, queued_ahead in woken:
        totals['wake_to_stream'].append(first_read - plays[voice])
        totals['wake_to_heard'].append(first_read - plays[voice] + max(0.0, queued_ahead))


def main():
    if len(sys.argv) < 2:
        print('usage: analyse_engine_log.py RUN_DIR...', file=sys.stderr)
        return 2
    totals = {key: [] for key in ('stream_gaps', 'end_to_done', 'done_to_stream', 'queued', 'until_heard',
                                  'after_short', 'wake_to_stream', 'wake_to_heard')}
    for run in sys.argv[1:]:
        analyse(Path(run), totals)
    gaps = totals['stream_gaps']
    print(f'== the engine\'s account ({len(sys.argv) - 1} run(s))')
    print(f'silence handed to the stream between consecutive voices: {describe(gaps)}; '
          f'{sum(g > 0 for g in gaps)} of {len(gaps)} not zero')
    print(f'a voice\'s last sample handed out -> its completion runs: {describe(totals["end_to_done"])}')
    print(f'a completion -> the next clip\'s first sample into the stream: {describe(totals["done_to_stream"])}')
    print(f'still queued in the output when a voice\'s last sample is handed out: {describe(totals["queued"])}')
    print(f'a voice\'s last sample handed out -> played by the device (all handed out so far, less the '
          f'sink\'s processedUSecs()): {describe(totals["until_heard"])}')
    print(f'a short read -> the next read: {describe(totals["after_short"])}')
    print(f'a clip that woke the resting stream: play -> its first sample into the stream: '
          f'{describe(totals["wake_to_stream"])}; -> played by the device (adding what was queued ahead of '
          f'it, by processedUSecs()): {describe(totals["wake_to_heard"])}')
    return 0


if __name__ == '__main__':
    sys.exit(main())
