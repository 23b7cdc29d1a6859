# SPDX-License-Identifier: GPL-3.0-or-later
"""Two users at once, each with a feed of their own, as the installed socket unit gives them.

    test_two_users.py --vantrel BUILD/src/vantrel --feed BUILD/tools/feed/vantrel-feed [--tones ...]

Run as root, the test makes two accounts, A and B (removed at the end), each with a runtime folder of its
own (mode 0700, as logind makes /run/user/UID). A's feed is socket-activated on A's socket as the user unit
starts it (systemd-socket-activate, with the unit's socket mode), B's runs by hand on B's; each serves a
saved page of its own. Then, as the users themselves:
- B can neither connect to A's socket nor wake A's feed, nor listen at A's address, whether A's feed is
  running or stopped (a package upgrade stops the users' sockets);
- A's Vantrel and B's each save their own feed's page, never the other's, and A's keeps its page while
  A's feed is gone.
The programs run on Qt's offscreen platform with no sound server: what they took is their cache file.
Skipped (77) when not root.
"""

import sys

sys.dont_write_bytecode = True  # no __pycache__ beside the sources

import argparse
import os
import pwd
import shutil
import subprocess
import tempfile
import time
import urllib.request

from headless_session import ProcessKeeper
from system_checks import TestFailure, check, log, wait_for

REFRESH_SECONDS = 3.0


class Account:
    def __init__(self, name, base):
        self.name = name
        subprocess.run(["useradd", "--system", "--no-create-home", "--shell", "/usr/sbin/nologin", name],
                       check=True, capture_output=True)
        entry = pwd.getpwnam(name)
        self.uid, self.gid = entry.pw_uid, entry.pw_gid
        self.home = os.path.join(base, name)
        self.runtime = os.path.join(self.home, "run")
        for folder in (self.home, self.runtime, os.path.join(self.home, "cache")):
            os.makedirs(folder, mode=0o700)
            os.chown(folder, self.uid, self.gid)
        self.socket = os.path.join(self.runtime, "vantrel", "feed.sock")
        self.cache_page = os.path.join(self.home, "cache", "vantrel", "curquote.htm")

    def env(self):
        return {"HOME": self.home, "XDG_RUNTIME_DIR": self.runtime, "XDG_CACHE_HOME": os.path.join(self.home, "cache"),
                "XDG_CONFIG_HOME": os.path.join(self.home, "config"), "PATH": "/usr/bin:/bin",
                "QT_QPA_PLATFORM": "offscreen", "PULSE_SERVER": "unix:/nonexistent"}

    def command(self, argv):
        """`argv` run as this user, in its own environment."""
        return ["setpriv", f"--reuid={self.uid}", f"--regid={self.gid}", "--init-groups",
                "env", "-i"] + [f"{key}={value}" for key, value in self.env().items()] + argv

    def run(self, argv):
        return subprocess.run(self.command(argv), capture_output=True, text=True, timeout=30)

    def remove(self):
        subprocess.run(["userdel", self.name], capture_output=True)


def page_of_seed(feed_bin, seed, path, keeper):
    """A page of the simulated market with this seed, from a feed on a free loopback port."""
    out = path + ".log"
    with open(out, "w") as log_file:
        process = keeper.popen("vantrel-feed", [feed_bin, "--port", "0", "--seed", str(seed)], stdout=log_file,
                               stderr=subprocess.STDOUT)
    url = wait_for(lambda: next((line.split("serving ", 1)[1].strip() for line in open(out) if "serving " in line),
                                None), 10, what="the page feed to listen")
    opener = urllib.request.build_opener(urllib.request.ProxyHandler({}))
    with opener.open(url, timeout=10) as reply, open(path, "wb") as f:
        f.write(reply.read())
    keeper.stop(process)
    os.chmod(path, 0o644)
    return path


def rates_of(feed_bin, page):
    result = subprocess.run([feed_bin, "check", page], capture_output=True, text=True, timeout=10)
    return dict(line.split("\t", 1) for line in result.stdout.splitlines()) if result.returncode == 0 else None


