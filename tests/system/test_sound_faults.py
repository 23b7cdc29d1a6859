# SPDX-License-Identifier: GPL-3.0-or-later
"""Faults of the sound device: every play still completes, the window keeps answering, and once a device is
there again the next pass is heard whole.

    test_sound_faults.py ... sink-removed       the null sink unloaded during a reading pass, a new one
                                                 loaded; then the same during a reminder's alert
    test_sound_faults.py ... sink-removed-mid-pass  the first half of sink-removed: during a pass only
    test_sound_faults.py ... sink-removed-idle  the null sink unloaded while idle, before the program's
                                                 stream has rested and again after it has rested
    test_sound_faults.py ... server-stopped     the sound server stopped (SIGSTOP) during a pass for 6 s
                                                 and more, then resumed (SIGCONT)
    test_sound_faults.py ... server-killed      the sound server killed (SIGKILL) during a pass and started
                                                 again on the same socket 8 s later (with --sound-server
                                                 pipewire: PipeWire, WirePlumber and pipewire-pulse)

Each fault must leave the program running; the pass or alert it hits must end within its clips' length plus
about a second (the clip the fault cuts may take that long to be noticed, the clips after it are timed);
the grids must go on being renewed every refresh period; and the next pass started once a sink is there
again must be heard whole and in order on it, with nothing replayed of what the fault cut.

The end of a pass started with Start is seen on the grids: Start turns the refresh off and the end of the
pass turns it on again, so the grids change one refresh period after the pass has ended. An alert turns the
refresh off when its reminder fires; its end removes the entry from the list and turns the refresh on.
Throughout, a separate process reads a grid cell every 100 ms over AT-SPI (StallProbe): the window must
never be kept from answering for a second, whatever the sound server does.
"""

import sys

sys.dont_write_bytecode = True  # no __pycache__ beside the sources

import signal
import time
from decimal import Decimal

from accessibility_driver import Role, StallProbe
from audio_analysis import Recorder, check_heard, decode_clips, rate_clips
from system_checks import TestFailure, check, log, wait_for
from vantrel_system import REFRESH_SECONDS, grids_match_cache, run_test

PAIRS = ["EUR/USD", "USD/JPY"]  # with "Prompt", a pass of 15 clips and 4.4-4.6 s: long enough to cut
ALERT_CYCLE = ["Bell", "yours", "eurusd", "setprice"]
ALERT_TIMES, ALERT_CYCLES = "Three", 3  # 3.9 s of alert, long enough to cut
# How long after the start of a pass or an alert each fault comes: in its first third.
FAULT_AFTER_SECONDS = 1.5
# How far past the end of the clip a fault cut the engine may take to notice it.
NOTICE_SECONDS = 1.0
# What seeing the end on the grids adds or takes either way: the coarse refresh timer, the page request,
# reading 70 cells.
TOLERANCE = 0.8
# Healthy, the grids change every 2.87-3.14 s; a refresh left out shows as 6 s.
LONGEST_REFRESH_GAP = REFRESH_SECONDS + 1.2
LONGEST_STALL_ALLOWED = 1.0
SERVER_STOPPED_SECONDS = 6.0
# Longer than a blink: a crash with a slow respawn, an update, a restart by hand. (Qt's own PulseAudio
# backend, which the program once played through, tried again only once, 3 s after the loss.)
SERVER_DOWN_SECONDS = 8.0
# The program asks for the server every second while it is away.
RECONNECT_SECONDS = 3.0


