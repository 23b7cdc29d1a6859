# SPDX-License-Identifier: GPL-3.0-or-later
"""A reading pass plays the expected clips, in order, whole and without gaps.

EUR/USD and USD/JPY are added to "Pairs to be listened", "Prompt" is checked and Start pressed. The null
sink's monitor is recorded and the tone clips (each a pure sine of its own frequency) are decoded back into
clip names, which must equal: the intro, then for each pair its name and the first six characters of the
rate the grid shows for it. Before Start the program has been idle long enough for its sound stream to
rest (paused on the sound server; under PipeWire, the sink suspended too), so the pass also shows that
waking it loses nothing.
"""

import sys

sys.dont_write_bytecode = True  # no __pycache__ beside the sources

import time

from accessibility_driver import Role
from audio_analysis import Recorder, check_heard, rate_clips
from system_checks import check, log, wait_for
from vantrel_system import run_test

PAIRS = ["EUR/USD", "USD/JPY"]


def body(run):
    page, page_rates = run.make_page(5)
    run.feed("--page", page)
    program = run.start_program()
    run.wait_for_grids(program, page_rates, timeout=10)

    for pair in PAIRS:
        program.add_pair_to_listen(pair)
    program.set_checked(program.control(Role.CHECK_BOX, "Prompt", program.pair_frame()), True)
    shown = program.grid_rates("Major Rates")
    expected = ["dqhj"]
    for pair in PAIRS:
        expected += rate_clips(pair, shown[pair])
    heard_length = sum(run.tones.duration_s(name) for name in expected)
    log("rates shown: " + ", ".join(f"{pair} {shown[pair]}" for pair in PAIRS))
    log(f"expected clips: {' '.join(expected)} ({heard_length:.2f} s of sound)")

    wait_for(lambda: program.sound_stream_corked() is True, 10, interval=0.2,
             what="the idle program's sound stream to rest (corked on the sound server)")
    log("idle: the program's sound stream is paused on the sound server")
    if run.stack.sound_server == "pipewire":
        # WirePlumber suspends a node that has been idle for 5 s: the first clip wakes the sink too.
        wait_for(lambda: "SUSPENDED" in run.stack.pactl("list", "short", "sinks"), 10, interval=0.2,
                 what="WirePlumber to suspend the idle null sink")
        log("idle: WirePlumber has suspended the null sink")
    recorder = Recorder(run, "reading-pass").start()
    time.sleep(0.5)
    program.press_button("Start")
    wait_for(lambda: program.start_button_caption() == "Cancel", 5, what="the Start button to read Cancel")
    # The monitor lags the sink: keep recording well after the last clip.
    time.sleep(heard_length + 2.5)
    recorder.stop()

    check_heard(recorder, run.tones, expected)

    program.press_button("Cancel")
    wait_for(lambda: program.start_button_caption() == "Start", 5, what="the Cancel button to read Start")
    listened = program.list_items(program.control(Role.LIST, "Pairs to be listened", program.pair_frame()))
    check(listened == [], f"Cancel left pairs in \"Pairs to be listened\": {listened}")
    log("Cancel: the button reads Start again and the pairs list is empty")


if __name__ == "__main__":
    run_test("reading_pass", body, 90)
