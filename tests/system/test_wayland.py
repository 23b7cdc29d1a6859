# SPDX-License-Identifier: GPL-3.0-or-later
"""Vantrel runs natively on a Wayland compositor: its three windows appear, the grids show the page served,
and its controls work.

weston's headless backend is the compositor and the program a native Wayland client (QT_QPA_PLATFORM=
wayland, which Qt never trades for X). Keys cannot be sent to a Wayland client from outside, so the test
drives it with accessibility actions alone, over AT-SPI, which works there as on X11.
"""

import sys

sys.dont_write_bytecode = True  # no __pycache__ beside the sources

from accessibility_driver import Role
from system_checks import check, log
from vantrel_system import run_test


def toolkit_plugins(pid):
    """Qt's window system plugins the process has loaded."""
    with open(f"/proc/{pid}/maps") as maps:
        return {name for name in ("libQt6WaylandClient", "libQt6XcbQpa") if name in maps.read()}


def body(run):
    page, page_rates = run.make_page(5)
    run.feed("--page", page)
    program = run.start_program()
    plugins = toolkit_plugins(program.process.pid)
    check(plugins == {"libQt6WaylandClient"}, f"the program is no native Wayland client: it loaded {plugins}")
    log("the three windows are on the bus; the program is a Wayland client (libQt6WaylandClient, no xcb)")

    waited = run.wait_for_grids(program, page_rates, timeout=10)
    log(f"both grids equal the page served, {waited:.1f} s after the windows appeared")

    program.add_pair_to_listen("EUR/USD")
    frame = program.pair_frame()
    listened = program.list_items(program.control(Role.LIST, "Pairs to be listened", frame))
    check(listened == ["EUR/USD"], f"\"Pairs to be listened\" holds {listened} after Add")
    log("Add, pressed through its accessible action, put EUR/USD in \"Pairs to be listened\"")


if __name__ == "__main__":
    run_test("wayland", body, 90, with_pulse=False, wayland=True)