class Listening:
    """The program with PAIRS listened to and "Prompt" checked, seen through its grids and its sound."""

    def __init__(self, run, program):
        self.run = run
        self.program = program
        self.stack = run.stack
        self.rates = self.read(program.stable_rates)
        self.recordings = 0

    @staticmethod
    def read(call):
        """An AT-SPI call whose failure (a window that does not answer in time) fails the test plainly."""
        try:
            return call()
        except TestFailure:
            raise
        except Exception as error:
            raise TestFailure(f"the window did not answer over AT-SPI: {error}")

    def seconds(self, clips):
        return sum(self.run.tones.duration_s(name) for name in clips)

    def pass_clips(self):
        clips = ["dqhj"]
        for pair in PAIRS:
            clips += rate_clips(pair, self.rates[pair])
        return clips

    def record(self, what):
        self.recordings += 1
        return Recorder(self.run, f"{self.recordings}-{what.replace(' ', '-')}").start()

    # -- the grids

    def next_change(self, deadline, what):
        """Waits until the grids differ from the rates last seen, until a monotonic `deadline`; returns
        when they changed, and keeps the new rates."""
        while True:
            self.program.check_running()
            if self.read(self.program.all_rates) != self.rates:
                changed = time.monotonic()
                self.rates = self.read(self.program.stable_rates)
                return changed
            if time.monotonic() >= deadline:
                raise TestFailure(what)
            time.sleep(0.05)

    def check_renewed(self, since, what, count=2):
        """The grids change `count` times more, each within a refresh period of the one before."""
        last, gaps = since, []
        for _ in range(count):
            changed = self.next_change(last + LONGEST_REFRESH_GAP,
                                       f"{what}: the grids were not renewed for {LONGEST_REFRESH_GAP:.1f} s "
                                       f"(after {len(gaps)} renewals)")
            gaps.append(changed - last)
            last = changed
        log(f"{what}: the grids were renewed after " + ", ".join(f"{gap:.2f} s" for gap in gaps))
        return last

    # -- passes

    def start_pass(self):
        """Start with PAIRS listened to, pressed just after a refresh so that no page can land in the pass;
        returns when it was pressed and the clips the pass plays. Cancel first if listening is on (Cancel
        empties "Pairs to be listened", so the pairs are added again)."""
        program = self.program
        if program.start_button_caption() == "Cancel":
            program.press_button("Cancel")
            wait_for(lambda: program.start_button_caption() == "Start", 5, what="the Cancel button to read Start")
        listened = program.list_items(program.control(Role.LIST, "Pairs to be listened", program.pair_frame()))
        for pair in PAIRS:
            if pair not in listened:
                program.add_pair_to_listen(pair)
        self.next_change(time.monotonic() + 2 * REFRESH_SECONDS + 2, "before Start: the grids were not renewed")
        clips = self.pass_clips()
        pressed = time.monotonic()
        program.press_button("Start")
        wait_for(lambda: program.start_button_caption() == "Cancel", 5, what="the Start button to read Cancel")
        log(f"Start: the pass plays {' '.join(clips)} ({self.seconds(clips):.2f} s)")
        return pressed, clips

    def check_pass_ends(self, pressed, clips, what):
        """The pass started at `pressed` ends within its clips' length and NOTICE_SECONDS; returns when the
        grids changed after it."""
        length = self.seconds(clips)
        latest = length + NOTICE_SECONDS + TOLERANCE
        changed = self.next_change(
            pressed + REFRESH_SECONDS + latest + 0.5,
            f"{what}: the grids stayed still for {REFRESH_SECONDS + latest + 0.5:.1f} s after Start: the pass of "
            f"{length:.2f} s never ended, so the refresh stayed off")
        took = changed - pressed - REFRESH_SECONDS
        log(f"{what}: the pass of {length:.2f} s ended {took:.2f} s after Start (the grids changed one refresh "
            f"period later)")
        check(length - TOLERANCE <= took <= latest,
              f"{what}: the pass of {length:.2f} s ended {took:.2f} s after Start, expected "
              f"{length - TOLERANCE:.1f}-{latest:.1f} s")
        return changed

    def heard_pass(self, what):
        """The next pass, recorded from the sink now there: heard whole and in order, and ended in time."""
        recorder = self.record(what)
        time.sleep(0.3)
        pressed, clips = self.start_pass()
        ended = self.check_pass_ends(pressed, clips, what)
        recorder.stop()
        try:
            check_heard(recorder, self.run.tones, clips)
        except TestFailure as failure:
            raise TestFailure(f"{what}: {failure}")
        log(f"{what}: the pass was heard whole and in order")
        return ended

    def heard_before_cut(self, recorder, clips, what):
        """What was recorded up to a fault: the start of `clips`, and not all of them."""
        recorder.stop()
        heard = [name for name, _, _ in decode_clips(recorder.samples(), self.run.tones)]
        log(f"{what}: heard before the fault: {' '.join(heard) or 'nothing'} (of {len(clips)} clips)")
        check(heard == clips[:len(heard)],
              f"{what}: before the fault the recording holds {' '.join(heard)!r}, not the start of "
              f"{' '.join(clips)!r}")
        check(0 < len(heard) < len(clips),
              f"{what}: the fault did not come in the middle ({len(heard)} of {len(clips)} clips heard)")

    def sleep_until(self, moment):
        time.sleep(max(0.0, moment - time.monotonic()))


