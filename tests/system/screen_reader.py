# SPDX-License-Identifier: GPL-3.0-or-later
"""A real screen reader listening to the program: Orca, started in the headless session with a settings
directory of its own, no speech synthesiser and a debug log. Orca writes every text it sends to speech to
that log ("SPEECH OUTPUT: '...'"), whether or not a synthesiser is there to say it, so the log is what a
blind user would have heard.

Keys are sent as a keyboard user sends them (xdotool, through XTest) to the window that has the focus;
after each key the texts Orca spoke for it are read from the log once Orca has gone quiet.
"""

import os
import re
import subprocess
import time

from system_checks import TestFailure, check, log, wait_for

# "SPEECH OUTPUT: 'the text'" followed by the voice it was given, on one line (Orca 48 puts a blank before
# the voice).
SPOKEN = re.compile(r"SPEECH OUTPUT: '(.*?)'(?: voice=\w+)?(?: ?\{.*\})?\s*$", re.MULTILINE)

# Orca's own settings for the run: speech without a synthesiser (the log still gets every text), no key
# echo (the keys are known; what they make Orca say is what counts), nothing that needs a person.
CUSTOMIZATIONS = """\
import orca.debug as debug
import orca.settings as settings
# The log is read while Orca runs: every line must reach the file at once.
if debug.debugFile:
    debug.debugFile.reconfigure(line_buffering=True)
settings.speechServerFactory = None
settings.speechFactoryModules = []
settings.enableKeyEcho = False
settings.enableBraille = False
settings.enableBrailleMonitor = False
settings.enableSound = False
settings.showMainWindow = False
settings.onlySpeakDisplayedText = False
"""


class ScreenReader:
    def __init__(self, run):
        self.run = run
        self.log_path = run.path("orca-debug.log")
        self.process = None
        self._read_up_to = 0

    def start(self):
        prefs = self.run.path("orca-prefs")
        os.makedirs(prefs, exist_ok=True)
        with open(os.path.join(prefs, "orca-customizations.py"), "w") as f:
            f.write(CUSTOMIZATIONS)
        env = dict(self.run.stack.env)
        env["GTK_A11Y"] = "none"  # Orca's own (hidden) windows need not show up on the bus
        self.process = self.run.keeper.popen(
            "orca", ["orca", "--user-prefs", prefs, "--debug-file", self.log_path,
                     "--disable", "braille", "--disable", "braille-monitor", "--disable", "main-window",
                     "--disable", "splash-window"],
            env=env, stdout=open(self.run.path("orca.out"), "w"), stderr=subprocess.STDOUT)
        wait_for(lambda: self._ready(), 30, interval=0.1, what="Orca to listen to the accessibility bus")
        return self

    def _ready(self):
        if self.process.poll() is not None:
            raise TestFailure(f"Orca ended at once (status {self.process.returncode}); see {self.log_path}")
        # Each version says in its own words that it now listens: Orca 43, then Orca 48.
        text = self._text()
        return "ORCA: Starting ATSPI registry" in text or "ORCA: Starting Atspi main event loop" in text

    def _text(self, offset=0):
        try:
            with open(self.log_path, "rb") as f:
                f.seek(offset)
                return f.read().decode(errors="replace")
        except OSError:
            return ""

    def _size(self):
        try:
            return os.path.getsize(self.log_path)
        except OSError:
            return 0

    def spoken_since(self, offset):
        return [match.group(1) for match in SPOKEN.finditer(self._text(offset))]

    def mark(self):
        """Where the log ends now: what Orca says from here on belongs to the next action."""
        self._read_up_to = self._size()
        return self._read_up_to

    def settle(self, quiet=0.8, longest=6.0, first=0.3):
        """Waits until Orca has said nothing new for `quiet` seconds (and at least `first` seconds have
        passed), then returns what it said since the last mark, and marks the log's end."""
        start = time.monotonic()
        last_size = -1
        last_change = start
        while True:
            now = time.monotonic()
            size = self._size()
            if size != last_size:
                last_size = size
                last_change = now
            if now - start >= first and now - last_change >= quiet:
                break
            if now - start >= longest:
                break
            time.sleep(0.05)
        said = self.spoken_since(self._read_up_to)
        self._read_up_to = last_size
        return said

    def type(self, text, quiet=0.6):
        self.mark()
        subprocess.run(["xdotool", "type", "--delay", "60", text], env=self.run.stack.env, check=True)
        return self.settle(quiet=quiet)

    def key(self, *keys, quiet=0.6):
        """Presses keys (xdotool names, e.g. "Tab", "Down", "alt+Down") on the focused window, one after the
        other, and returns what Orca said after the last."""
        self.mark()
        subprocess.run(["xdotool", "key", "--delay", "80", *keys], env=self.run.stack.env, check=True)
        said = self.settle(quiet=quiet)
        log(f"keys {' '.join(keys)}: Orca said {said}")
        return said


def program_windows(run, title):
    """The X windows on the display with this title, oldest first."""
    found = subprocess.run(["xdotool", "search", "--all", "--onlyvisible", "--name", f"^{title}$"],
                           env=run.stack.env, capture_output=True, text=True)
    return found.stdout.split()


def focus_window(run, title, newest=True):
    """Gives the keyboard focus to a top-level window of the program by its title, the newest of that title
    or the oldest, as a window manager gives it to a window that opens or is clicked (none runs here)."""
    windows = program_windows(run, title)
    check(windows, f"no window titled {title!r} on the display")
    window = windows[-1] if newest else windows[0]
    subprocess.run(["xdotool", "windowfocus", "--sync", window], env=run.stack.env, check=True)
    return window
