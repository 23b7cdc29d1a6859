# SPDX-License-Identifier: GPL-3.0-or-later
"""What a screen reader hears of the main window's combo boxes: each is named after its label, and its
current text is its value, which follows a choice.

Every combo box of the main window is listed over AT-SPI with its name and its value (its Text interface);
there are exactly five, named "Major or Cross", "Interval", "Select Pair", "Sound" and "Times", showing the
start-up choices. Choosing with the mouse changes the value and leaves the name as it was; the pair type's
choice also refills "Available pairs", so the choice reached the program and not only the combo box.
"""

import sys

sys.dont_write_bytecode = True  # no __pycache__ beside the sources

from accessibility_driver import Role
from system_checks import check, log, wait_for
from vantrel_system import run_test

AT_START_UP = {
    "Major or Cross": "Major",
    "Interval": "2.5min",
    "Select Pair": "EUR/USD",
    "Sound": "Bell",
    "Times": "One",
}


def names_and_values(program):
    return [(combo.name, program.combo_value(combo)) for combo in program.combo_boxes()]


def body(run):
    program = run.start_program()
    listed = names_and_values(program)
    for name, value in listed:
        log(f"combo box {name!r}: value {value!r}")
    check(len(listed) == len(AT_START_UP), f"{len(listed)} combo boxes in the main window: {listed}")
    check(dict(listed) == AT_START_UP, f"combo boxes (name, value) {listed}, expected {AT_START_UP}")

    frame = program.pair_frame()
    pair_type = program.combo("Major or Cross", frame)
    available = program.control(Role.LIST, "Available pairs", frame)
    program.choose_in_combo(pair_type, "Cross")
    wait_for(lambda: "EUR/JPY" in program.list_items(available), 5, what="the cross pairs in \"Available pairs\"")
    program.choose_in_combo(program.combo("Interval", frame), "10s")
    program.choose_in_combo(program.combo("Sound", program.reminder_frame()), "frog")

    expected = dict(AT_START_UP, **{"Major or Cross": "Cross", "Interval": "10s", "Sound": "frog"})
    listed = names_and_values(program)
    for name, value in listed:
        log(f"after the choices, combo box {name!r}: value {value!r}")
    check(dict(listed) == expected, f"after the choices (name, value) {listed}, expected {expected}")
    program.check_running()


if __name__ == "__main__":
    run_test("combo_names", body, 90, with_pulse=False)
