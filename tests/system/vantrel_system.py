# SPDX-License-Identifier: GPL-3.0-or-later
"""The fixture of the system tests: one test run, its quote server, and what the program downloaded.

Every test runs as its own Python process:

    python3 test_NAME.py --vantrel BUILD/src/vantrel --feed BUILD/tools/feed/vantrel-feed \
                         --tones BUILD/tone-sound [--sound-server pipewire]

and calls `run_test(body, budget_seconds)`. That starts a private headless session (headless_session.py:
Xvfb, a D-Bus session bus, the accessibility bus, optionally a sound server with a null sink: PulseAudio
or PipeWire) in a private
XDG_RUNTIME_DIR, hands the body a `SystemRun`, and afterwards stops every process it started, by process
id, whatever happened. The body drives the program through accessibility_driver.py and checks what it
played with audio_analysis.py; system_checks.py has what all of them share.

Everything talks over loopback or Unix sockets only. The quote server listens where the program asks, on
the Unix socket vantrel/feed.sock of the run's own runtime folder; each test also runs on a loopback of its
own (in_own_network.sh), for the feeds it starts on TCP ports.
"""

import argparse
import os
import shutil
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import time
import traceback
import urllib.request

REFRESH_SECONDS = 3.0
REQUEST_TIMEOUT_SECONDS = 60.0

from accessibility_driver import Program, _import_pyatspi
from audio_analysis import Tones
from headless_session import SOUND_SERVERS, ProcessKeeper, Stack, _make_child_subreaper
from system_checks import OutOfTime, TestFailure, check, log, wait_for
from unix_http import UnixHTTPConnection


# --------------------------------------------------------------------------------------------------
# The quote server


class Feed:
    """One vantrel-feed process: on the run's own Unix socket, where the program asks (its runtime folder's
    vantrel/feed.sock), or with `port` on a TCP port of loopback."""

    def __init__(self, run, args, port=None):
        self.run = run
        self.args = list(args)
        self.port = port
        self.process = None
        self.url = None
        self.socket = None  # the Unix socket's path

    def start(self):
        log_path = self.run.path(f"feed-{len(self.run.feeds_started)}.log")
        self.run.feeds_started.append(self)
        where = [] if self.port is None else ["--port", str(self.port)]
        argv = [self.run.feed_bin] + where + self.args
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
        if " on " in self.url:
            self.url, self.socket = self.url.split(" on ", 1)
        return self

    def fetch(self, timeout=10):
        """The page this feed serves now, asked as the program asks."""
        if self.socket is None:
            opener = urllib.request.build_opener(urllib.request.ProxyHandler({}))
            with opener.open(self.url, timeout=timeout) as reply:
                return reply.read()
        connection = UnixHTTPConnection(self.socket, timeout)
        try:
            connection.request("GET", self.url.split("localhost", 1)[1], headers={"Host": "localhost"})
            return connection.getresponse().read()
        finally:
            connection.close()

    def stop(self):
        if self.process is not None:
            self.run.keeper.stop(self.process)
            self.process = None


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


def unix_stream_sockets():
    """Every Unix stream socket of this network namespace, as the kernel's sock_diag tells them:
    {inode: (path, peer inode, state)}; state 1 is connected."""
    netlink_sock_diag, sock_diag_by_family, done, error = 4, 20, 3, 2
    show_name, show_peer = 1, 4
    diag_name, diag_peer = 0, 2
    with socket.socket(socket.AF_NETLINK, socket.SOCK_DGRAM, netlink_sock_diag) as diag:
        body = struct.pack("=BBHIIIII", socket.AF_UNIX, 0, 0, 0xFFFFFFFF, 0, show_name | show_peer,
                           0xFFFFFFFF, 0xFFFFFFFF)
        diag.send(struct.pack("=IHHII", 16 + len(body), sock_diag_by_family, 0x1 | 0x300, 1, 0) + body)
        found = {}
        while True:
            data = diag.recv(65536)
            offset = 0
            while offset + 16 <= len(data):
                length, kind = struct.unpack_from("=IH", data, offset)
                if kind in (done, error):
                    return found
                family, sock_type, state, _, inode = struct.unpack_from("=BBBBI", data, offset + 16)
                path, peer = None, None
                attribute = offset + 16 + 16
                while attribute + 4 <= offset + length:
                    attribute_length, attribute_type = struct.unpack_from("=HH", data, attribute)
                    value = data[attribute + 4:attribute + attribute_length]
                    if attribute_type == diag_name:
                        path = value.rstrip(b"\0").decode(errors="replace")
                    elif attribute_type == diag_peer:
                        peer = struct.unpack("=I", value)[0]
                    attribute += (attribute_length + 3) & ~3
                if sock_type == socket.SOCK_STREAM:
                    found[inode] = (path, peer, state)
                offset += (length + 3) & ~3