# --------------------------------------------------------------------------------------------------
# The scenarios


def sink_removed(listening):
    """The sink unloaded during a pass, then during an alert; each time a new sink is loaded after."""
    sink_removed_during_pass(listening)
    sink_removed_during_alert(listening)


def sink_removed_during_pass(listening):
    """The sink unloaded during a pass; a new sink loaded after."""
    stack, program = listening.stack, listening.program
    what = "sink removed during a pass"
    recorder = listening.record("cut pass")
    pressed, clips = listening.start_pass()
    listening.sleep_until(pressed + FAULT_AFTER_SECONDS)
    stack.remove_sink()
    log(f"{what}: the null sink unloaded {time.monotonic() - pressed:.2f} s after Start; no sink left")
    listening.heard_before_cut(recorder, clips, what)
    ended = listening.check_pass_ends(pressed, clips, what)
    listening.check_renewed(ended, f"{what}, no sink")
    program.check_running()

    stack.add_sink()
    log("a new null sink loaded and made the default")
    listening.heard_pass("new sink after a pass was cut")


def sink_removed_during_alert(listening):
    """The sink unloaded during a reminder's alert; a new sink loaded after."""
    stack, program = listening.stack, listening.program
    what = "sink removed during an alert"
    alert = ALERT_CYCLE * ALERT_CYCLES
    alert_length = listening.seconds(alert)
    recorder = listening.record("cut alert")
    # Added just after a refresh, the reminder fires at the next one, which is seen on the grids.
    listening.next_change(time.monotonic() + LONGEST_REFRESH_GAP, f"{what}: the grids were not renewed")
    threshold = str(Decimal(listening.rates["EUR/USD"]) - Decimal("0.0100"))
    entries = listening.read(lambda: program.add_reminder(upper=threshold))
    check(entries == [f"EUR/USD>{threshold}"], f"unexpected reminder list after Add: {entries}")
    fired = listening.next_change(time.monotonic() + LONGEST_REFRESH_GAP,
                                  f"{what}: no refresh came to fire the reminder")
    check(listening.read(program.reminders) == entries, f"{what}: the reminder did not fire at the refresh")
    log(f"{what}: the reminder fired; its alert plays {ALERT_CYCLES} cycles, {alert_length:.2f} s")
    listening.sleep_until(fired + FAULT_AFTER_SECONDS)
    stack.remove_sink()
    log(f"{what}: the null sink unloaded {time.monotonic() - fired:.2f} s after the reminder fired")
    listening.heard_before_cut(recorder, alert, what)
    latest = alert_length + NOTICE_SECONDS + TOLERANCE
    while listening.read(program.reminders):
        program.check_running()
        check(time.monotonic() < fired + latest, f"{what}: the reminder was still listed {latest:.1f} s after it "
                                                 f"fired: the alert of {alert_length:.2f} s never ended")
        time.sleep(0.05)
    removed = time.monotonic()
    log(f"{what}: the alert of {alert_length:.2f} s ended {removed - fired:.2f} s after the reminder fired "
        f"and the entry left the list")
    check(removed - fired >= alert_length - TOLERANCE,
          f"{what}: the alert of {alert_length:.2f} s ended after {removed - fired:.2f} s")
    # The reading that follows an alert leaves the refresh on.
    listening.check_renewed(removed, f"{what}, after the alert")
    check(listening.read(program.start_button_caption) == "Cancel", f"{what}: listening did not go on after the alert")
    program.check_running()

    stack.add_sink()
    log("a new null sink loaded and made the default")
    listening.heard_pass("new sink after an alert was cut")


