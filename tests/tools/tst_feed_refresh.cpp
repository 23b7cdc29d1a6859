// SPDX-License-Identifier: GPL-3.0-or-later
// Vantrel's refresh over the network against vantrel-feed's fault modes: what reaches the cache file
// and the rate table.
#include "server/feed_responder.h"
#include "server/feed_server.h"
#include "sources/market_simulation.h"

#include "platform/curl_http_fetch.h"
#include "quotes/quote_layout.h"
#include "quotes/quote_line_parser.h"
#include "quotes/quote_page.h"
#include "quotes/refresh_quotes.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace vantrel;
using Outcome = QuoteRefresher::Outcome;

Q_DECLARE_METATYPE(vantrel::feed::FaultMode)

namespace {

// The quote server in this process, on the socket at `path`, serving one seed's market with a fault.
std::unique_ptr<feed::FeedServer> serve(const QString &path, feed::FaultMode fault, quint64 seed)
{
    feed::FeedResponder responder(fault, [market = feed::MarketSimulation(seed)]() mutable {
        market.step();
        return market.renderPage();
    }, seed);
    auto server = std::make_unique<feed::FeedServer>(std::move(responder), 0);
    if (!server->listenOnUnixSocket(path))
        qFatal("cannot listen: %s", qPrintable(server->errorString()));
    return server;
}

// Refreshes once from `server`, which serves until the refresh has finished.
Outcome refreshFrom(QuoteRefresher &refresher, const std::unique_ptr<feed::FeedServer> &server)
{
    Q_ASSERT(server);
    QSignalSpy finished(&refresher, &QuoteRefresher::refreshFinished);
    if (!refresher.RefreshQuotes() || !finished.wait(10000))
        qFatal("the refresh never finished");
    return finished.first().first().value<Outcome>();
}

// The first page a healthy server with this seed serves, read in full.
RateTable ratesOfFirstPage(quint64 seed)
{
    feed::MarketSimulation market(seed);
    market.step();
    RateTable rates;
    if (!readQuoteLine(*quoteLineOf(market.renderPage()), rates).complete())
        qFatal("the simulated page does not read");
    return rates;
}

QStringList ratesOf(const RateTable &rates)
{
    QStringList texts;
    for (int i = 0; i < kPairCount; ++i)
        texts << rates.rate(i);
    return texts;
}

} // namespace

class TestFeedRefresh : public QObject
{
    Q_OBJECT

private slots:
    void faultsReachCacheAndRates_data();
    void faultsReachCacheAndRates();
};

void TestFeedRefresh::faultsReachCacheAndRates_data()
{
    QTest::addColumn<feed::FaultMode>("fault");
    QTest::addColumn<Outcome>("outcome");
    QTest::addColumn<bool>("cacheReplaced");
    QTest::addColumn<int>("pairsTaken"); // in parse order, from the faulty server's page

    using F = feed::FaultMode;
    QTest::newRow("none") << F::None << Outcome::Updated << true << 35;
    // A page cut off before its announced length never arrived: nothing of it is kept.
    QTest::newRow("cut") << F::Cut << Outcome::FetchFailed << false << 0;
    // A page cut with a length that matches it is a page: saved, and read up to the cut.
    QTest::newRow("truncated") << F::Truncated << Outcome::FieldNotNumber << true << 2;
    // So is the server's error page.
    QTest::newRow("error") << F::Error << Outcome::QuoteLineMissing << true << 0;
    QTest::newRow("empty") << F::Empty << Outcome::EmptyPage << false << 0;
}

void TestFeedRefresh::faultsReachCacheAndRates()
{
    QFETCH(feed::FaultMode, fault);
    QFETCH(Outcome, outcome);
    QFETCH(bool, cacheReplaced);
    QFETCH(int, pairsTaken);

    QTemporaryDir dir;
    const QString socket = dir.filePath(QStringLiteral("feed.sock"));
    CurlHttpFetch inet1(socket);
    RateTable rates;
    const QuoteCacheFile cache(dir.filePath(QStringLiteral("curquote.htm")));
    QuoteRefresher refresher(inet1, cache, rates,
                             QUrl(QStringLiteral("http://localhost/interesthq/market.dll?getexmarket_5l?branch=0755")));
    QCOMPARE(refreshFrom(refresher, serve(socket, feed::FaultMode::None, 1)), Outcome::Updated);
    const QByteArray cachedBefore = *cache.read();

    // Another seed, so that rates taken from the faulty server's page show.
    RateTable expected = rates;
    const RateTable offered = ratesOfFirstPage(2);
    for (int i = 0; i < pairsTaken; ++i) {
        const int pair = quotePageLayout()[std::size_t(i)].catalogueIndex;
        expected.store(pair, offered.rate(pair));
    }
    QVERIFY(ratesOf(offered) != ratesOf(rates));

    QCOMPARE(refreshFrom(refresher, serve(socket, fault, 2)), outcome);
    QCOMPARE(*cache.read() != cachedBefore, cacheReplaced);
    QCOMPARE(ratesOf(rates), ratesOf(expected));
}

QTEST_GUILESS_MAIN(TestFeedRefresh)
#include "tst_feed_refresh.moc"
