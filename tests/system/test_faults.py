# SPDX-License-Identifier: GPL-3.0-or-later
"""Faults of the quote server and bad pages: the grids keep the last good rates and recover.

    test_faults.py ... restart    the quote server stops and comes back (moving market)
    test_faults.py ... bad-pages  error status, garbage, a page cut in its quote line, a 5 MiB page
    test_faults.py ... stall      an answer that stops half-way, until the program's 60 s time-out

Throughout, a separate process reads one grid cell of the program every 100 ms over AT-SPI and keeps the
slowest round trip: how long the program's event loop was kept from answering. It must stay under 1 s.
The connections the program opens to the quote server's socket are watched through the kernel's socket
diagnostics, to see from outside that it kept asking during a fault and how long it waited on a stalled
answer.
"""

import sys

sys.dont_write_bytecode = True  # no __pycache__ beside the sources

import time

from accessibility_driver import StallProbe
from system_checks import TestFailure, check, log, wait_for
from vantrel_system import (REFRESH_SECONDS, REQUEST_TIMEOUT_SECONDS, ConnectionWatcher, cache_page_path, check_page,
                            differences, grids_match_cache, run_test)

LONGEST_STALL_ALLOWED = 1.0


def hold_steady(program, expected, seconds, what, before=None):
    """Checks for `seconds` that both grids show `expected` (or, until the first refresh of the phase has
    come, `before`), and that they show `expected` at the end."""
    deadline = time.monotonic() + seconds
    while True:
        shown = program.all_rates()
        if shown != expected and shown != before:
            shown = program.stable_rates()  # perhaps read half before and half after a refresh
        check(shown == expected or (before is not None and shown == before),
              f"{what}: the grids changed (expected, shown): {differences(expected, shown)}")
        if time.monotonic() >= deadline:
            break
        time.sleep(0.25)
    check(shown == expected, f"{what}: the grids (expected, shown): {differences(expected, shown)}")


def requests_during(watcher, since, what, at_least=1):
    opened = watcher.opened_between(since)
    check(len(opened) >= at_least, f"{what}: the program opened {len(opened)} connections to the quote "
                                   f"server, expected {at_least}+; {watcher.describe(since)}")
    return opened


def restart(run, program, watcher):
    """(a) The quote server stops: the grids keep their rates; it comes back: they move again."""
    feed = run.feed("--seed", "11")
    before, _ = grids_match_cache(run, program, timeout=2 * REFRESH_SECONDS + 4,
                                  changed_from=program.all_rates())
    feed.stop()
    stopped = time.monotonic()
    time.sleep(0.5)
    kept = program.all_rates()
    check(kept == grids_match_cache(run, program, timeout=2)[0], "the grids and the cache file disagree")
    hold_steady(program, kept, 2 * REFRESH_SECONDS + 1, "quote server stopped")
    log(f"quote server stopped for {time.monotonic() - stopped:.1f} s: the grids kept all 35 rates")

    feed = run.feed("--seed", "12")
    restarted = time.monotonic()
    rates, _ = grids_match_cache(run, program, timeout=2 * REFRESH_SECONDS + 2, changed_from=kept)
    log(f"quote server back: the grids moved again after {time.monotonic() - restarted:.1f} s "
        f"({len(differences(kept, rates))} of 35 rates changed) and equal the cache file")
    rates, _ = grids_match_cache(run, program, timeout=2 * REFRESH_SECONDS + 2, changed_from=rates)
    log("and they keep moving with the market")
    feed.stop()


def bad_pages(run, program, watcher):
    """(b) Error status, garbage, a cut quote line, a reply cut short of its length, a giant page: last good
    rates kept; then recovery.

    Each fault serves pages made from the other saved page than the one the grids show, so rates taken
    from a bad page would show; each recovery serves that other page, so the grids must change to it."""
    pages = [run.make_page(21), run.make_page(22)]
    check(pages[0][1] != pages[1][1], "the two saved pages have the same rates")
    current = 0
    feed = run.feed("--page", pages[current][0])
    run.wait_for_grids(program, pages[current][1], timeout=2 * REFRESH_SECONDS + 2)
    for fault in ("error", "garbage", "truncated", "cut", "huge"):
        other = 1 - current
        feed.stop()
        good_page = open(pages[current][0], "rb").read()
        kept = program.all_rates()
        check(kept == pages[current][1], f"before {fault}: the grids do not show the last page")
        # Answers come 300 ms late, so that each of the program's requests is seen with its owner.
        feed = run.feed("--page", pages[other][0], "--fault", fault, "--delay", "300")
        expected = dict(kept)
        if fault == "truncated":
            # The pairs read before the cut in the quote line take the new page's rates; the rest keep theirs.
            cut_path = run.path("truncated.htm")
            with open(cut_path, "wb") as f:
                f.write(feed.fetch())
            cut_rates, complete = check_page(run, cut_path)
            check(not complete, "the truncated page reads completely")
            expected.update({pair: rate for pair, rate in cut_rates.items() if rate})
            taken = sum(1 for rate in cut_rates.values() if rate)
        since = time.monotonic()  # after our own request for the cut page
        hold_steady(program, expected, 2 * REFRESH_SECONDS + 1, f"{fault} pages", before=kept)
        opened = requests_during(watcher, since, f"{fault} pages", at_least=2)
        cached = open(cache_page_path(run), "rb").read()
        if fault in ("cut", "huge"):
            check(cached == good_page, f"the {fault} page (or part of it) was saved in the cache file")
            outcome = "cache file left as it was"
        else:
            check(cached != good_page, f"the {fault} page never reached the program's cache file")
            outcome = f"cache file now {len(cached)} bytes of the {fault} page"
        if fault == "truncated":
            log(f"truncated pages: {taken} pairs read before the cut took the new page's rates, the other "
                f"{35 - taken} kept theirs ({len(opened)} requests; {outcome})")
        else:
            log(f"{fault} pages: the grids kept all 35 rates ({len(opened)} requests; {outcome})")

        feed.stop()
        feed = run.feed("--page", pages[other][0])
        recovering = time.monotonic()
        run.wait_for_grids(program, pages[other][1], timeout=2 * REFRESH_SECONDS + 2,
                           what=f"the grids to recover after the {fault} pages")
        log(f"good page again: the grids show it after {time.monotonic() - recovering:.1f} s")
        current = other
    feed.stop()