def body(args, base, keeper, accounts):
    feed_bin = os.path.join(base, "vantrel-feed")
    program_dir = os.path.join(base, "program")
    os.makedirs(os.path.join(program_dir, "sound"))
    shutil.copy2(args.feed, feed_bin)
    shutil.copy2(args.vantrel, os.path.join(program_dir, "vantrel"))

    a = Account(f"vt-a-{os.getpid()}", base)
    accounts.append(a)
    b = Account(f"vt-b-{os.getpid()}", base)
    accounts.append(b)
    log(f"accounts {a.name} (uid {a.uid}) and {b.name} (uid {b.uid}), runtime folders of mode 0700")
    pages = {user: page_of_seed(args.feed, seed, os.path.join(base, f"{user.name}.htm"), keeper)
             for user, seed in ((a, 41), (b, 42))}
    rates = {user: rates_of(args.feed, page) for user, page in pages.items()}
    check(all(rates.values()) and rates[a] != rates[b], "the two users' pages do not read apart")

    # A's feed as the user unit starts it: systemd listens, the feed starts for the first client. The
    # unit's folder and socket modes, which systemd-socket-activate does not take, are set as systemd sets them.
    unit = open(os.path.join(os.path.dirname(__file__), "..", "..", "packaging", "vantrel-feed.socket")).read()
    check("ListenStream=%t/vantrel/feed.sock" in unit and "SocketMode=0600" in unit and "DirectoryMode=0700" in unit,
          "the socket unit no longer listens on %t/vantrel/feed.sock, 0600 in a folder of 0700")
    os.makedirs(os.path.dirname(a.socket), mode=0o700)
    os.chown(os.path.dirname(a.socket), a.uid, a.gid)
    a_log = os.path.join(base, "a-feed.log")
    with open(a_log, "w") as out:
        a_feed = keeper.popen("systemd-socket-activate", a.command(
            ["systemd-socket-activate", f"--listen={a.socket}", "-E", "XDG_RUNTIME_DIR", "-E", "XDG_CONFIG_HOME",
             "-E", "HOME", feed_bin, "--page", pages[a]]), stdout=out, stderr=subprocess.STDOUT)
    wait_for(lambda: os.path.exists(a.socket), 10, what="A's socket")
    os.chmod(a.socket, 0o600)

    # B can reach nothing of A's.
    probe = ("import socket, sys\n"
             "s = socket.socket(socket.AF_UNIX)\n"
             "try:\n"
             "    s.connect(sys.argv[1]); print('connected')\n"
             "except OSError as e:\n"
             "    print(type(e).__name__)\n")
    outcome = b.run(["/usr/bin/python3", "-c", probe, a.socket]).stdout.strip()
    check(outcome == "PermissionError", f"B connecting to A's socket: {outcome}")
    time.sleep(0.5)
    check("serving" not in open(a_log).read(), "B's attempt woke A's feed")
    taken = b.run([feed_bin, "--socket", a.socket, "--page", pages[b]])
    check(taken.returncode != 0 and "Permission denied" in taken.stderr,
          f"B listening at A's address: exit {taken.returncode}, {taken.stderr.strip()}")
    log(f"B cannot connect to A's socket ({outcome}), did not wake A's feed, and cannot listen there: "
        f"{taken.stderr.strip()}")

    # B's own feed, run by hand on B's own socket.
    with open(os.path.join(base, "b-feed.log"), "w") as out:
        keeper.popen("vantrel-feed", b.command([feed_bin, "--page", pages[b]]), stdout=out, stderr=subprocess.STDOUT)
    wait_for(lambda: os.path.exists(b.socket), 10, what="B's socket")

    programs = {}
    for user in (a, b):
        with open(os.path.join(base, f"{user.name}-vantrel.log"), "w") as out:
            programs[user] = keeper.popen("vantrel", user.command([os.path.join(program_dir, "vantrel")]),
                                          cwd=program_dir, stdout=out, stderr=subprocess.STDOUT)
    for user in (a, b):
        other = b if user is a else a
        taken = wait_for(lambda: rates_of(args.feed, user.cache_page) if os.path.exists(user.cache_page) else None,
                         4 * REFRESH_SECONDS, what=f"{user.name}'s Vantrel to save a page")
        check(taken == rates[user], f"{user.name}'s Vantrel saved rates that are not its own feed's"
                                    f"{' but the other user' + chr(39) + 's' if taken == rates[other] else ''}")
        mode = os.stat(user.cache_page).st_mode & 0o777
        check(mode == 0o600, f"{user.name}'s cache file is mode {mode:o}")
    check("serving" in open(a_log).read(), "A's feed was not started by A's Vantrel")
    log(f"A's Vantrel saved A's page (EUR/USD {rates[a]['EUR/USD']}), B's saved B's (EUR/USD {rates[b]['EUR/USD']})")

    # A's socket stopped, as an upgrade does: still B cannot take A's address, and A's Vantrel keeps A's page.
    keeper.stop(a_feed)
    taken = b.run([feed_bin, "--socket", a.socket, "--page", pages[b]])
    check(taken.returncode != 0, f"B listened at A's address while A's socket was stopped: {taken.stdout}")
    before = open(a.cache_page, "rb").read()
    time.sleep(2 * REFRESH_SECONDS + 0.5)
    check(open(a.cache_page, "rb").read() == before, "A's cache file changed while A's feed was gone")
    check(all(program.poll() is None for program in programs.values()), "a Vantrel ended")
    log("with A's socket stopped, B still cannot listen at A's address, and A's Vantrel kept A's page "
        f"over two refreshes")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--vantrel", required=True)
    parser.add_argument("--feed", required=True)
    parser.add_argument("--tones")
    parser.add_argument("--keep", action="store_true")
    args = parser.parse_args()
    if os.geteuid() != 0:
        print("two_users: skipped: making accounts needs root", flush=True)
        sys.exit(77)
    started = time.monotonic()
    base = tempfile.mkdtemp(prefix="vantrel-two-users-")
    os.chmod(base, 0o755)
    keeper = ProcessKeeper()
    accounts = []
    ok = False
    try:
        body(args, base, keeper, accounts)
        ok = True
    except TestFailure as failure:
        print(f"two_users: FAILED: {failure}", flush=True)
    finally:
        keeper.stop_all()
        for account in accounts:
            account.remove()
        if args.keep or not ok:
            log(f"run directory kept: {base}")
        else:
            shutil.rmtree(base, ignore_errors=True)
    log(f"two_users: {'passed' if ok else 'FAILED'} in {time.monotonic() - started:.1f} s")
    sys.exit(0 if ok else 1)


if __name__ == "__main__":
    main()
