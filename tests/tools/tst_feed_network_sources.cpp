// SPDX-License-Identifier: GPL-3.0-or-later
#include "sources/ecb_source.h"
#include "server/feed_responder.h"
#include "loopback_http_server.h"
#include "sources/oanda_source.h"
#include "check/page_check.h"
#include "quotes/pair_catalogue.h"

#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QTimeZone>

using namespace vantrel::feed;
using namespace std::chrono_literals;

namespace {

QByteArray ecbFixture() // the reference rates the ECB published for Friday 19 June 2009
{
    QFile file(QStringLiteral(VANTREL_FEED_TEST_DATA "/eurofxref-2009-06-19.xml"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A v20 pricing answer: USD against the seven others, and two crosses OANDA lists the other way round.
QByteArray oandaPricing(const char *eurUsd = R"("1.08312"],["1.08316")")
{
    QByteArray json = R"({"time":"2024-03-04T09:00:03.000000000Z","prices":[)";
    for (const char *price : {eurUsd, R"("1.26871"],["1.26885")", R"("0.65712"],["0.65722")",
                              R"("1.36201"],["1.36215")", R"("0.88012"],["0.88026")", R"("7.81012"],["7.81052")",
                              R"("149.561"],["149.575")", R"("1.34501"],["1.34523")", R"("0.85512"],["0.85527")",
                              R"("0.64890"],["0.64910")"})
        json += R"({"type":"PRICE","instrument":"INSTRUMENT","time":"2024-03-04T09:00:02.123456789Z","tradeable":true,)"
                R"("bids":[{"liquidity":1000000,"price":)" + QByteArray(price).replace("],[", R"(}],"asks":[{"price":)")
            + "}]},";
    const QList<QByteArray> instruments{"EUR_USD", "GBP_USD", "AUD_USD", "USD_CAD", "USD_CHF",
                                        "USD_HKD", "USD_JPY", "USD_SGD", "EUR_GBP", "CAD_CHF"};
    for (const QByteArray &instrument : instruments)
        json.replace(json.indexOf("INSTRUMENT"), 10, instrument);
    json.chop(1);
    return json + "]}";
}

// A source asking `server` quickly, on a clock the test moves, its stderr lines collected in `lines`.
std::unique_ptr<QuoteSource> sourceOn(const QString &kind, const LoopbackHttpServer &server, QDateTime *now,
                                      QStringList *lines)
{
    const SourceContext context{[now] { return *now; }, [lines](const QString &line) { *lines << line; }};
    const bool ecb = kind == QLatin1StringView("ecb");
    PollingSettings settings = ecb ? EcbSource::defaultSettings() : OandaSource::defaultSettings();
    settings.url = server.url(ecb ? QStringLiteral("/eurofxref-daily.xml") : QStringLiteral("/"));
    settings.interval = 100ms;
    settings.limits.timeout = 300ms;
    if (ecb)
        return std::make_unique<EcbSource>(settings, context);
    return std::make_unique<OandaSource>(settings, QStringLiteral("101-004-1234567-001"), "secret-token",
                                         QStringLiteral("/tmp/token"), context);
}

std::unique_ptr<QuoteSource> pricedSource(const QString &kind, LoopbackHttpServer &server, QDateTime *now,
                                          QStringList *lines)
{
    server.setReply({200, kind == QLatin1StringView("ecb") ? ecbFixture() : oandaPricing(), false});
    std::unique_ptr<QuoteSource> source = sourceOn(kind, server, now, lines);
    QSignalSpy priced(source.get(), &QuoteSource::pricesChanged);
    source->start();
    return priced.wait(5000) ? std::move(source) : nullptr;
}

QDateTime g_now(QDate(2009, 6, 19), QTime(17, 30), QTimeZone::utc());

} // namespace

class TestFeedNetworkSources : public QObject
{
    Q_OBJECT

private slots:
    void readsEveryPairOfTheEcbFix_data();
    void readsEveryPairOfTheEcbFix();
    void invertsAndCrossesOandaPrices_data();
    void invertsAndCrossesOandaPrices();
    void keepsTheLastGoodPrices_data();
    void keepsTheLastGoodPrices();
    void answers503UntilTheFirstPricesAndOnceTheyAreOld();
};

void TestFeedNetworkSources::readsEveryPairOfTheEcbFix_data()
{
    QTest::addColumn<QString>("rate");
    // The quotient of the two currencies' rates against EUR, rounded to the pair's decimals; EUR/HKD
    // loses its last decimal to its six-character field.
    const char *const expected[][2] = {
        {"AUD/USD", "0.8061"}, {"EUR/USD", "1.3932"}, {"GBP/USD", "1.6446"}, {"USD/CAD", "1.1275"}, {"USD/CHF", "1.0840"},
        {"USD/HKD", "7.7502"}, {"USD/JPY", "96.78"}, {"USD/SGD", "1.4552"}, {"AUD/CAD", "0.9089"}, {"AUD/CHF", "0.8738"},
        {"AUD/HKD", "6.2475"}, {"AUD/JPY", "78.02"}, {"AUD/SGD", "1.1731"}, {"CAD/HKD", "6.8739"}, {"CAD/JPY", "85.84"},
        {"CAD/SGD", "1.2907"}, {"CHF/CAD", "1.0401"}, {"CHF/HKD", "7.1498"}, {"CHF/JPY", "89.29"}, {"CHF/SGD", "1.3425"},
        {"EUR/AUD", "1.7283"}, {"EUR/CAD", "1.5708"}, {"EUR/CHF", "1.5102"}, {"EUR/HKD", "10.7980"}, {"EUR/JPY", "134.84"},
        {"EUR/SGD", "2.0274"}, {"GBP/AUD", "2.0401"}, {"GBP/CAD", "1.8542"}, {"GBP/CHF", "1.7827"}, {"GBP/EUR", "1.1804"},
        {"GBP/HKD", "12.7458"}, {"GBP/JPY", "159.17"}, {"GBP/SGD", "2.3932"}, {"SGD/HKD", "5.3258"}, {"SGD/JPY", "66.51"}};
    for (const auto &[pair, rate] : expected)
        QTest::newRow(pair) << QString::fromLatin1(rate);
}

void TestFeedNetworkSources::readsEveryPairOfTheEcbFix()
{
    QFETCH(QString, rate);
    static PageCheck check;
    if (check.lines.isEmpty()) {
        LoopbackHttpServer server;
        QStringList lines;
        const auto ecb = pricedSource(QStringLiteral("ecb"), server, &g_now, &lines);
        QVERIFY(ecb && ecb->state() == QuoteSource::State::Fresh);
        check = checkPage(ecb->page());
        QVERIFY2(check.complete, qPrintable(check.reason));
    }
    const QString pair = QString::fromLatin1(QTest::currentDataTag());
    QCOMPARE(check.lines.at(vantrel::findPair(pair).value()), pair + QLatin1Char('\t') + rate);
}

void TestFeedNetworkSources::invertsAndCrossesOandaPrices_data()
{
    QTest::addColumn<qint64>("bid");
    QTest::addColumn<qint64>("offer");
    QTest::newRow("EUR/USD") << qint64(10831) << qint64(10832);     // as quoted
    QTest::newRow("GBP/EUR") << qint64(11692) << qint64(11694);     // 1 / EUR_GBP ask, 1 / bid
    QTest::newRow("CHF/CAD") << qint64(15406) << qint64(15411);     // 1 / CAD_CHF ask, 1 / bid
    QTest::newRow("EUR/JPY") << qint64(1619925) << qint64(1620137); // EUR_USD x USD_JPY
    QTest::newRow("AUD/CHF") << qint64(5783) << qint64(5785);       // AUD_USD x USD_CHF
    QTest::newRow("SGD/HKD") << qint64(58058) << qint64(58070);     // USD_HKD bid / USD_SGD ask
}

void TestFeedNetworkSources::invertsAndCrossesOandaPrices()
{
    QFETCH(qint64, bid);
    QFETCH(qint64, offer);
    LoopbackHttpServer server;
    QStringList lines;
    const auto oanda = pricedSource(QStringLiteral("oanda"), server, &g_now, &lines);
    QVERIFY(oanda);
    const QByteArray request = server.lastRequest();
    QVERIFY(request.startsWith("GET /v3/accounts/101-004-1234567-001/pricing?instruments=AUD_USD,EUR_USD,"));
    QVERIFY(request.contains(",CAD_CHF,") && request.contains(",EUR_GBP,") && request.contains(",SGD_CHF,"));
    // Header names are case-insensitive, and Qt 6.8 sends them in lower case.
    const QRegularExpression authorization(QStringLiteral("\r\n(?i:authorization): Bearer secret-token\r\n"));
    QVERIFY(QString::fromLatin1(request).contains(authorization));
    const QuotedPair pair = oanda->pairs()->at(vantrel::findPair(QTest::currentDataTag()).value());
    QCOMPARE(pair.bid, bid);
    QCOMPARE(pair.offer, offer);
}

void TestFeedNetworkSources::keepsTheLastGoodPrices_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("line");

    QTest::newRow("XML that does not parse") << "ecb" << 200 << QByteArray("<Envelope><Cube><Cube time='2009-06-22'>")
        << "the answer is not the reference rates XML: Premature end of document.";
    QTest::newRow("HTML error page") << "ecb" << 200 << QByteArray("<html><body><p>Maintenance<br></body></html>")
        << "the answer is not the reference rates XML";
    QTest::newRow("HTTP error") << "ecb" << 500 << QByteArray("<html>oops</html>") << "HTTP 500 Internal Server Error";
    QTest::newRow("over the size cap") << "ecb" << 200 << QByteArray(1024 * 1024 + 1, ' ')
        << "the answer is over the 1 MiB limit";
    QTest::newRow("no answer") << "ecb" << -1 << QByteArray() << "no answer within 0.3 s";
    QTest::newRow("JSON that does not parse") << "oanda" << 200 << QByteArray(R"({"prices":[)") << "the answer is not JSON";
    QTest::newRow("token refused") << "oanda" << 401 << QByteArray(R"({"errorMessage":"Insufficient authorization"})")
        << "the token in /tmp/token was refused (HTTP 401 Unauthorized: Insufficient authorization)";
    QTest::newRow("zero price") << "oanda" << 200 << oandaPricing(R"("0"],["0")")
        << "refused EUR/USD 0 0: not a positive price; keeping 1.08312 1.08316";
    QTest::newRow("price far from the last") << "oanda" << 200 << oandaPricing(R"("1.40000"],["1.40010")")
        << "refused EUR/USD 1.4 1.4001: 29 % away from 1.08312 1.08316 of 0 s before";
}

// Whatever a source answers, the feed keeps its last good prices and says once what went wrong.
void TestFeedNetworkSources::keepsTheLastGoodPrices()
{
    QFETCH(QString, source);
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(QString, line);
    LoopbackHttpServer server;
    QStringList lines;
    const auto feed = pricedSource(source, server, &g_now, &lines);
    QVERIFY(feed);
    const QByteArray goodPage = feed->page();

    server.setReply({status, body, status < 0});
    QTRY_VERIFY_WITH_TIMEOUT(!lines.isEmpty(), 5000);
    QTest::qWait(700); // several more bad answers, none of them said again
    QCOMPARE(lines, QStringList{lines.value(0)});
    QVERIFY2(lines.value(0).contains(line), qPrintable(lines.value(0)));
    QCOMPARE(feed->state(), QuoteSource::State::Fresh);
    QCOMPARE(feed->page(), goodPage);
}

void TestFeedNetworkSources::answers503UntilTheFirstPricesAndOnceTheyAreOld()
{
    LoopbackHttpServer server;
    server.setReply({500, QByteArray(), false});
    QDateTime now = g_now;
    QStringList lines;
    const auto oanda = sourceOn(QStringLiteral("oanda"), server, &now, &lines);
    FeedResponder responder(FaultMode::None, [&] { return oanda->page(); }, 1, [&]() -> std::optional<QByteArray> {
        return oanda->state() == QuoteSource::State::Fresh ? std::nullopt : std::optional(oanda->unavailableReason().toUtf8());
    });
    const RequestHead request{RequestHead::State::Complete, "GET", "/interesthq/market.dll?getexmarket_5l?branch=0755"};

    oanda->start();
    QTRY_COMPARE_WITH_TIMEOUT(lines.size(), 1, 5000);
    QCOMPARE(responder.answer(request).bytes.split('\n').mid(0, 1), QList<QByteArray>{"HTTP/1.1 503 Service Unavailable\r"});
    QVERIFY(responder.answer(request).bytes.endsWith("\r\n\r\nvantrel-feed is waiting for the first prices from OANDA at "
                                                     + server.url("/").toEncoded() + " (HTTP 500 Internal Server Error)\r\n"));
    server.setReply({200, oandaPricing(), false});
    QTRY_COMPARE_WITH_TIMEOUT(oanda->state(), QuoteSource::State::Fresh, 5000);
    QVERIFY(responder.answer(request).bytes.startsWith("HTTP/1.1 200 OK\r\n"));

    server.setReply({500, QByteArray(), false});
    now = now.addSecs(119);
    QTRY_COMPARE_WITH_TIMEOUT(lines.size(), 3, 5000); // failed, priced again, failed again
    QCOMPARE(oanda->state(), QuoteSource::State::Fresh);
    now = now.addSecs(2);
    QVERIFY(responder.answer(request).bytes.contains("\r\n\r\nvantrel-feed has no current prices: the last from OANDA at "));

    // A daily fix holds four days, over a long weekend, and no longer.
    now = QDateTime(QDate(2009, 6, 23), QTime(13, 59), QTimeZone::utc());
    const auto ecb = pricedSource(QStringLiteral("ecb"), server, &now, &lines);
    QVERIFY(ecb && ecb->state() == QuoteSource::State::Fresh);
    now = now.addSecs(120);
    QVERIFY(ecb->unavailableReason().endsWith(" are of 2009-06-19T14:00:00Z, too old to serve"));
}

QTEST_GUILESS_MAIN(TestFeedNetworkSources)
#include "tst_feed_network_sources.moc"
