"""Shared fixture of the system tests: the services, the quote server, the program, and how to read them.

Every test runs as its own Python process:

    python3 test_NAME.py --vantrel BUILD/src/vantrel --feed BUILD/tools/feed/vantrel-feed \
                         --tones BUILD/tone-sound

and calls `run_test(body, budget_seconds)`. That starts a private stack (Xvfb, a D-Bus session bus, the
accessibility bus, optionally PulseAudio with a null sink) in a private XDG_RUNTIME_DIR, hands the body a
`SystemRun`, and afterwards stops every process it started, by process id, whatever happened. The test
process makes itself a child subreaper, so that daemons which fork away (dbus-daemon --fork,
pulseaudio -D) and whatever they start are reparented to it and can be found and stopped too.

Everything talks over loopback or Unix sockets only. The quote server must listen on 127.0.0.1:8755 (the
address is built into the program); a test fails with a clear message when that port is taken.
"""

import argparse
import ctypes
import json
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import traceback
import urllib.request

QUOTE_PORT = 8755
REFRESH_SECONDS = 3.0
REQUEST_TIMEOUT_SECONDS = 60.0


class TestFailure(AssertionError):
    """A check of a system test did not hold."""


class OutOfTime(Exception):
    """The test's own time budget ran out."""


def check(condition, message):
    if not condition:
        raise TestFailure(message)


def log(message):
    print(f"[{time.strftime('%H:%M:%S')}] {message}", flush=True)


# --------------------------------------------------------------------------------------------------
# Processes


def _make_child_subreaper():
    PR_SET_CHILD_SUBREAPER = 36
    libc = ctypes.CDLL(None, use_errno=True)
    if libc.prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0) != 0:
        log("warning: could not become a child subreaper; forked daemons are tracked by their pid only")


def _children_of(pid):
    """Process ids whose parent is `pid`, read from /proc."""
    children = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/stat") as stat:
                fields = stat.read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        if int(fields[1]) == pid and fields[0] != "Z":
            children.append(int(entry))
    return children


def _descendants_of(pid):
    found = []
    pending = [pid]
    while pending:
        for child in _children_of(pending.pop()):
            if child not in found:
                found.append(child)
                pending.append(child)
    return found


def _alive(pid):
    try:
        with open(f"/proc/{pid}/stat") as stat:
            return stat.read().rsplit(")", 1)[1].split()[0] != "Z"
    except OSError:
        return False


def _reap(pid):
    try:
        os.waitpid(pid, os.WNOHANG)
    except ChildProcessError:
        pass


def stop_pid(pid, grace=3.0):
    """Ends one process by its id: SIGTERM, then SIGKILL after `grace` seconds."""
    if not _alive(pid):
        _reap(pid)
        return
    try:
        os.kill(pid, signal.SIGTERM)
    except ProcessLookupError:
        return
    deadline = time.monotonic() + grace
    while time.monotonic() < deadline:
        _reap(pid)
        if not _alive(pid):
            return
        time.sleep(0.02)
    try:
        os.kill(pid, signal.SIGKILL)
    except ProcessLookupError:
        pass
    deadline = time.monotonic() + 2
    while _alive(pid) and time.monotonic() < deadline:
        _reap(pid)
        time.sleep(0.02)
    _reap(pid)


class ProcessKeeper:
    """Remembers every process a test starts and stops them all, newest first, by process id."""

    def __init__(self):
        self._started = []  # (name, pid, Popen or None)
        self._markers = {}  # pid of a daemon that forked away: text its command line must hold

    def popen(self, name, argv, **kwargs):
        process = subprocess.Popen(argv, **kwargs)
        self._started.append((name, process.pid, process))
        return process

    def adopt(self, name, pid, marker):
        """Takes on a daemon that reported its own pid; `marker` (our runtime directory) tells it from a
        later process that got the same pid, should the daemon have ended early."""
        self._started.append((name, pid, None))
        self._markers[pid] = marker

    def _still_ours(self, pid):
        marker = self._markers.get(pid)
        if marker is None:
            return True
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                return marker.encode() in f.read()
        except OSError:
            return False

    def stop(self, process_or_pid):
        pid = process_or_pid if isinstance(process_or_pid, int) else process_or_pid.pid
        if self._still_ours(pid):
            for descendant in reversed(_descendants_of(pid)):
                stop_pid(descendant)
            stop_pid(pid)
        for name, started, process in self._started:
            if started == pid and process is not None:
                process.poll()
        self._started = [entry for entry in self._started if entry[1] != pid]

    def stop_all(self):
        for name, pid, process in reversed(list(self._started)):
            self.stop(pid)
        # Whatever the daemons started, or what a killed process left, has been reparented to us.
        for pid in reversed(_descendants_of(os.getpid())):
            stop_pid(pid)
        leftovers = [pid for pid in _descendants_of(os.getpid()) if _alive(pid)]
        if leftovers:
            log(f"warning: processes still running after the stop: {leftovers}")


