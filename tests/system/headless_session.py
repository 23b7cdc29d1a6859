# SPDX-License-Identifier: GPL-3.0-or-later
"""The headless session a system test runs in: its processes, and the services it starts (Xvfb, a D-Bus
session bus, the accessibility bus, a sound server with a null sink: PulseAudio, or PipeWire with
WirePlumber and its PulseAudio server) in a private XDG_RUNTIME_DIR.

The test process makes itself a child subreaper, so that daemons which fork away (dbus-daemon --fork,
pulseaudio -D) and whatever they start are reparented to it and can be found and stopped too; every process
is stopped by its process id, whatever happened.
"""

import ctypes
import os
import signal
import socket
import subprocess
import time

from system_checks import TestFailure, check, log, wait_for


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


# The null sink every test records from; the sound-fault tests unload it and load it again.
NULL_SINK_ARGUMENTS = ("sink_name=rec", "rate=48000", "channels=2")


# The sound servers a test may run on: what Debian 12's desktops used, and what new GNOME and KDE installs
# use. Both speak the PulseAudio protocol to the program, pactl and parec.
SOUND_SERVERS = ("pulseaudio", "pipewire")


class Stack:
    """Xvfb, a D-Bus session bus, the accessibility bus and (optionally) a sound server with a null sink."""

    def __init__(self, keeper, runtime_dir, with_pulse, sound_server="pulseaudio", wayland=False):
        self.keeper = keeper
        self.runtime_dir = runtime_dir
        self.with_pulse = with_pulse
        self.sound_server = sound_server if with_pulse else None
        self.wayland = wayland
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

        if self.sound_server == "pipewire":
            self._start_pipewire()
        elif self.with_pulse:
            self._start_pulse()
        else:
            # No sound server at all: the socket named here does not exist and nothing may be spawned.
            client_conf = os.path.join(rt, "pulse-client.conf")
            with open(client_conf, "w") as f:
                f.write("autospawn = no\n")
            self.env["PULSE_SERVER"] = f"unix:{rt}/no-such-pulse/native"
            self.env["PULSE_CLIENTCONFIG"] = client_conf
        self.env["QT_QPA_PLATFORM"] = "xcb"
        if self.wayland:
            self._start_weston()
        self.env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"

    def _start_weston(self):
        """A Wayland compositor with no screen (weston's headless backend); the program is then a native
        Wayland client, with no fallback to X (the X server stays, for the accessibility bus's sake)."""
        rt = self.runtime_dir
        self.keeper.popen("weston", ["weston", "--backend=headless-backend.so", "--socket=wayland-vantrel",
                                     "--idle-time=0", f"--log={rt}/weston.log"],
                          env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.STDOUT)
        wait_for(lambda: os.path.exists(os.path.join(rt, "wayland-vantrel")), 15, interval=0.05,
                 what="weston to make its socket")
        self.env["WAYLAND_DISPLAY"] = "wayland-vantrel"
        self.env["QT_QPA_PLATFORM"] = "wayland"

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
            f.write(f"load-module module-null-sink {' '.join(NULL_SINK_ARGUMENTS)}\n"
                    f"load-module module-native-protocol-unix auth-anonymous=1 socket={rt}/pulse/native\n"
                    "set-default-sink rec\n")
        result = subprocess.run(
            ["pulseaudio", "-D", "-n", "-F", conf, "--exit-idle-time=-1", "--disallow-exit",
             f"--log-target=file:{rt}/pulse.log"],
            env=self.env, capture_output=True, text=True, timeout=20)
        pid = self.pulse_pid()
        if pid is not None:
            self.keeper.adopt("pulseaudio", pid, marker=rt)
        check(result.returncode == 0, f"pulseaudio did not start: {result.stderr.strip()}")
        self._use_pulse_server("PulseAudio")

    def _use_pulse_server(self, name):
        """Points the program, pactl and parec at the server on our runtime folder's socket, once it answers."""
        self.env["PULSE_SERVER"] = f"unix:{self.runtime_dir}/pulse/native"
        wait_for(lambda: subprocess.run(["pactl", "info"], env=self.env, capture_output=True,
                                        timeout=5).returncode == 0,
                 10, interval=0.1, what=f"{name} to answer")

    def _start_pipewire(self):
        """PipeWire, WirePlumber and pipewire-pulse in this session (as a desktop starts them for its user),
        then the same null sink as under PulseAudio, loaded through pipewire-pulse."""
        rt = self.runtime_dir
        self._pipewire = []
        for name, ready in (("pipewire", "pipewire-0"), ("wireplumber", None), ("pipewire-pulse", "pulse/native")):
            self._pipewire.append(self.keeper.popen(name, [name], env=self.env, stdout=subprocess.DEVNULL,
                                                    stderr=open(os.path.join(rt, f"{name}.log"), "a")))
            if ready:
                wait_for(lambda: os.path.exists(os.path.join(rt, ready)), 10, interval=0.05, what=f"{name} to start")
        self._use_pulse_server("pipewire-pulse")
        self.add_sink()
        wait_for(lambda: "Default Sink: rec" in self.pactl("info"), 10, interval=0.1,
                 what="WirePlumber to make the null sink the default")

    # -- the sound server's faults, made on purpose

    def pulse_pid(self):
        try:
            with open(os.path.join(self.runtime_dir, "pulse", "pid")) as f:
                return int(f.read().split()[0])
        except (OSError, ValueError, IndexError):
            return None

    def pactl(self, *arguments, timeout=5):
        """pactl on our sound server; its output. The time-out is for a server that is stopped (SIGSTOP),
        which pactl would otherwise wait for."""
        try:
            result = subprocess.run(["pactl", *arguments], env=self.env, capture_output=True, text=True,
                                    timeout=timeout)
        except subprocess.TimeoutExpired:
            raise TestFailure(f"pactl {' '.join(arguments)}: the sound server did not answer in {timeout} s")
        check(result.returncode == 0, f"pactl {' '.join(arguments)} failed: {result.stderr.strip()}")
        return result.stdout

    def sink_names(self):
        return [line.split("\t")[1] for line in self.pactl("list", "short", "sinks").splitlines() if "\t" in line]

    def remove_sink(self):
        """Unloads the null sink: the server is left with no sink at all, and the streams on it end. (PipeWire
        then offers its dummy output, auto_null, as a desktop with no sound card does.)"""
        modules = [line.split("\t") for line in self.pactl("list", "short", "modules").splitlines()]
        unloaded = [fields[0] for fields in modules
                    if len(fields) > 2 and fields[1] == "module-null-sink" and "sink_name=rec" in fields[2]]
        check(unloaded, f"no null sink to unload among the modules: {modules}")
        for index in unloaded:
            self.pactl("unload-module", index)
        dummy = ["auto_null"] if self.sound_server == "pipewire" else []
        wait_for(lambda: self.sink_names() in ([], dummy), 5, interval=0.05,
                 what=f"no sink but {dummy or 'none'} to be left after unloading the null sink")

    def add_sink(self):
        """Loads a new null sink of the same name and makes it the default, as a device plugged in is."""
        self.pactl("load-module", "module-null-sink", *NULL_SINK_ARGUMENTS)
        self.pactl("set-default-sink", "rec")

    def signal_pulse(self, signum):
        """SIGSTOP or SIGCONT to the sound server."""
        pid = self.pulse_pid()
        check(pid is not None and _alive(pid), "the sound server is not running")
        os.kill(pid, signum)

    def kill_sound_server(self):
        """Kills the sound server at once (SIGKILL), as a crash does; its socket files stay behind. Under
        PipeWire that is PipeWire, WirePlumber and pipewire-pulse, as a restart by hand stops them all."""
        if self.sound_server == "pipewire":
            for process in self._pipewire:
                process.kill()
            for process in self._pipewire:
                process.wait(5)
                self.keeper.stop(process)
            return
        pid = self.pulse_pid()
        check(pid is not None and _alive(pid), "the sound server is not running")
        os.kill(pid, signal.SIGKILL)

        def gone():
            # It forked away from us and was reparented to this process (a subreaper), so it is ours to
            # reap. Until then it keeps its pid, and a new server that finds that pid in the pid file
            # takes it for itself still running and will not start.
            _reap(pid)
            return not os.path.exists(f"/proc/{pid}")

        wait_for(gone, 5, interval=0.02, what="the killed sound server to end")
        self.keeper.stop(pid)

    def restart_sound_server(self):
        """Starts the sound server again after kill_sound_server(): the same configuration and socket path,
        so that clients find it where it was, and a null sink named as before, the default."""
        if self.sound_server == "pipewire":
            for stale in ("pipewire-0", "pulse/native"):  # so that waiting for them waits for the new ones
                try:
                    os.unlink(os.path.join(self.runtime_dir, stale))
                except FileNotFoundError:
                    pass
            self._start_pipewire()
        else:
            self._start_pulse()

    def pulse_client_pids(self):
        """The process ids of the sound server's clients."""
        pids = set()
        for line in self.pactl("list", "clients").splitlines():
            line = line.strip()
            if line.startswith("application.process.id = "):
                pids.add(int(line.split("=", 1)[1].strip().strip('"')))
        return pids
