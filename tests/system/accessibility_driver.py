# SPDX-License-Identifier: GPL-3.0-or-later
"""Driving the program as a user and a screen reader do: through the accessibility bus (AT-SPI), and with
the mouse where the toolkit offers no accessible way. Also a probe that times the program's event loop from
outside.
"""

import json
import os
import signal
import subprocess
import sys

from system_checks import TestFailure, check, wait_for

try:
    import gi
    gi.require_version("Atspi", "2.0")
    from gi.repository import Atspi
    # Controls are told apart by their role as an enum (Role.PUSH_BUTTON, the same values as pyatspi's
    # ROLE_* constants): role names are display text and change between versions (a push button is named
    # "push button" up to at-spi2-core 2.52 and "button" from 2.53 on). Unlike pyatspi, the typelib can be
    # imported before our session bus is in the environment.
    Role = Atspi.Role
except (ImportError, ValueError):
    Role = None  # _import_pyatspi() says what is missing before any control is looked for


# --------------------------------------------------------------------------------------------------
# Accessibility


def _import_pyatspi():
    try:
        import pyatspi  # noqa: F401  (needs DBUS_SESSION_BUS_ADDRESS of our stack in os.environ)
    except ImportError as error:
        raise TestFailure(f"python3-pyatspi is missing ({error}); install it with apt-get install "
                          f"python3-pyatspi and run the tests with /usr/bin/python3")
    return pyatspi


