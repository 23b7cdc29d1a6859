# SPDX-License-Identifier: GPL-3.0-or-later
"""What the tests without sound (no sound server, no clip files) observe: a reading pass and an alert end.

The refresh is off while the first pass after Start plays and comes back one refresh period after the pass
has ended, so with a moving market the time from Start to the next change of the grids is the length of
the pass plus one period. A reminder's alert stops the refresh too; when the alert has ended the entry
leaves the list and the refresh comes back.
"""

import time
from decimal import Decimal

from audio_analysis import rate_clips
from system_checks import TestFailure, check, log, wait_for
from vantrel_system import REFRESH_SECONDS, grids_match_cache


def next_change(program, after_rates, timeout):
    """Polls the grids until they differ from `after_rates`; returns (time of the change, the new rates)."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        program.check_running()
        if program.all_rates() != after_rates:
            return time.monotonic(), program.stable_rates()
        time.sleep(0.05)
    raise TestFailure(f"the grids did not change for {timeout:.0f} s")


def check_pass_and_alert_complete(run, program, pass_seconds, alert_seconds, tolerance=0.8):
    """Start with EUR/USD listened to, then a reminder that fires at once; both must run to their end.

    `pass_seconds(rate text)` and `alert_seconds` say how long the pass and the alert should take (the
    clips' lengths when they are timed without a device, 0 when no clip can be opened)."""
    run.feed("--seed", "41")
    rates, _ = grids_match_cache(run, program, timeout=2 * REFRESH_SECONDS + 4, changed_from=program.all_rates())
    program.add_pair_to_listen("EUR/USD")
    rates = program.stable_rates()

    # Press Start just after a refresh, so that the refresh is not about to come anyway.
    _, rates = next_change(program, rates, 2 * REFRESH_SECONDS + 2)
    log(f"EUR/USD shows {rates['EUR/USD']}: the pass reads {' '.join(rate_clips('EUR/USD', rates['EUR/USD']))}")
    pass_seconds = pass_seconds(rates["EUR/USD"])
    pressed = time.monotonic()
    program.press_button("Start")
    wait_for(lambda: program.start_button_caption() == "Cancel", 5, what="the Start button to read Cancel")
    limit = pass_seconds + REFRESH_SECONDS + 4
    try:
        changed, rates = next_change(program, rates, limit)
    except TestFailure:
        raise TestFailure(f"the grids stayed still for {limit:.0f} s after Start: the reading pass never "
                             f"ended, so the refresh stayed off")
    gap = changed - pressed
    expected = pass_seconds + REFRESH_SECONDS
    log(f"after Start the grids changed again {gap:.2f} s later: a pass of {pass_seconds:.2f} s, then one "
        f"refresh period ({expected:.2f} s expected)")
    check(expected - tolerance <= gap <= expected + tolerance + 1.0,
          f"the refresh came back {gap:.2f} s after Start, expected about {expected:.2f} s")

    # A reminder that fires at the next refresh: its alert must end and remove it.
    threshold = str(Decimal(rates["EUR/USD"]) - Decimal("0.0100"))
    entries = program.add_reminder(upper=threshold)
    check(entries == [f"EUR/USD>{threshold}"], f"unexpected reminder list after Add: {entries}")
    fired_at = None
    deadline = time.monotonic() + REFRESH_SECONDS + alert_seconds + 4
    while time.monotonic() < deadline:
        program.check_running()
        # The list first: once the entry is gone the refresh that fired it has already written the grids,
        # so the grids read next show it (read the other way round, both can change in between).
        remaining = program.reminders()
        shown = program.all_rates()
        if fired_at is None and shown != rates:
            fired_at = time.monotonic()  # the refresh that fired the reminder also wrote the grids
        if not remaining:
            break
        time.sleep(0.05)
    removed_at = time.monotonic()
    check(program.reminders() == [], f"the reminder is still listed after its alert should have ended: "
                                     f"{program.reminders()}")
    check(fired_at is not None, "the reminder left the list without a refresh")
    alert = removed_at - fired_at
    log(f"the reminder fired at a refresh and left the list {alert:.2f} s later (alert clips: "
        f"{alert_seconds:.2f} s)")
    check(alert_seconds - tolerance <= alert <= alert_seconds + tolerance + 0.5,
          f"the alert took {alert:.2f} s, expected about {alert_seconds:.2f} s")
    # After the alert the refresh runs again (the reading pass that follows does not stop it).
    after_alert = program.stable_rates()
    changed, _ = next_change(program, after_alert, REFRESH_SECONDS + 3)
    log(f"the grids moved again {changed - removed_at:.2f} s after the alert ended")
