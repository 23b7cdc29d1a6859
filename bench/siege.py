#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""How the quote server holds under a siege: another process holds 1,100 connections open without a word
while a client asks for the page as Vantrel does, once a second.

    bench/siege.py [--build build] [--connections 1100] [--limit N] [--seconds 10] [--reconnect]

vantrel-feed runs on a Unix socket of its own (a private runtime folder) with its descriptor limit set to
N, soft and hard (`prlimit`; default 1024, the limit of the fault as it was found). Prints each request's
time to answer, the feed's CPU time over the siege (a feed spinning on accept() would take a whole core),
and how many connections of the siege it dropped. With --reconnect the siege opens a new connection for
every one the feed drops, as fast as it can, so that 1,100 stay open or waiting all along.
"""

import argparse
import os
import resource
import socket
import statistics
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "system"))
from unix_http import UnixHTTPConnection  # noqa: E402


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def ask(path):
    start = time.monotonic()
    connection = UnixHTTPConnection(path, 60)
    connection.request("GET", "/interesthq/market.dll?getexmarket_5l?branch=0755")
    reply = connection.getresponse()
    reply.read()
    connection.close()
    return reply.status, time.monotonic() - start


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default="build")
    parser.add_argument("--connections", type=int, default=1100)
    parser.add_argument("--limit", type=int, default=1024)
    parser.add_argument("--seconds", type=int, default=10)
    parser.add_argument("--reconnect", action="store_true")
    options = parser.parse_args()

    runtime = tempfile.mkdtemp(prefix="vantrel-siege-")
    os.chmod(runtime, 0o700)
    path = os.path.join(runtime, "vantrel", "feed.sock")
    feed = subprocess.Popen(["prlimit", f"--nofile={options.limit}:{options.limit}", "--",
                             os.path.join(options.build, "tools", "feed", "vantrel-feed"), "--seed", "1"],
                            env=dict(os.environ, XDG_RUNTIME_DIR=runtime), stdout=subprocess.DEVNULL,
                            stderr=subprocess.PIPE, text=True)
    try:
        for _ in range(100):
            if os.path.exists(path):
                break
            time.sleep(0.05)
        status, _ = ask(path)
        print(f"feed with descriptor limit {options.limit}: first page {status}")

        hard = resource.getrlimit(resource.RLIMIT_NOFILE)[1]
        resource.setrlimit(resource.RLIMIT_NOFILE, (hard, hard))
        held = []
        for _ in range(options.connections):
            s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
            s.connect(path)
            held.append(s)
        stop = threading.Event()
        reopened = [0]

        def reconnect():
            while not stop.is_set():
                for i, s in enumerate(held):
                    s.setblocking(False)
                    try:
                        gone = s.recv(1) == b""
                    except BlockingIOError:
                        gone = False
                    except OSError:
                        gone = True
                    if gone:
                        s.close()
                        fresh = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
                        fresh.connect(path)
                        held[i] = fresh
                        reopened[0] += 1
                stop.wait(0.01)

        keeper = threading.Thread(target=reconnect, daemon=True)
        if options.reconnect:
            keeper.start()
        cpu_before = cpu_seconds(feed.pid)
        started = time.monotonic()
        times = []
        for _ in range(options.seconds):
            status, seconds = ask(path)
            if status != 200:
                print(f"answer {status}")
            times.append(seconds)
            time.sleep(max(0.0, 1.0 - seconds))
        cpu = cpu_seconds(feed.pid) - cpu_before
        wall = time.monotonic() - started
        stop.set()
        if options.reconnect:
            keeper.join()
            print(f"the siege opened {reopened[0]} new connections for those dropped")
        dropped = 0
        for s in held:
            s.setblocking(False)
            try:
                dropped += s.recv(1) == b""
            except BlockingIOError:
                pass
        print(f"{options.connections} connections held; {len(times)} requests, one a second: "
              f"median {statistics.median(times) * 1000:.1f} ms, slowest {max(times) * 1000:.1f} ms")
        print(f"feed CPU over the siege: {cpu:.2f} s in {wall:.1f} s ({100 * cpu / wall:.1f} % of a core)")
        print(f"connections of the siege the feed dropped: {dropped} (open at the end: "
              f"{options.connections - dropped})")
        for s in held:
            s.close()
    finally:
        feed.terminate()
        feed.wait()
        said = feed.stderr.read().strip()
        if said:
            print("feed said:", said)


if __name__ == "__main__":
    sys.exit(main())