def sink_removed_idle(listening):
    """The sink unloaded after a pass, before the stream rests (3 s after the last clip) and after."""
    stack, program = listening.stack, listening.program

    what = "sink removed before the stream rests"
    recorder = listening.record("before rest")
    pressed, clips = listening.start_pass()
    listening.sleep_until(pressed + listening.seconds(clips) + 1.0)
    check(program.sound_stream_corked() is False, f"{what}: the program has no playing stream 1 s after the pass")
    stack.remove_sink()
    removed = time.monotonic()
    log(f"{what}: the null sink unloaded {removed - pressed - listening.seconds(clips):.2f} s after the pass's "
        f"clips; no sink left")
    recorder.stop()
    check_heard(recorder, listening.run.tones, clips)
    ended = listening.check_pass_ends(pressed, clips, what)
    # Past the moment the stream would have rested.
    listening.check_renewed(ended, f"{what}, no sink")
    program.check_running()
    pressed, clips = listening.start_pass()
    listening.check_pass_ends(pressed, clips, f"{what}, a pass with no sink")
    program.check_running()

    stack.add_sink()
    log("a new null sink loaded and made the default")
    ended = listening.heard_pass("new sink after it was removed before the rest")

    what = "sink removed after the stream rested"
    # The pass ended a refresh period before the grids changed: past this its stream has rested.
    listening.sleep_until(ended + 0.5)
    wait_for(lambda: program.sound_stream_corked() is not False, 3, interval=0.1,
             what="the program's stream to rest after the pass")
    stack.remove_sink()
    log(f"{what}: the null sink unloaded {time.monotonic() - ended + REFRESH_SECONDS:.1f} s after the pass "
        f"ended, its stream resting; no sink left")
    listening.check_renewed(time.monotonic(), f"{what}, no sink")
    program.check_running()

    stack.add_sink()
    log("a new null sink loaded and made the default")
    listening.heard_pass("new sink after it was removed at rest")


def server_stopped(listening):
    """The sound server stopped (SIGSTOP) during a pass, until the pass has ended and the refresh has come
    back and at least SERVER_STOPPED_SECONDS, then resumed."""
    stack, program = listening.stack, listening.program
    what = "sound server stopped during a pass"
    recorder = listening.record("stopped server")
    pressed, clips = listening.start_pass()
    listening.sleep_until(pressed + FAULT_AFTER_SECONDS)
    stack.signal_pulse(signal.SIGSTOP)
    stopped = time.monotonic()
    log(f"{what}: SIGSTOP {stopped - pressed:.2f} s after Start")
    try:
        ended = listening.check_pass_ends(pressed, clips, what)
        listening.check_renewed(ended, f"{what}, server still stopped", count=1)
        program.check_running()
        listening.sleep_until(stopped + SERVER_STOPPED_SECONDS)
        recorder.stop()  # what it holds now is what was heard before the stop
    finally:
        stack.signal_pulse(signal.SIGCONT)
        log(f"{what}: SIGCONT after {time.monotonic() - stopped:.1f} s")
    listening.heard_before_cut(recorder, clips, what)
    stack.pactl("info")
    # What the stream still held when the server stopped may play out as it goes on: not heard as the next pass.
    time.sleep(1.0)
    listening.heard_pass("server resumed")
    # The streams asked for while the server was stopped were made when it went on, and must not be left
    # playing beside the one in use (nothing fed them, and they kept the device awake).
    streams = program.sound_streams()
    check(len(streams) == 1, f"{what}: the program has {len(streams)} streams on the server after the pass, not 1")