# --------------------------------------------------------------------------------------------------
# Services


def port_is_free(port):
    probe = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    probe.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    try:
        probe.bind(("127.0.0.1", port))
        return True
    except OSError:
        return False
    finally:
        probe.close()


def wait_for(condition, timeout, interval=0.05, what="condition"):
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise TestFailure(f"timed out after {timeout:.0f} s waiting for {what}")
        time.sleep(interval)


class Stack:
    """Xvfb, a D-Bus session bus, the accessibility bus and (optionally) PulseAudio with a null sink."""

    def __init__(self, keeper, runtime_dir, with_pulse):
        self.keeper = keeper
        self.runtime_dir = runtime_dir
        self.with_pulse = with_pulse
        self.env = {}

    def start(self):
        rt = self.runtime_dir
        os.makedirs(os.path.join(rt, "home"), exist_ok=True)
        base = {
            "XDG_RUNTIME_DIR": rt,
            "HOME": os.path.join(rt, "home"),
            "XDG_CACHE_HOME": os.path.join(rt, "cache"),
            "XDG_CONFIG_HOME": os.path.join(rt, "config"),
            "XDG_DATA_HOME": os.path.join(rt, "data"),
            "PATH": os.environ.get("PATH", "/usr/bin:/bin"),
            "LANG": "C.UTF-8",
            "no_proxy": "127.0.0.1,localhost",
        }
        self.env = dict(base)

        # The X server picks a free display and writes its number to fd 3. -noreset: by default it resets
        # whenever its last client leaves (the accessibility bus launcher does early on), and a client that
        # connects during the reset is turned away ("could not connect to display").
        display_file = os.path.join(rt, "display")
        self.keeper.popen(
            "Xvfb",
            ["bash", "-c", 'exec Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$1"', "xvfb",
             display_file],
            env=self.env, stdout=subprocess.DEVNULL, stderr=open(os.path.join(rt, "xvfb.log"), "w"))

        def display_written():
            try:
                with open(display_file) as f:
                    text = f.read()
                return text.strip() if text.endswith("\n") else None
            except OSError:
                return None

        display = wait_for(display_written, 15, what="Xvfb to report its display")
        self.env["DISPLAY"] = ":" + display
        wait_for(lambda: self._x_server_answers(display), 10, interval=0.05,
                 what=f"Xvfb to accept clients on :{display}")

        bus = subprocess.Popen(
            ["dbus-daemon", "--session", "--fork", "--print-address=1", "--print-pid=1",
             f"--address=unix:path={rt}/bus"],
            env=self.env, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        address = bus.stdout.readline().strip()
        bus_pid = bus.stdout.readline().strip()
        bus.wait(10)
        check(address and bus_pid.isdigit(), f"dbus-daemon did not start: {bus.stderr.read()}")
        self.keeper.adopt("dbus-daemon", int(bus_pid), marker=rt)
        self.env["DBUS_SESSION_BUS_ADDRESS"] = address

        self.keeper.popen("at-spi-bus-launcher", ["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                          env=self.env, stdout=subprocess.DEVNULL,
                          stderr=open(os.path.join(rt, "at-spi.log"), "w"))
        wait_for(self._a11y_bus_registered, 15, interval=0.1, what="the accessibility bus")

        if self.with_pulse:
            self._start_pulse()
        else:
            # No sound server at all: the socket named here does not exist and nothing may be spawned.
            client_conf = os.path.join(rt, "pulse-client.conf")
            with open(client_conf, "w") as f:
                f.write("autospawn = no\n")
            self.env["PULSE_SERVER"] = f"unix:{rt}/no-such-pulse/native"
            self.env["PULSE_CLIENTCONFIG"] = client_conf
        self.env["QT_QPA_PLATFORM"] = "xcb"
        self.env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"

    def x_server_diagnosis(self):
        display = self.env.get("DISPLAY", ":?")[1:]
        xvfb = [pid for name, pid, _ in self.keeper._started if name == "Xvfb"]
        try:
            with open(os.path.join(self.runtime_dir, "xvfb.log")) as f:
                xlog = f.read().strip()
        except OSError:
            xlog = ""
        return (f"X server :{display}: process {xvfb} alive={[_alive(pid) for pid in xvfb]}, "
                f"answers={self._x_server_answers(display)}, log={xlog!r}")

    @staticmethod
    def _x_server_answers(display):
        """Whether the X server's socket takes a connection and answers the connection setup."""
        client = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        client.settimeout(2)
        try:
            client.connect(f"/tmp/.X11-unix/X{display}")
            # Little-endian connection setup, protocol 11.0, no authorisation.
            client.sendall(b"l\0\x0b\0\0\0\0\0\0\0\0\0")
            return client.recv(1) in (b"\x00", b"\x01", b"\x02")
        except OSError:
            return False
        finally:
            client.close()

    def _a11y_bus_registered(self):
        result = subprocess.run(
            ["dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
             "org.freedesktop.DBus.NameHasOwner", "string:org.a11y.Bus"],
            env=self.env, capture_output=True, text=True, timeout=5)
        return "boolean true" in result.stdout

    def _start_pulse(self):
        rt = self.runtime_dir
        os.makedirs(os.path.join(rt, "pulse"), exist_ok=True)
        conf = os.path.join(rt, "pa.conf")
        with open(conf, "w") as f:
            f.write("load-module module-null-sink sink_name=rec rate=48000 channels=2\n"
                    f"load-module module-native-protocol-unix auth-anonymous=1 socket={rt}/pulse/native\n"
                    "set-default-sink rec\n")
        result = subprocess.run(
            ["pulseaudio", "-D", "-n", "-F", conf, "--exit-idle-time=-1", "--disallow-exit",
             f"--log-target=file:{rt}/pulse.log"],
            env=self.env, capture_output=True, text=True, timeout=20)
        pid_file = os.path.join(rt, "pulse", "pid")
        if os.path.exists(pid_file):
            with open(pid_file) as f:
                self.keeper.adopt("pulseaudio", int(f.read().split()[0]), marker=rt)
        check(result.returncode == 0, f"pulseaudio did not start: {result.stderr.strip()}")
        self.env["PULSE_SERVER"] = f"unix:{rt}/pulse/native"
        wait_for(lambda: subprocess.run(["pactl", "info"], env=self.env, capture_output=True,
                                        timeout=5).returncode == 0,
                 10, interval=0.1, what="PulseAudio to answer")


# --------------------------------------------------------------------------------------------------
# The quote server


class Feed:
    """One vantrel-feed process."""

    def __init__(self, run, args, port=QUOTE_PORT):
        self.run = run
        self.args = list(args)
        self.port = port
        self.process = None
        self.url = None

    def start(self):
        if self.port == QUOTE_PORT and not port_is_free(QUOTE_PORT):
            raise TestFailure(
                f"port {QUOTE_PORT} on 127.0.0.1 is taken by another program; the quote address is fixed "
                f"in the program, so the system tests need that port free (stop whatever listens there)")
        log_path = self.run.path(f"feed-{len(self.run.feeds_started)}.log")
        self.run.feeds_started.append(self)
        argv = [self.run.feed_bin, "--port", str(self.port)] + self.args
        with open(log_path, "w") as out:
            self.process = self.run.keeper.popen("vantrel-feed", argv, stdout=out, stderr=subprocess.STDOUT,
                                                 env=self.run.stack.env)

        def serving():
            with open(log_path) as f:
                for line in f:
                    if "serving " in line:
                        return line.split("serving ", 1)[1].strip()
            if self.process.poll() is not None:
                with open(log_path) as f:
                    raise TestFailure(f"vantrel-feed {' '.join(argv[1:])} ended at once: {f.read().strip()}")
            return None

        self.url = wait_for(serving, 10, what="vantrel-feed to listen")
        return self

    def stop(self):
        if self.process is not None:
            self.run.keeper.stop(self.process)
            self.process = None


def fetch(url, timeout=10):
    opener = urllib.request.build_opener(urllib.request.ProxyHandler({}))
    with opener.open(url, timeout=timeout) as reply:
        return reply.read()


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
        """The descendants of `root`, breadth first, each with its role name; the insides of lists and
        tables (items and cells) are left out."""
        pending = [root]
        while pending:
            node = pending.pop(0)
            for i in range(node.childCount):
                child = node.getChildAtIndex(i)
                if child is None:
                    continue
                child_role = child.getRoleName()
                yield child, child_role
                # Cells and list items have no children worth searching; a combo box's are its list.
                if child_role not in ("table cell", "list item", "table", "list", "combo box"):
                    pending.append(child)

    def find(self, root, role=None, name=None, name_prefix=None):
        """The first descendant of `root` with that role name and (exact or leading) accessible name."""
        for child, child_role in self.descendants(root):
            if ((role is None or child_role == role) and (name is None or child.name == name)
                    and (name_prefix is None or child.name.startswith(name_prefix))):
                return child
        raise TestFailure(f"no {role or 'control'} named {name or name_prefix!r} in {root.name!r}")

    def main_window(self):
        return self.window("Vantrel")

    def control(self, role, name, within=None):
        return self.find(within or self.main_window(), role=role, name=name)

    def combo(self, label, within=None):
        """A combo box, found by its label, which is its accessible name."""
        return self.control("combo box", label, within)

    def combo_boxes(self, within=None):
        """Every combo box of the main window (or of `within`), in the order of the window's tree."""
        return [child for child, role in self.descendants(within or self.main_window()) if role == "combo box"]

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
        self.press(self.control("push button", name, within))

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

    def click(self, accessible):
        """A mouse click in the middle of a control, as a user makes it (xdotool, through XTest)."""
        extents = accessible.queryComponent().getExtents(self.pyatspi.DESKTOP_COORDS)
        subprocess.run(["xdotool", "mousemove", str(extents.x + extents.width // 2),
                        str(extents.y + extents.height // 2), "click", "1"],
                       env=self.run.stack.env, check=True)

    def choose_in_combo(self, combo, text):
        """Chooses an item of a combo box with the mouse: a click opens its list, a click on the item
        chooses it. (Qt's combo boxes offer no accessible way to choose an item.)"""
        if self.combo_value(combo) == text:
            return
        popup = combo.getChildAtIndex(0)
        self.click(combo)

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
        self.select_list_item(self.control("list", "Available pairs", frame), pair)
        listened = self.control("list", "Pairs to be listened", frame)
        before = self.list_items(listened).count(pair)
        self.press_button("Add", within=frame)
        wait_for(lambda: self.list_items(listened).count(pair) > before, 5,
                 what=f"{pair} to appear in \"Pairs to be listened\"")

    def remove_pair_to_listen(self, pair):
        frame = self.pair_frame()
        listened = self.control("list", "Pairs to be listened", frame)
        before = self.list_items(listened).count(pair)
        self.select_list_item(listened, pair)
        self.press_button("Remove", within=frame)
        wait_for(lambda: self.list_items(listened).count(pair) < before, 5,
                 what=f"{pair} to leave \"Pairs to be listened\"")

    def reminders(self):
        return self.list_items(self.control("list", "Key price reminders", self.reminder_frame()))

    def add_reminder(self, upper=None, lower=None):
        """Types the thresholds into "Upper"/"Lower" and presses the reminder group's "Add"; returns the
        entries the list holds right after."""
        frame = self.reminder_frame()
        if upper is not None:
            self.type_text(self.control("text", "Upper", frame), upper)
        if lower is not None:
            self.type_text(self.control("text", "Lower", frame), lower)
        self.press_button("Add", within=frame)
        # The click comes a moment after the press; a reminder that was added empties both boxes.
        boxes = [self.control("text", "Upper", frame), self.control("text", "Lower", frame)]
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

    def sound_stream_corked(self):
        """Whether the program's stream on the sound server is paused (corked), None while it has none."""
        listing = subprocess.run(["pactl", "list", "sink-inputs"], env=self.run.stack.env, capture_output=True,
                                 text=True, check=True).stdout
        for block in listing.split("Sink Input #")[1:]:
            if f'application.process.id = "{self.process.pid}"' in block:
                return "Corked: yes" in block
        return None

    def grid(self, title):
        return self.find(self.window(title), role="table")

    def grid_rates(self, title):
        """{pair: rate text} of one rate window, read cell by cell through the Table interface."""
        table = self.grid(title).queryTable()
        rates = {}
        for row in range(1, table.nRows):
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


def cache_page_path(run):
    return os.path.join(run.stack.env["XDG_CACHE_HOME"], "vantrel", "curquote.htm")


def check_page(run, page_path):
    """What the program reads from a saved page: ({pair: rate}, complete)."""
    result = subprocess.run([run.feed_bin, "check", page_path], capture_output=True, text=True, timeout=10)
    rates = {}
    for line in result.stdout.splitlines():
        pair, _, rate = line.partition("\t")
        rates[pair] = rate
    return rates, result.returncode == 0


def differences(expected, actual):
    return {pair: (expected.get(pair), actual.get(pair))
            for pair in sorted(set(expected) | set(actual)) if expected.get(pair) != actual.get(pair)}


def grids_match_cache(run, program, timeout=10, changed_from=None):
    """Waits until both grids show exactly what `vantrel-feed check` reads from the program's cache file,
    the file read before and after the grids so that a refresh in between is not mistaken for a match,
    and (with `changed_from`) differ from those rates. Returns (rates, seconds waited)."""
    start = time.monotonic()
    last = {}

    def matching():
        nonlocal last
        program.check_running()
        before, complete = check_page(run, cache_page_path(run))
        shown = program.all_rates()
        after, _ = check_page(run, cache_page_path(run))
        last = (before, shown)
        if changed_from is not None and shown == changed_from:
            return None
        return shown if complete and before == after == shown else None

    try:
        rates = wait_for(matching, timeout, interval=0.1, what="the grids to match the cache file")
    except TestFailure:
        before, shown = last or ({}, {})
        if changed_from is not None and shown == changed_from:
            raise TestFailure(f"the grids did not change within {timeout:.0f} s")
        raise TestFailure(f"the grids do not show what the cache file holds after {timeout:.0f} s "
                          f"(cache, grid): {differences(before, shown)}")
    return rates, time.monotonic() - start


class ConnectionWatcher:
    """Watches the TCP connections to the quote port in /proc/net/tcp every 10 ms, from a thread, to see
    from outside when the program asks for a page and how long a request stays open.

    Each connection is known by its client port: when it was first seen, the first and last time either
    end of it was seen ESTABLISHED, and whether its client end is a socket of the program (another
    program on the machine that asks 127.0.0.1:8755 for pages would reach the tests' quote server too).
    The quote server closes after every answer, so every request is a connection of its own; one that
    lasts only a few milliseconds may be seen only after its end, with no owner."""

    def __init__(self, program_pid, port=QUOTE_PORT):
        import threading
        self.program_pid = program_pid
        self.port = port
        self.connections = {}
        self._lock = threading.Lock()
        self._stop = threading.Event()
        self._thread = threading.Thread(target=self._watch, daemon=True)

    def start(self):
        self._thread.start()
        return self

    def stop(self):
        self._stop.set()
        self._thread.join(2)

    def _program_sockets(self):
        inodes = set()
        fd_dir = f"/proc/{self.program_pid}/fd"
        try:
            for fd in os.listdir(fd_dir):
                try:
                    target = os.readlink(os.path.join(fd_dir, fd))
                except OSError:
                    continue
                if target.startswith("socket:["):
                    inodes.add(target[8:-1])
        except OSError:
            pass
        return inodes

    def _watch(self):
        hex_port = f"{self.port:04X}"
        while not self._stop.is_set():
            now = time.monotonic()
            try:
                with open("/proc/net/tcp") as f:
                    lines = f.readlines()[1:]
            except OSError:
                lines = []
            ours = self._program_sockets()
            with self._lock:
                for line in lines:
                    fields = line.split()
                    local, remote, state, inode = fields[1], fields[2], fields[3], fields[9]
                    local_port, remote_port = local.split(":")[1], remote.split(":")[1]
                    client_end = False
                    if local_port == hex_port and remote.startswith("0100007F"):
                        client = int(remote_port, 16)
                    elif remote_port == hex_port and local.startswith("0100007F") and remote.startswith("0100007F"):
                        client = int(local_port, 16)
                        client_end = True
                    else:
                        continue
                    entry = self.connections.setdefault(client, {"first": now, "open_first": None,
                                                                 "open_last": None, "ours": False})
                    if client_end and inode in ours:
                        entry["ours"] = True
                    if state == "01":
                        if entry["open_first"] is None:
                            entry["open_first"] = now
                        entry["open_last"] = now
            self._stop.wait(0.01)

    def opened_between(self, start, end=None, ours_only=True):
        """The connections first seen between two monotonic times, oldest first: only the program's,
        unless `ours_only` is false."""
        end = time.monotonic() if end is None else end
        with self._lock:
            found = [dict(entry, port=port) for port, entry in self.connections.items()
                     if start <= entry["first"] <= end and (entry["ours"] or not ours_only)]
        return sorted(found, key=lambda entry: entry["first"])

    def describe(self, since):
        now = time.monotonic()
        lines = []
        for entry in self.opened_between(since, ours_only=False):
            opened = "never established" if entry["open_first"] is None else (
                f"open {entry['open_first'] - since:.1f}-{entry['open_last'] - since:.1f} s")
            lines.append(f"port {entry['port']}: {'the program' if entry['ours'] else 'another client'}, "
                         f"first seen {entry['first'] - since:.1f} s, {opened}")
        return f"connections to the quote port in the last {now - since:.0f} s:\n  " + "\n  ".join(lines)


# --------------------------------------------------------------------------------------------------
# Recording and decoding what the program plays


class Tones:
    """The tone clips: name -> (frequency Hz, duration ms), read from tones.tsv."""

    def __init__(self, tones_dir):
        self.dir = tones_dir
        self.table = {}
        with open(os.path.join(tones_dir, "tones.tsv")) as f:
            next(f)
            for line in f:
                name, frequency, duration = line.rstrip("\n").split("\t")
                self.table[name] = (int(frequency), int(duration))
        self.by_frequency = {frequency: name for name, (frequency, _) in self.table.items()}

    def duration_s(self, name):
        return self.table[name][1] / 1000.0


class Recorder:
    """parec on the null sink's monitor, 48 kHz mono 16-bit, into a raw file."""

    RATE = 48000

    def __init__(self, run, name):
        self.run = run
        self.path = run.path(name + ".raw")
        self.process = None

    def start(self):
        self.process = self.run.keeper.popen(
            "parec", ["parec", "-d", "rec.monitor", "--format=s16le", "--rate=48000", "--channels=1",
                      "--latency-msec=10", "--raw", self.path],
            env=self.run.stack.env, stdout=subprocess.DEVNULL, stderr=open(self.path + ".log", "w"))
        wait_for(lambda: os.path.exists(self.path) and os.path.getsize(self.path) > 0, 5,
                 what="parec to start recording")
        return self

    def stop(self):
        if self.process is not None:
            self.run.keeper.stop(self.process)
            self.process = None

    def samples(self):
        import numpy
        return numpy.fromfile(self.path, dtype="<i2").astype(numpy.float64) / 32768.0

    def seconds(self):
        return os.path.getsize(self.path) / 2 / self.RATE


def decode_clips(samples, tones, rate=48000):
    """The clips heard in a recording, in order: [(name, start s, length s)].

    Where there is sound at all comes from the level in 1 ms blocks, so silences between clips are
    measured to the millisecond. Inside a stretch of sound, a 960-sample window (20 ms: each tone, 50 Hz
    apart, falls on its own FFT bin) every 240 samples (5 ms) names the nearest known tone by its strongest
    bin; where the name changes, one clip ends and the next begins, half-way between the two windows. A run
    of one name as long as several of its clips counts as that many clips played back to back.
    """
    import numpy
    window, hop, block = 960, 240, 48
    frequencies = numpy.array(sorted(tones.by_frequency))
    blocks = len(samples) // block
    if blocks == 0:
        return []
    level = numpy.sqrt(numpy.mean(samples[:blocks * block].reshape(blocks, block) ** 2, axis=1))
    sounding = level > 0.02

    stretches = []  # (first sample, end sample) of sound
    index = 0
    while index < blocks:
        if not sounding[index]:
            index += 1
            continue
        first = index
        while index < blocks and sounding[index]:
            index += 1
        stretches.append((first * block, index * block))

    taper = numpy.hanning(window)
    clips = []
    for first, end in stretches:
        if end - first < window:
            continue  # a click, not a clip: every clip lasts 150 ms or more
        labels = []  # (window centre in samples, name)
        for left in range(first, end - window + 1, hop):
            spectrum = numpy.abs(numpy.fft.rfft(samples[left:left + window] * taper))
            peak_hz = (numpy.argmax(spectrum[1:]) + 1) * rate / window
            nearest = int(frequencies[numpy.argmin(numpy.abs(frequencies - peak_hz))])
            labels.append((left + window // 2, tones.by_frequency[nearest] if abs(nearest - peak_hz) <= 25 else None))
        runs = []  # [name, first centre, last centre, windows]
        for centre, name in labels:
            if runs and runs[-1][0] == name:
                runs[-1][2] = centre
                runs[-1][3] += 1
            else:
                runs.append([name, centre, centre, 1])
        # Windows straddling the end of one clip and the start of the next may name either: a run of a
        # few windows there is no clip of its own.
        runs = [run for run in runs if run[0] is not None and run[3] > 3]
        merged = []
        for run in runs:
            if merged and merged[-1][0] == run[0]:
                merged[-1][2], merged[-1][3] = run[2], merged[-1][3] + run[3]
            else:
                merged.append(run)
        for position, (name, first_centre, last_centre, _) in enumerate(merged):
            begin = first if position == 0 else (merged[position - 1][2] + first_centre) / 2
            finish = end if position == len(merged) - 1 else (last_centre + merged[position + 1][1]) / 2
            length = (finish - begin) / rate
            repeats = max(1, round(length / tones.duration_s(name)))
            for k in range(repeats):
                clips.append((name, begin / rate + k * length / repeats, length / repeats))
    return clips


def gaps_between(clips):
    return [b[1] - (a[1] + a[2]) for a, b in zip(clips, clips[1:])]


def rate_clips(pair, rate_text):
    """The clips a reading of one pair plays when "Money Pair" is on: the pair, then six characters."""
    clips = [pair.replace("/", "").lower()]
    for position in range(1, 7):
        character = rate_text[position - 1] if position <= len(rate_text) else ""
        if 2 <= position <= 4 and character == ".":
            clips.append("dianm")
        elif character:
            clips.append(character + "m")
        # Past the end of the text the program asks for clip "m", which does not exist: nothing is heard.
    return clips


def describe_clips(clips):
    return " ".join(name for name, _, _ in clips)


def check_clips_whole(clips, tones):
    """Logs and checks the gaps between clips and how much of each clip was heard."""
    gaps = gaps_between(clips)
    ratios = [(name, length / tones.duration_s(name)) for name, _, length in clips]
    log(f"gaps between clips: {max(0.0, max(gaps, default=0.0)) * 1000:.0f} ms at most; each clip heard for "
        f"{min(r for _, r in ratios) * 100:.0f}-{max(r for _, r in ratios) * 100:.0f} % of its length")
    check(max(gaps, default=0.0) <= 0.030, f"a gap of {max(gaps) * 1000:.0f} ms between two clips")
    check(all(0.85 <= ratio <= 1.15 for _, ratio in ratios),
          f"clips not heard whole (name, part heard): {[(n, round(r, 2)) for n, r in ratios]}")


def check_heard(recorder, tones, expected):
    """Decodes a finished recording, checks that exactly the expected clips were heard, in order and whole,
    and returns them as (name, start, length)."""
    clips = decode_clips(recorder.samples(), tones)
    log(f"heard clips:    {describe_clips(clips)} (in {recorder.seconds():.1f} s of recording)")
    check([name for name, _, _ in clips] == expected,
          f"heard {describe_clips(clips)!r}, expected {' '.join(expected)!r}")
    check_clips_whole(clips, tones)
    return clips


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
                if c.getRoleName() == "table":
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
        table.getAccessibleAt(2, 1).name  # EUR/USD's rate: one call into the program's event loop
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


# --------------------------------------------------------------------------------------------------
# One test run


class SystemRun:
    def __init__(self, args, runtime_dir, keeper):
        self.vantrel_bin = os.path.abspath(args.vantrel)
        self.feed_bin = os.path.abspath(args.feed)
        self.tones = Tones(os.path.abspath(args.tones))
        self.dir = runtime_dir
        self.keeper = keeper
        self.stack = None
        self.pyatspi = None
        self.feeds_started = []
        self.programs = []

    def path(self, name):
        return os.path.join(self.dir, name)

    def start_stack(self, with_pulse=True):
        self.stack = Stack(self.keeper, self.dir, with_pulse)
        self.stack.start()
        # pyatspi finds the accessibility bus through the session bus named in our own environment.
        os.environ["DBUS_SESSION_BUS_ADDRESS"] = self.stack.env["DBUS_SESSION_BUS_ADDRESS"]
        os.environ["DISPLAY"] = self.stack.env["DISPLAY"]
        self.pyatspi = _import_pyatspi()
        self.pyatspi.setTimeout(5000, 20000)
        log(f"services up: DISPLAY={self.stack.env['DISPLAY']} runtime={self.dir} "
            f"sound={'null sink' if with_pulse else 'none'}")

    def make_page(self, seed, name=None):
        """One page of the moving market with this seed, fetched from a feed on a free port."""
        feed = Feed(self, ["--seed", str(seed)], port=0).start()
        try:
            page = fetch(feed.url)
        finally:
            feed.stop()
        path = self.path(name or f"page-seed{seed}.htm")
        with open(path, "wb") as f:
            f.write(page)
        rates, complete = check_page(self, path)
        check(complete, f"the page of seed {seed} does not read completely")
        return path, rates

    def feed(self, *args):
        return Feed(self, args).start()

    def program_dir(self, clips="tones"):
        """A private copy of the program, with `sound/` holding the tone clips, nothing ("none"), or the
        clips of the directory `clips`."""
        directory = self.path(f"program-{len(self.programs)}")
        os.makedirs(os.path.join(directory, "sound"))
        shutil.copy2(self.vantrel_bin, os.path.join(directory, "vantrel"))
        icon = os.path.join(os.path.dirname(self.vantrel_bin), "fd.ico")
        if os.path.exists(icon):
            shutil.copy2(icon, os.path.join(directory, "fd.ico"))
        if clips == "tones":
            for name in self.tones.table:
                shutil.copy2(os.path.join(self.tones.dir, name + ".wav"), os.path.join(directory, "sound"))
        elif clips != "none":
            for name in os.listdir(clips):
                if name.endswith(".wav"):
                    shutil.copy2(os.path.join(clips, name), os.path.join(directory, "sound"))
        return directory

    def start_program(self, clips="tones"):
        directory = self.program_dir(clips)
        log_path = self.path(f"vantrel-{len(self.programs)}.log")
        with open(log_path, "w") as out:
            process = self.keeper.popen("vantrel", [os.path.join(directory, "vantrel")], cwd=directory,
                                        env=self.stack.env, stdout=out, stderr=subprocess.STDOUT)
        program = Program(self, process, log_path)
        self.programs.append(program)
        program.wait_until_shown()
        return program

    def wait_for_grids(self, program, expected, timeout=10, what="the grids to show the feed's rates"):
        """Polls both grids until they equal `expected`; returns the seconds it took."""
        start = time.monotonic()
        last = {}

        def shown():
            nonlocal last
            program.check_running()
            last = program.all_rates()
            return last == expected

        try:
            wait_for(shown, timeout, interval=0.2, what=what)
        except TestFailure:
            raise TestFailure(f"{what}: after {timeout:.0f} s these differ (expected, shown): "
                              f"{differences(expected, last)}")
        return time.monotonic() - start


def parse_args(argv):
    parser = argparse.ArgumentParser()
    parser.add_argument("--vantrel", default=os.environ.get("VANTREL_BIN"), help="build/src/vantrel")
    parser.add_argument("--feed", default=os.environ.get("VANTREL_FEED"), help="build/tools/feed/vantrel-feed")
    parser.add_argument("--tones", default=os.environ.get("VANTREL_TONE_CLIPS"), help="build/tone-sound")
    parser.add_argument("--keep", action="store_true", help="keep the run directory (logs, recordings)")
    parser.add_argument("rest", nargs="*")
    args = parser.parse_args(argv)
    for name in ("vantrel", "feed", "tones"):
        if not getattr(args, name):
            parser.error(f"--{name} is needed")
    return args


def run_test(name, body, budget_seconds, with_pulse=True, argv=None):
    """Runs one system test within `budget_seconds`; stops every process it started; exits 0 or 1."""
    args = parse_args(sys.argv[1:] if argv is None else argv)
    missing = [p for p in (args.vantrel, args.feed, os.path.join(args.tones, "tones.tsv")) if not os.path.exists(p)]
    if missing:
        print(f"{name}: FAILED: missing {missing} (build the tone clips: cmake --build build --target "
              f"vantrel_tone_clips)", flush=True)
        sys.exit(1)

    _make_child_subreaper()
    keeper = ProcessKeeper()
    runtime_dir = tempfile.mkdtemp(prefix=f"vantrel-system-{name}-")
    os.chmod(runtime_dir, 0o700)
    run = SystemRun(args, runtime_dir, keeper)

    def out_of_time(*_):
        raise OutOfTime(f"the test ran out of its own time budget of {budget_seconds} s")

    def terminated(signum, _frame):
        raise OutOfTime(f"the test was stopped by signal {signum}")

    signal.signal(signal.SIGALRM, out_of_time)
    signal.signal(signal.SIGTERM, terminated)
    signal.signal(signal.SIGINT, terminated)
    signal.alarm(budget_seconds)
    started = time.monotonic()
    ok = False
    try:
        run.start_stack(with_pulse=with_pulse)
        body(run, *args.rest)
        ok = True
    except (TestFailure, OutOfTime) as failure:
        print(f"{name}: FAILED: {failure}", flush=True)
    except Exception:
        print(f"{name}: FAILED with an error:", flush=True)
        traceback.print_exc()
    finally:
        signal.alarm(0)
        if not ok:
            for program in run.programs:
                print(f"--- output of the program ({program.log_path}):\n{program.output_tail()}", flush=True)
        for program in run.programs:
            if program.process.poll() is None and ok:
                program.quit()
        keeper.stop_all()
        signal.signal(signal.SIGTERM, signal.SIG_DFL)
        signal.signal(signal.SIGINT, signal.SIG_DFL)
        if args.keep or not ok:
            log(f"run directory kept: {runtime_dir}")
        else:
            shutil.rmtree(runtime_dir, ignore_errors=True)
    log(f"{name}: {'passed' if ok else 'FAILED'} in {time.monotonic() - started:.1f} s")
    sys.exit(0 if ok else 1)
