# SPDX-License-Identifier: GPL-3.0-or-later
"""A key price reminder fires: its alert plays once, the entry leaves the list, and a reading pass follows.

With EUR/USD in "Pairs to be listened", an upper threshold just below EUR/USD's rate is typed into "Upper"
and the reminder group's "Add" pressed. At the next refresh the reminder fires. The recording must hold the
alert (Bell, yours, eurusd, setprice: one cycle, as "Times" says "One") and then the reading of EUR/USD;
the reminder list must be empty afterwards.
"""

import sys

sys.dont_write_bytecode = True  # no __pycache__ beside the sources

import time
from decimal import Decimal

from accessibility_driver import Role
from audio_analysis import Recorder, check_heard, rate_clips
from system_checks import check, log, wait_for
from vantrel_system import run_test


def body(run):
    page, page_rates = run.make_page(5)
    run.feed("--page", page)
    program = run.start_program()
    run.wait_for_grids(program, page_rates, timeout=10)
    program.add_pair_to_listen("EUR/USD")

    rate = program.grid_rates("Major Rates")["EUR/USD"]
    threshold = str(Decimal(rate) - Decimal("0.0010"))
    expected = ["Bell", "yours", "eurusd", "setprice"] + rate_clips("EUR/USD", rate)
    sound_length = sum(run.tones.duration_s(name) for name in expected)
    log(f"EUR/USD shows {rate}; reminder: upper {threshold}")
    log(f"expected clips: {' '.join(expected)} ({sound_length:.2f} s of sound)")

    recorder = Recorder(run, "reminder").start()
    time.sleep(0.3)
    added = time.monotonic()
    entries = program.add_reminder(upper=threshold)
    log(f"reminder list after Add: {entries}")
    check(entries == [f"EUR/USD>{threshold}"], f"unexpected reminder list after Add: {entries}")

    # The next refresh (at most one period away) fires it; the alert then plays for about 1.3 s.
    wait_for(lambda: program.reminders() == [], 3 + 6, interval=0.1, what="the reminder to leave the list")
    removed = time.monotonic()
    log(f"the reminder left the list {removed - added:.1f} s after Add")
    time.sleep(sound_length + 2.0)
    recorder.stop()

    clips = check_heard(recorder, run.tones, expected)
    log(f"alert and pass: {clips[-1][1] + clips[-1][2] - clips[0][1]:.2f} s of sound for {sound_length:.2f} s "
        f"of clips")
    check(program.reminders() == [], f"the reminder list is not empty: {program.reminders()}")
    listened = program.list_items(program.control(Role.LIST, "Pairs to be listened", program.pair_frame()))
    check(listened == ["EUR/USD"], f"\"Pairs to be listened\" changed: {listened}")
    log("the reminder list is empty; EUR/USD is still listened to")


if __name__ == "__main__":
    run_test("reminder", body, 90)
