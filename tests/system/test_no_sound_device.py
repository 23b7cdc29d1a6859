# SPDX-License-Identifier: GPL-3.0-or-later
"""No sound device at all: the program runs, and a reading pass and an alert still run to their end.

The program is started with no PulseAudio server (PULSE_SERVER names a socket that does not exist and
nothing may be spawned), so it finds no audio output and times each clip by its length instead. After
Start the refresh, off while the pass plays, comes back when the pass has taken as long as its clips; a
reminder's alert ends after its four clips' time and the entry leaves the list.
"""

import sys

sys.dont_write_bytecode = True  # no __pycache__ beside the sources

from completion_checks import check_pass_and_alert_complete
from audio_analysis import rate_clips
from system_checks import log
from vantrel_system import run_test

ALERT = ["Bell", "yours", "eurusd", "setprice"]


def body(run):
    program = run.start_program()
    log("the program runs without a sound server")

    def clips_length(names):
        return sum(run.tones.duration_s(name) for name in names)

    check_pass_and_alert_complete(
        run, program,
        pass_seconds=lambda rate: clips_length(rate_clips("EUR/USD", rate)),
        alert_seconds=clips_length(ALERT))
    program.check_running()


if __name__ == "__main__":
    run_test("no_sound_device", body, 90, with_pulse=False)