class ConnectionWatcher:
    """Watches the connections to the quote server's Unix socket every 10 ms, from a thread, through the
    kernel's socket diagnostics, to see from outside when the program asks for a page and how long a request
    stays open.

    Each connection is known by its client socket: when it was first seen, the first and last time it was
    seen connected, and whether the client is a socket of the program (another program of the run that
    asks the quote server would be seen too). The quote server closes after every answer, so every
    request is a connection of its own."""

    def __init__(self, program_pid, socket_path):
        import threading
        self.program_pid = program_pid
        self.socket_path = socket_path
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
                    inodes.add(int(target[8:-1]))
        except OSError:
            pass
        return inodes

    def _watch(self):
        while not self._stop.is_set():
            now = time.monotonic()
            try:
                sockets = unix_stream_sockets()
            except OSError:
                sockets = {}
            ours = self._program_sockets()
            with self._lock:
                # The server's end of each connection carries the socket's path; its peer is the client.
                for path, client, state in sockets.values():
                    if path != self.socket_path or not client or state != 1:
                        continue
                    entry = self.connections.setdefault(client, {"first": now, "open_first": None,
                                                                 "open_last": None, "ours": False})
                    if client in ours:
                        entry["ours"] = True
                    if entry["open_first"] is None:
                        entry["open_first"] = now
                    entry["open_last"] = now
            self._stop.wait(0.01)

    def opened_between(self, start, end=None, ours_only=True):
        """The connections first seen between two monotonic times, oldest first: only the program's,
        unless `ours_only` is false."""
        end = time.monotonic() if end is None else end
        with self._lock:
            found = [dict(entry, client=client) for client, entry in self.connections.items()
                     if start <= entry["first"] <= end and (entry["ours"] or not ours_only)]
        return sorted(found, key=lambda entry: entry["first"])

    def describe(self, since):
        now = time.monotonic()
        lines = []
        for entry in self.opened_between(since, ours_only=False):
            lines.append(f"socket {entry['client']}: {'the program' if entry['ours'] else 'another client'}, "
                         f"open {entry['open_first'] - since:.1f}-{entry['open_last'] - since:.1f} s")
        return f"connections to the quote server in the last {now - since:.0f} s:\n  " + "\n  ".join(lines)


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

    def start_stack(self, with_pulse=True, sound_server="pulseaudio", wayland=False):
        self.stack = Stack(self.keeper, self.dir, with_pulse, sound_server, wayland)
        self.stack.start()
        # pyatspi finds the accessibility bus through the session bus named in our own environment.
        os.environ["DBUS_SESSION_BUS_ADDRESS"] = self.stack.env["DBUS_SESSION_BUS_ADDRESS"]
        os.environ["DISPLAY"] = self.stack.env["DISPLAY"]
        self.pyatspi = _import_pyatspi()
        self.pyatspi.setTimeout(5000, 20000)
        log(f"services up: DISPLAY={self.stack.env['DISPLAY']} runtime={self.dir} "
            f"sound={f'{sound_server}, null sink' if with_pulse else 'none'} "
            f"windows={'Wayland (weston)' if wayland else 'X11'}")

    def make_page(self, seed, name=None):
        """One page of the moving market with this seed, fetched from a feed on a free port."""
        feed = Feed(self, ["--seed", str(seed)], port=0).start()
        try:
            page = feed.fetch()
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
    parser.add_argument("--sound-server", choices=SOUND_SERVERS, default="pulseaudio",
                        help="the sound server the program plays through (default pulseaudio)")
    parser.add_argument("rest", nargs="*")
    args = parser.parse_args(argv)
    for name in ("vantrel", "feed", "tones"):
        if not getattr(args, name):
            parser.error(f"--{name} is needed")
    return args


def run_test(name, body, budget_seconds, with_pulse=True, argv=None, wayland=False):
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
        run.start_stack(with_pulse=with_pulse, sound_server=args.sound_server, wayland=wayland)
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
