// SPDX-License-Identifier: GPL-3.0-or-later
// The CPU cost of one refresh without the network (save the page, read it back, find the quote line,
// read 35 pairs, store them), beside the cost of only reading the same file once.
//
//   build/bench/bench_refresh_cost [iterations]

#include "sources/market_simulation.h"
#include "platform/http_fetch.h"
#include "process_cpu.h"
#include "quotes/quote_cache_file.h"
#include "quotes/quote_line_parser.h"
#include "quotes/quote_page.h"
#include "quotes/rate_table.h"
#include "quotes/refresh_quotes.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>

namespace {

// Hands the refresher a page that is already there, so only the program's own work is measured.
class CannedFetch final : public vantrel::HttpFetch
{
public:
    void setRequestTimeout(int) override {}
    void fetch(const QUrl &) override {}
    void cancel() override {}
    bool isBusy() const override { return false; }
    void answer(const QByteArray &page) { emit finished({0, page, {}}); }
};

// CPU microseconds per call, after a short warm-up.
double microsecondsPerCall(int iterations, const std::function<void()> &call)
{
    for (int i = 0; i < iterations / 10 + 1; ++i)
        call();
    const double start = vantrel::bench::processCpuSeconds();
    for (int i = 0; i < iterations; ++i)
        call();
    return (vantrel::bench::processCpuSeconds() - start) * 1e6 / iterations;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int iterations = argc > 1 ? std::max(1, atoi(argv[1])) : 20000;

    QTemporaryDir dir;
    vantrel::QuoteCacheFile cache(dir.filePath(QStringLiteral("curquote.htm")));
    // Two pages in turn, as a moving market serves: an unchanged page is not saved again.
    const QByteArray pages[2] = {vantrel::feed::MarketSimulation(42).renderPage(),
                                 vantrel::feed::MarketSimulation(43).renderPage()};
    const QByteArray &page = pages[0];
    int turn = 0;

    vantrel::RateTable rates;
    CannedFetch inet1;
    vantrel::QuoteRefresher refresher(inet1, cache, rates, QUrl(QStringLiteral("http://127.0.0.1/")));
    bool allRead = true;
    QObject::connect(&refresher, &vantrel::QuoteRefresher::refreshFinished, [&](auto outcome) {
        allRead = allRead && outcome == vantrel::QuoteRefresher::Outcome::Updated;
    });

    const double refreshUs = microsecondsPerCall(iterations, [&] {
        refresher.RefreshQuotes();
        inet1.answer(pages[++turn % 2]);
    });
    const double readUs = microsecondsPerCall(iterations, [&] { (void)cache.read(); });
    const double saveUs = microsecondsPerCall(iterations, [&] { (void)cache.replace(pages[++turn % 2]); });
    const double readAndParseUs = microsecondsPerCall(iterations, [&] {
        vantrel::RateTable table;
        vantrel::readQuoteLine(*vantrel::quoteLineOf(*cache.read()), table);
    });

    if (!allRead) {
        std::fprintf(stderr, "the benchmark page did not read as 35 pairs\n");
        return 1;
    }
    std::printf("page size                 %8lld bytes\n", static_cast<long long>(page.size()));
    std::printf("iterations                %8d\n", iterations);
    std::printf("one refresh (CPU)         %8.1f us\n", refreshUs);
    std::printf("  of which saving the page%8.1f us\n", saveUs);
    std::printf("  read, line 106, parse   %8.1f us\n", readAndParseUs);
    std::printf("reading the file once     %8.1f us\n", readUs);
    std::printf("refresh / read            %8.2f x\n", refreshUs / readUs);
    std::printf("read and parse / read     %8.2f x\n", readAndParseUs / readUs);
    return 0;
}