def server_killed(listening):
    """The sound server killed (SIGKILL) during a pass and started again SERVER_DOWN_SECONDS later."""
    stack, program = listening.stack, listening.program
    what = "sound server killed during a pass"
    recorder = listening.record("killed server")
    pressed, clips = listening.start_pass()
    listening.sleep_until(pressed + FAULT_AFTER_SECONDS)
    stack.kill_sound_server()
    killed = time.monotonic()
    log(f"{what}: SIGKILL {killed - pressed:.2f} s after Start")
    listening.heard_before_cut(recorder, clips, what)
    # The pass ends while the server is still away, its clips timed.
    ended = listening.check_pass_ends(pressed, clips, what)
    listening.check_renewed(ended, f"{what}, no server", count=1)
    listening.sleep_until(killed + SERVER_DOWN_SECONDS)
    stack.restart_sound_server()
    restarted = time.monotonic()
    log(f"{what}: the server started again {restarted - killed:.2f} s after it was killed")
    wait_for(lambda: program.process.pid in stack.pulse_client_pids(), RECONNECT_SECONDS, interval=0.1,
             what="the program to connect to the new server")
    log(f"the program is a client of the new server {time.monotonic() - restarted:.2f} s after its start")
    program.check_running()
    listening.heard_pass("server started again")


def finish_probe(probe):
    try:
        stats = probe.finish()
    except Exception as error:
        log(f"the event-loop probe gave no result: {error}")
        return None
    log(f"event loop, read from outside every 100 ms over {stats['seconds']:.0f} s: {stats['probes']} reads, "
        f"median {stats['median_s'] * 1000:.1f} ms, slowest {stats['slowest_s'] * 1000:.0f} ms "
        f"(at {stats['slowest_at_s']:.1f} s), {stats['errors']} failed reads")
    return stats


SCENARIOS = {
    "sink-removed": sink_removed,
    "sink-removed-mid-pass": sink_removed_during_pass,
    "sink-removed-idle": sink_removed_idle,
    "server-stopped": server_stopped,
    "server-killed": server_killed,
}


def body(run, scenario):
    run.feed("--seed", "41")
    program = run.start_program()
    grids_match_cache(run, program, timeout=2 * REFRESH_SECONDS + 4)
    for pair in PAIRS:
        program.add_pair_to_listen(pair)
    program.set_checked(program.control(Role.CHECK_BOX, "Prompt", program.pair_frame()), True)
    if scenario == "sink-removed":
        program.choose_in_combo(program.combo("Times", program.reminder_frame()), ALERT_TIMES)
    probe = StallProbe(run, program).start()
    try:
        SCENARIOS[scenario](Listening(run, program))
    except Exception:
        finish_probe(probe)  # for the log: a window that froze may be why the scenario failed
        # A program that ended takes its windows off the bus a moment before its process is gone: what
        # failed then is that it ended, not what was looked for.
        try:
            wait_for(lambda: program.process.poll() is not None, 1, what="the program to end")
        except TestFailure:
            pass
        program.check_running()
        raise
    stats = finish_probe(probe)
    check(stats is not None, "the event-loop probe gave no result")
    check(stats["errors"] == 0, f"{stats['errors']} reads of a grid cell failed")
    check(stats["slowest_s"] < LONGEST_STALL_ALLOWED,
          f"the program's event loop stalled for {stats['slowest_s']:.2f} s")
    program.check_running()


if __name__ == "__main__":
    scenario = sys.argv[-1]
    if scenario not in SCENARIOS:
        raise SystemExit(f"usage: test_sound_faults.py --vantrel ... --feed ... --tones ... {'|'.join(SCENARIOS)}")
    run_test(f"sound_faults_{scenario.replace('-', '_')}", body, 100)
