# SPDX-License-Identifier: GPL-3.0-or-later
"""The rate grids show what the quote server serves, within one refresh.

A fixed page first: both grids must equal what `vantrel-feed check` reads from the page served and from
the program's cache file. Then the moving market: after every refresh the grids equal the cache file's
rates, and the time between two changes of the grids is the refresh period.
"""

import sys

sys.dont_write_bytecode = True  # no __pycache__ beside the sources

import time

from system_checks import check, log
from vantrel_system import REFRESH_SECONDS, cache_page_path, check_page, differences, grids_match_cache, run_test


def body(run):
    page, page_rates = run.make_page(5)
    feed = run.feed("--page", page)
    started = time.monotonic()
    program = run.start_program()
    shown_at = time.monotonic()
    log(f"windows shown {shown_at - started:.1f} s after the start")

    waited = run.wait_for_grids(program, page_rates, timeout=10,
                                what="the grids to show the saved page's 35 rates")
    log(f"grids equal the served page {waited:.1f} s after the windows appeared "
        f"(the first page is only saved; the first refresh comes {REFRESH_SECONDS:.0f} s after the start)")
    cache_rates, complete = check_page(run, cache_page_path(run))
    check(complete, "the program's cache file does not read completely")
    check(cache_rates == page_rates,
          f"the cache file differs from the page served: {differences(page_rates, cache_rates)}")
    shown = program.all_rates()
    check(len(shown) == 35 and all(shown.values()), f"not all 35 rate cells are filled: {shown}")
    log(f"fixed page: 35/35 rates in both grids equal the page and the cache file "
        f"(EUR/USD {shown['EUR/USD']}, USD/JPY {shown['USD/JPY']})")

    # The moving market: the grids follow every refresh.
    feed.stop()
    run.feed("--seed", "9")
    changes = []
    last, _ = grids_match_cache(run, program, timeout=2 * REFRESH_SECONDS + 4, changed_from=page_rates)
    changes.append(time.monotonic())
    log("the market moves: the grids equal the cache file")
    while len(changes) < 5:
        rates, _ = grids_match_cache(run, program, timeout=2 * REFRESH_SECONDS + 2, changed_from=last)
        changes.append(time.monotonic())
        log(f"refresh: {len(differences(last, rates))} of 35 rates moved; the grids equal the cache file")
        last = rates
    periods = [b - a for a, b in zip(changes, changes[1:])]
    check(len(periods) >= 2, f"the grids changed only {len(changes)} times in the moving market")
    log("time between grid changes: " + ", ".join(f"{p:.2f} s" for p in periods))
    # A refresh whose page moves no rate at all would show as a double period; the typical one must not.
    median = sorted(periods)[len(periods) // 2]
    check(abs(median - REFRESH_SECONDS) <= 0.6,
          f"the grids do not change once per refresh period of {REFRESH_SECONDS:.0f} s: {periods}")


if __name__ == "__main__":
    run_test("grids", body, 90)
