# SPDX-License-Identifier: GPL-3.0-or-later
"""No clip files: with an empty sound directory a reading pass and an alert still end, in silence.

Every clip fails to open and completes at once, so the refresh comes back one period after Start and a
reminder leaves the list right after it fires. The null sink is recorded throughout: nothing may be heard.
"""

import sys

sys.dont_write_bytecode = True  # no __pycache__ beside the sources

from completion_checks import check_pass_and_alert_complete
from audio_analysis import Recorder, decode_clips, describe_clips
from system_checks import check, log
from vantrel_system import run_test


def body(run):
    program = run.start_program(clips="none")
    recorder = Recorder(run, "missing-clips").start()
    check_pass_and_alert_complete(run, program, pass_seconds=lambda rate: 0.0, alert_seconds=0.0)
    recorder.stop()
    clips = decode_clips(recorder.samples(), run.tones)
    log(f"recorded {recorder.seconds():.1f} s: {len(clips)} clips heard")
    check(not clips, f"sound was heard although no clip file exists: {describe_clips(clips)}")
    program.check_running()


if __name__ == "__main__":
    run_test("missing_clips", body, 90)