class Program:
    """The running program as a user and a screen reader see it."""

    def __init__(self, run, process, log_path):
        self.run = run
        self.process = process
        self.log_path = log_path
        self.pyatspi = run.pyatspi
        self.app = None

    # -- finding things

    def wait_until_shown(self, timeout=25):
        def found():
            self.check_running()
            desktop = self.pyatspi.Registry.getDesktop(0)
            for i in range(desktop.childCount):
                try:
                    app = desktop.getChildAtIndex(i)
                    if app is not None and app.name == "vantrel" and app.get_process_id() == self.process.pid:
                        titles = {app.getChildAtIndex(j).name for j in range(app.childCount)}
                        if {"Vantrel", "Major Rates", "Cross Rates"} <= titles:
                            return app
                except Exception:
                    continue
            return None

        self.app = wait_for(found, timeout, interval=0.2, what="the program's three windows over AT-SPI")
        return self

    def check_running(self):
        if self.process.poll() is not None:
            raise TestFailure(f"the program ended (exit status {self.process.returncode}); "
                              f"{self.run.stack.x_server_diagnosis()}; its output:\n" + self.output_tail())

    def output_tail(self, lines=40):
        try:
            with open(self.log_path, errors="replace") as f:
                return "".join(f.readlines()[-lines:])
        except OSError:
            return ""

    def window(self, title):
        for i in range(self.app.childCount):
            child = self.app.getChildAtIndex(i)
            if child.name == title:
                return child
        raise TestFailure(f"no window titled {title!r}")

    @staticmethod
    def descendants(root):
        """The descendants of `root`, breadth first, each with its role (a Role); the insides of lists and
        tables (items and cells) are left out."""
        pending = [root]
        while pending:
            node = pending.pop(0)
            for i in range(node.childCount):
                child = node.getChildAtIndex(i)
                if child is None:
                    continue
                child_role = child.getRole()
                yield child, child_role
                # Cells and list items have no children worth searching; a combo box's are its list.
                if child_role not in (Role.TABLE_CELL, Role.LIST_ITEM, Role.TABLE, Role.LIST, Role.COMBO_BOX):
                    pending.append(child)

    def find(self, root, role=None, name=None, name_prefix=None):
        """The first descendant of `root` with that role (a Role) and (exact or leading) accessible name."""
        for child, child_role in self.descendants(root):
            if ((role is None or child_role == role) and (name is None or child.name == name)
                    and (name_prefix is None or child.name.startswith(name_prefix))):
                return child
        raise TestFailure(f"no {role.value_nick if role is not None else 'control'} named "
                          f"{name or name_prefix!r} in {root.name!r}")

    def main_window(self):
        return self.window("Vantrel")

    def control(self, role, name, within=None):
        return self.find(within or self.main_window(), role=role, name=name)

    def combo(self, label, within=None):
        """A combo box, found by its label, which is its accessible name."""
        return self.control(Role.COMBO_BOX, label, within)

    def combo_boxes(self, within=None):
        """Every combo box of the main window (or of `within`), in the order of the window's tree."""
        return [child for child, role in self.descendants(within or self.main_window())
                if role == Role.COMBO_BOX]

    @staticmethod
    def combo_value(combo):
        """The text a combo box shows now: its value, read through its Text interface."""
        try:
            text = combo.queryText()
        except NotImplementedError:
            raise TestFailure(f"the combo box {combo.name!r} offers no Text interface to read its value from")
        return text.getText(0, -1)

    def reminder_frame(self):
        return self.find(self.main_window(), name_prefix="Key Price Reminder")

    def pair_frame(self):
        return self.find(self.main_window(), name_prefix="Select Money Pairs")

    # -- acting

    def do_action(self, accessible, action_name):
        action = accessible.queryAction()
        names = [action.getName(i) for i in range(action.nActions)]
        for i, name in enumerate(names):
            if name.lower() == action_name.lower():
                check(action.doAction(i), f"action {action_name!r} on {accessible.name!r} failed")
                return
        raise TestFailure(f"{accessible.name!r} has no action {action_name!r}, only {names}")

    def press(self, button):
        self.do_action(button, "Press")

    def press_button(self, name, within=None):
        self.press(self.control(Role.PUSH_BUTTON, name, within))

    def list_items(self, list_accessible):
        """The item texts of a list; an item that goes while it is read (the list is live) is left out."""
        items = []
        for i in range(list_accessible.childCount):
            item = list_accessible.getChildAtIndex(i)
            if item is not None:
                items.append(item.name)
        return items

    def select_list_item(self, list_accessible, text):
        """Selects one item of a list: through the Selection interface where the toolkit offers it, else
        through the Table interface (Qt 6.4 gives list widgets Table, and Selection only from 6.5 on)."""
        items = self.list_items(list_accessible)
        check(text in items, f"{list_accessible.name!r} has no item {text!r}: {items}")
        index = items.index(text)
        try:
            selection = list_accessible.querySelection()
        except NotImplementedError:
            selection = None
        if selection is not None:
            check(selection.selectChild(index), f"selecting {text!r} in {list_accessible.name!r} failed")
            is_selected = lambda: selection.isChildSelected(index)  # noqa: E731
        else:
            table = list_accessible.queryTable()
            check(table.addRowSelection(index), f"selecting {text!r} in {list_accessible.name!r} failed")
            is_selected = lambda: table.isRowSelected(index)  # noqa: E731
        wait_for(is_selected, 5, what=f"{text!r} to be selected in {list_accessible.name!r}")

    def click(self, accessible, from_right=None):
        """A mouse click in the middle of a control, or `from_right` pixels inside its right edge, as a user
        makes it (xdotool, through XTest)."""
        extents = accessible.queryComponent().getExtents(self.pyatspi.DESKTOP_COORDS)
        x = extents.x + (extents.width // 2 if from_right is None else extents.width - from_right)
        subprocess.run(["xdotool", "mousemove", str(x), str(extents.y + extents.height // 2), "click", "1"],
                       env=self.run.stack.env, check=True)

    def choose_in_combo(self, combo, text):
        """Chooses an item of a combo box with the mouse: a click opens its list, a click on the item
        chooses it. (Qt's combo boxes offer no accessible way to choose an item.)"""
        if self.combo_value(combo) == text:
            return
        popup = combo.getChildAtIndex(0)
        # An editable combo box ("Times") takes a click in its middle into its text; its arrow opens it.
        editable = combo.getState().contains(self.pyatspi.STATE_EDITABLE)
        self.click(combo, from_right=6 if editable else None)

        def item():
            for i in range(popup.childCount):
                child = popup.getChildAtIndex(i)
                if child is not None and child.name == text and child.queryComponent().getExtents(
                        self.pyatspi.DESKTOP_COORDS).width > 0:
                    return child
            return None

        self.click(wait_for(item, 5, what=f"the list of the combo box to show {text!r}"))
        wait_for(lambda: self.combo_value(combo) == text, 5, what=f"{combo.name!r} to show {text!r}")

    def add_pair_to_listen(self, pair):
        """Picks a pair in "Available pairs" and presses the pair group's "Add"."""
        frame = self.pair_frame()
        self.select_list_item(self.control(Role.LIST, "Available pairs", frame), pair)
        listened = self.control(Role.LIST, "Pairs to be listened", frame)
        before = self.list_items(listened).count(pair)
        self.press_button("Add", within=frame)
        wait_for(lambda: self.list_items(listened).count(pair) > before, 5,
                 what=f"{pair} to appear in \"Pairs to be listened\"")

    def remove_pair_to_listen(self, pair):
        frame = self.pair_frame()
        listened = self.control(Role.LIST, "Pairs to be listened", frame)
        before = self.list_items(listened).count(pair)
        self.select_list_item(listened, pair)
        self.press_button("Remove", within=frame)
        wait_for(lambda: self.list_items(listened).count(pair) < before, 5,
                 what=f"{pair} to leave \"Pairs to be listened\"")

    def reminders(self):
        return self.list_items(self.control(Role.LIST, "Key price reminders", self.reminder_frame()))

    def add_reminder(self, upper=None, lower=None):
        """Types the thresholds into "Upper"/"Lower" and presses the reminder group's "Add"; returns the
        entries the list holds right after."""
        frame = self.reminder_frame()
        if upper is not None:
            self.type_text(self.control(Role.TEXT, "Upper", frame), upper)
        if lower is not None:
            self.type_text(self.control(Role.TEXT, "Lower", frame), lower)
        self.press_button("Add", within=frame)
        # The click comes a moment after the press; a reminder that was added empties both boxes.
        boxes = [self.control(Role.TEXT, "Upper", frame), self.control(Role.TEXT, "Lower", frame)]
        wait_for(lambda: all(box.queryText().getText(0, -1) == "" for box in boxes), 5,
                 what="the reminder Add to take the thresholds")
        return self.reminders()

    def type_text(self, text_box, text):
        editable = text_box.queryEditableText()
        check(editable.setTextContents(text), f"typing into {text_box.name!r} failed")
        wait_for(lambda: text_box.queryText().getText(0, -1) == text, 5,
                 what=f"{text_box.name!r} to hold {text!r}")

    def set_checked(self, check_box, checked):
        """Checks or clears a check box through its own action ("Toggle")."""
        if check_box.getState().contains(self.pyatspi.STATE_CHECKED) != checked:
            action = check_box.queryAction()
            names = [action.getName(i) for i in range(action.nActions)]
            self.do_action(check_box, "Toggle" if "Toggle" in names else "Press")
        wait_for(lambda: check_box.getState().contains(self.pyatspi.STATE_CHECKED) == checked, 5,
                 what=f"{check_box.name!r} to be {'checked' if checked else 'clear'}")

    def start_button_caption(self):
        """"Start" or "Cancel": the caption of the listening button, or None while it is neither."""
        main = self.main_window()
        captions = [main.getChildAtIndex(i).name for i in range(main.childCount)]
        found = [caption for caption in captions if caption in ("Start", "Cancel")]
        return found[0] if len(found) == 1 else None

    # -- reading the rate grids

    def sound_streams(self):
        """The program's streams on the sound server, as `pactl list sink-inputs` describes each."""
        listing = subprocess.run(["pactl", "list", "sink-inputs"], env=self.run.stack.env, capture_output=True,
                                 text=True, check=True).stdout
        return [block for block in listing.split("Sink Input #")[1:]
                if f'application.process.id = "{self.process.pid}"' in block]

    def sound_stream_corked(self):
        """Whether the program's stream on the sound server is paused (corked), None while it has none."""
        streams = self.sound_streams()
        return "Corked: yes" in streams[0] if streams else None

    def grid(self, title):
        return self.find(self.window(title), role=Role.TABLE)

    def grid_rates(self, title):
        """{pair: rate text} of one rate window, read cell by cell through the Table interface; its rows
        are the pairs' rows (the heading row gives the columns their headings)."""
        table = self.grid(title).queryTable()
        rates = {}
        for row in range(table.nRows):
            pair = table.getAccessibleAt(row, 0).name
            rates[pair] = table.getAccessibleAt(row, 1).name
        return rates

    def all_rates(self):
        rates = self.grid_rates("Major Rates")
        rates.update(self.grid_rates("Cross Rates"))
        return rates

    def stable_rates(self):
        """Both grids, read until two reads in a row agree: a refresh that rewrites the grids while they
        are read cell by cell would otherwise give a mixture of old and new rates."""
        last = self.all_rates()
        while True:
            rates = self.all_rates()
            if rates == last:
                return rates
            last = rates

    def quit(self):
        """Quit as a user does; the process is stopped by id afterwards anyway."""
        try:
            self.press_button("Quit")
            self.process.wait(5)
        except Exception:
            pass


# --------------------------------------------------------------------------------------------------
# Measuring how long the program's event loop stalls, from outside

PROBE_SCRIPT = r"""
import json, os, signal, sys, time
import pyatspi
pyatspi.setTimeout(20000, 20000)
pid, out = int(sys.argv[1]), sys.argv[2]
stop = []
signal.signal(signal.SIGTERM, lambda *_: stop.append(1))
app = None
for _ in range(200):
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        child = desktop.getChildAtIndex(i)
        try:
            if child is not None and child.get_process_id() == pid:
                app = child
        except Exception:
            pass
    if app is not None:
        break
    time.sleep(0.1)
table = None
for i in range(app.childCount):
    window = app.getChildAtIndex(i)
    if window.name == "Major Rates":
        pending = [window]
        while pending and table is None:
            node = pending.pop()
            for j in range(node.childCount):
                c = node.getChildAtIndex(j)
                if c.getRole() == pyatspi.ROLE_TABLE:
                    table = c.queryTable()
                    break
                pending.append(c)
slowest, slowest_at, count, errors, times = 0.0, 0.0, 0, 0, []
start = time.monotonic()
with open(out + ".ready", "w") as f:
    f.write("ready\n")
while not stop:
    t0 = time.monotonic()
    try:
        table.getAccessibleAt(1, 1).name  # EUR/USD's rate: one call into the program's event loop
    except Exception:
        errors += 1
    elapsed = time.monotonic() - t0
    count += 1
    times.append(elapsed)
    if elapsed > slowest:
        slowest, slowest_at = elapsed, t0 - start
    time.sleep(max(0.0, 0.1 - elapsed))
times.sort()
with open(out, "w") as f:
    json.dump({"probes": count, "errors": errors, "slowest_s": slowest, "slowest_at_s": slowest_at,
               "median_s": times[len(times) // 2] if times else 0.0,
               "p99_s": times[int(len(times) * 0.99)] if times else 0.0,
               "seconds": time.monotonic() - start}, f)
"""


class StallProbe:
    """A separate process that reads one grid cell of the program every 100 ms and keeps the slowest trip."""

    def __init__(self, run, program):
        self.run = run
        self.program = program
        self.out = run.path("probe.json")
        self.process = None

    def start(self):
        script = self.run.path("probe.py")
        with open(script, "w") as f:
            f.write(PROBE_SCRIPT)
        env = dict(os.environ)
        env.update({k: v for k, v in self.run.stack.env.items() if k in ("DISPLAY", "DBUS_SESSION_BUS_ADDRESS")})
        self.process = self.run.keeper.popen("stall probe", [sys.executable, script, str(self.program.process.pid),
                                                             self.out], env=env)
        wait_for(lambda: os.path.exists(self.out + ".ready") or self.process.poll() is not None, 20,
                 what="the stall probe to start")
        check(self.process.poll() is None, "the stall probe ended at once")
        return self

    def finish(self):
        self.process.send_signal(signal.SIGTERM)
        try:
            self.process.wait(30)
        except subprocess.TimeoutExpired:
            pass
        self.run.keeper.stop(self.process)
        with open(self.out) as f:
            return json.load(f)
