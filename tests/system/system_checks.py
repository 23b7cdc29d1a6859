# SPDX-License-Identifier: GPL-3.0-or-later
"""What every part of the system tests shares: how a check fails, the log, and waiting for a condition."""

import time


class TestFailure(AssertionError):
    """A check of a system test did not hold."""


class OutOfTime(Exception):
    """The test's own time budget ran out."""


def check(condition, message):
    if not condition:
        raise TestFailure(message)


def log(message):
    print(f"[{time.strftime('%H:%M:%S')}] {message}", flush=True)


def wait_for(condition, timeout, interval=0.05, what="condition"):
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise TestFailure(f"timed out after {timeout:.0f} s waiting for {what}")
        time.sleep(interval)