def stall(run, program, watcher):
    """(c) An answer that stops half-way: the program stays responsive, gives up after its time-out, and
    reads the next good page."""
    page_a, rates_a = run.make_page(31)
    page_b, rates_b = run.make_page(32)
    feed = run.feed("--page", page_a)
    run.wait_for_grids(program, rates_a, timeout=2 * REFRESH_SECONDS + 2)
    feed.stop()
    feed = run.feed("--page", page_b, "--fault", "stall")
    since = time.monotonic()

    def stalled_request():
        opened = [c for c in watcher.opened_between(since) if c["open_first"] is not None]
        return opened[0] if opened else None

    try:
        first = wait_for(stalled_request, 2 * REFRESH_SECONDS + 2, interval=0.05,
                         what="the program to ask the stalling server for a page")
    except TestFailure as failure:
        raise TestFailure(f"{failure}; {watcher.describe(since)}")
    log(f"the program's request stalls (connection from socket {first['client']})")

    # While it waits, the program answers the user: a pair goes into the listening list and out again.
    program.add_pair_to_listen("AUD/USD")
    program.remove_pair_to_listen("AUD/USD")
    log("during the stall a pair was added to and removed from \"Pairs to be listened\"")

    def given_up():
        connection = watcher.connections[first["client"]]
        if time.monotonic() - connection["open_last"] > 0.5:
            return connection
        check(program.all_rates() == rates_a, "the grids changed during the stall")
        return None

    connection = wait_for(given_up, REQUEST_TIMEOUT_SECONDS + 15, interval=1.0,
                          what="the program to give up the stalled request")
    waited = connection["open_last"] - connection["open_first"]
    log(f"the program gave up the stalled request after {waited:.1f} s (time-out {REQUEST_TIMEOUT_SECONDS:.0f} s)")
    check(REQUEST_TIMEOUT_SECONDS - 2 <= waited <= REQUEST_TIMEOUT_SECONDS + 3,
          f"the stalled request was given up after {waited:.1f} s, not after {REQUEST_TIMEOUT_SECONDS:.0f} s; "
          f"{watcher.describe(since)}")
    check(program.all_rates() == rates_a, "the grids changed during the stall")

    feed.stop()
    feed = run.feed("--page", page_b)
    recovering = time.monotonic()
    try:
        run.wait_for_grids(program, rates_b, timeout=2 * REFRESH_SECONDS + 3,
                           what="the grids to recover after the stall")
    except TestFailure as failure:
        raise TestFailure(f"{failure}; {watcher.describe(since)}")
    log(f"good page again: the grids show it after {time.monotonic() - recovering:.1f} s")
    feed.stop()


PHASES = {"restart": (restart, 75), "bad-pages": (bad_pages, 150), "stall": (stall, 150)}


def body(run, phase):
    scenario, _ = PHASES[phase]
    page, rates = run.make_page(5)
    feed = run.feed("--page", page)
    program = run.start_program()
    run.wait_for_grids(program, rates, timeout=10)
    feed.stop()
    watcher = ConnectionWatcher(program.process.pid, feed.socket).start()
    probe = StallProbe(run, program).start()
    try:
        scenario(run, program, watcher)
    finally:
        watcher.stop()
        stats = probe.finish()
    log(f"event loop, read from outside every 100 ms over {stats['seconds']:.0f} s: {stats['probes']} reads, "
        f"median {stats['median_s'] * 1000:.1f} ms, 99th percentile {stats['p99_s'] * 1000:.1f} ms, "
        f"slowest {stats['slowest_s'] * 1000:.0f} ms (at {stats['slowest_at_s']:.1f} s), "
        f"{stats['errors']} failed reads")
    check(stats["errors"] == 0, f"{stats['errors']} reads of a grid cell failed")
    check(stats["slowest_s"] < LONGEST_STALL_ALLOWED,
          f"the program's event loop stalled for {stats['slowest_s']:.2f} s")


if __name__ == "__main__":
    phase = sys.argv[-1]
    if phase not in PHASES:
        raise SystemExit(f"usage: test_faults.py --vantrel ... --feed ... --tones ... {'|'.join(PHASES)}")
    run_test(f"faults_{phase}", body, PHASES[phase][1])
