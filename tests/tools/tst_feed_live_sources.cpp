// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/page_check.h"
#include "loopback_http_server.h"
#include "quotes/pair_catalogue.h"
#include "sources/ecb_dollar_legs.h"
#include "sources/failover_source.h"
#include "sources/fx_week.h"
#include "sources/kraken_source.h"
#include "sources/oanda_source.h"
#include "sources/truefx_source.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

using namespace vantrel::feed;
using namespace std::chrono_literals;

Q_DECLARE_METATYPE(LoopbackHttpServer::Reply)

namespace {

// A Friday afternoon in New York, the day of the ECB fixture's reference rates.
const QDateTime kFriday(QDate(2009, 6, 19), QTime(17, 30), QTimeZone::utc());

QByteArray ecbFixture()
{
    QFile file(QStringLiteral(VANTREL_FEED_TEST_DATA "/eurofxref-2009-06-19.xml"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// TrueFX's csv snapshot of its ten pairs, every quote set at `at`; `replace` swaps one line's text.
QByteArray trueFxSnapshot(const QDateTime &at, const QByteArray &pair = {}, const QByteArray &line = {})
{
    static const char *const quotes[] = {
        "EUR/USD,T,1.39,312,1.39,318,1.39512,1.38810,1.39001", "USD/JPY,T,96.,771,96.,779,97.012,96.501,96.611",
        "GBP/USD,T,1.64,452,1.64,461,1.64871,1.63902,1.64001", "EUR/GBP,T,0.84,712,0.84,722,0.84913,0.84511,0.84610",
        "USD/CHF,T,1.08,401,1.08,411,1.08712,1.08123,1.08301", "EUR/JPY,T,134.,842,134.,856,135.101,134.201,134.50",
        "EUR/CHF,T,1.51,021,1.51,031,1.51210,1.50880,1.51001", "USD/CAD,T,1.12,752,1.12,762,1.13012,1.12501,1.12661",
        "AUD/USD,T,0.80,612,0.80,620,0.80912,0.80301,0.80455", "GBP/JPY,T,159.,171,159.,186,159.812,158.901,159.201"};
    QByteArray csv;
    for (const char *quote : quotes) {
        QByteArray text = QByteArray(quote).replace(",T,", "," + QByteArray::number(at.toMSecsSinceEpoch()) + ",");
        if (!pair.isEmpty() && text.startsWith(pair + ","))
            text = line;
        if (!text.isEmpty())
            csv += text + "\n";
    }
    return csv;
}

// Kraken's Ticker for the six dollar legs, under the keys Kraken answers them by, and `extra` keys.
QByteArray krakenTicker(const QJsonObject &extra = {}, const QString &eurUsdBid = QStringLiteral("1.39290"))
{
    const QList<QStringList> books{{"ZEURZUSD", eurUsdBid, "1.39310"}, {"ZGBPZUSD", "1.64440", "1.64470"},
                                   {"ZUSDZJPY", "96.760", "96.790"},   {"ZUSDZCAD", "1.12740", "1.12770"},
                                   {"USDCHF", "1.08390", "1.08420"},   {"AUDUSD", "0.80600", "0.80630"}};
    QJsonObject result = extra;
    for (const QStringList &book : books) {
        result[book[0]] = QJsonObject{{"a", QJsonArray{book[2], "12", "12.000"}}, {"b", QJsonArray{book[1], "3", "3.000"}},
                                      {"c", QJsonArray{book[1], "0.5"}}, {"v", QJsonArray{"10", "20"}}, {"o", book[1]}};
    }
    return QJsonDocument(QJsonObject{{"error", QJsonArray{}}, {"result", result}}).toJson(QJsonDocument::Compact);
}

QJsonObject book(const char *key, const char *bid, const char *ask)
{
    return {{QLatin1StringView(key), QJsonObject{{"a", QJsonArray{ask}}, {"b", QJsonArray{bid}}}}};
}

// The stand-ins of one live source and of the ECB, and the source asking them quickly on a clock the
// test moves, its stderr lines in `lines`.
struct LiveSetup {
    LoopbackHttpServer live;
    LoopbackHttpServer ecb;
    QDateTime now = kFriday;
    QStringList lines;
    std::shared_ptr<EcbDollarLegs> dollarLegs;

    SourceContext context()
    {
        return {[this] { return now; }, [this](const QString &line) { lines << line; }};
    }

    PollingSettings quick(PollingSettings settings, const QUrl &url)
    {
        settings.url = url;
        settings.interval = 100ms;
        settings.firstRetry = 100ms;
        // Time enough on a loaded machine under the sanitizers: a stand-in's answer taken for a failure
        // would have a failover ask its reserve again.
        settings.limits.timeout = 2s;
        return settings;
    }

    // TrueFX or Kraken asking `server`, the live stand-in unless another is named.
    std::unique_ptr<QuoteSource> make(const QString &kind, const SourceContext &memberContext,
                                      LoopbackHttpServer *server = nullptr)
    {
        if (!dollarLegs) {
            PollingSettings fix = EcbSource::defaultSettings();
            fix.url = ecb.url(QStringLiteral("/eurofxref-daily.xml"));
            dollarLegs = std::make_shared<EcbDollarLegs>(fix, context());
        }
        LoopbackHttpServer &asked = server ? *server : live;
        if (kind == QLatin1StringView("truefx"))
            return std::make_unique<TrueFxSource>(
                quick(TrueFxSource::defaultSettings(), asked.url(QStringLiteral("/rates/connect.html"))), dollarLegs,
                memberContext);
        return std::make_unique<KrakenSource>(quick(KrakenSource::defaultSettings(), asked.url(QStringLiteral("/"))),
                                              dollarLegs, memberContext);
    }

    std::unique_ptr<QuoteSource> started(const QString &kind, const QByteArray &answer)
    {
        ecb.setReply({200, ecbFixture()});
        live.setReply({200, answer});
        std::unique_ptr<QuoteSource> source = make(kind, context());
        source->start();
        return source;
    }
};

// A good answer of `source` ("truefx" or "kraken") a second before the test's Friday afternoon.
QByteArray goodAnswer(const QString &source)
{
    return source == QLatin1StringView("truefx") ? trueFxSnapshot(kFriday.addSecs(-1)) : krakenTicker();
}

QString rateOf(const QByteArray &page, const QString &pair)
{
    return checkPage(page).lines.value(vantrel::findPair(pair).value()).section(QLatin1Char('\t'), 1);
}

} // namespace

class TestFeedLiveSources : public QObject
{
    Q_OBJECT

private slots:
    void servesEveryPairFromTheLiveLegs_data();
    void servesEveryPairFromTheLiveLegs();
    void refusesBadAnswers_data();
    void refusesBadAnswers();
    void agesEachPriceByItsOwnTime_data();
    void agesEachPriceByItsOwnTime();
    void keepsTheFxWeek_data();
    void keepsTheFxWeek();
    void servesTheWeeksLastPricesUntilTheOpen();
    void failsOverAndBack();
};

void TestFeedLiveSources::servesEveryPairFromTheLiveLegs_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("pair");
    QTest::addColumn<QString>("rate");

    // As quoted, inverted, and crossed through USD from the same answer; USD/HKD and USD/SGD are the
    // ECB's EUR/HKD and EUR/SGD over its EUR/USD, and cross with the live legs.
    QTest::newRow("TrueFX EUR/USD") << "truefx" << "EUR/USD" << "1.3932";
    QTest::newRow("TrueFX EUR/GBP as quoted, GBP/EUR inverted") << "truefx" << "GBP/EUR" << "1.1804";
    QTest::newRow("TrueFX AUD/JPY crossed") << "truefx" << "AUD/JPY" << "78.02";
    QTest::newRow("TrueFX USD/HKD from the ECB") << "truefx" << "USD/HKD" << "7.7502";
    QTest::newRow("TrueFX EUR/HKD, live EUR/USD by the fix's USD/HKD") << "truefx" << "EUR/HKD" << "10.7970";
    QTest::newRow("TrueFX SGD/JPY") << "truefx" << "SGD/JPY" << "66.51";
    QTest::newRow("Kraken EUR/USD") << "kraken" << "EUR/USD" << "1.3930";
    QTest::newRow("Kraken EUR/GBP crossed") << "kraken" << "GBP/EUR" << "1.1806";
    QTest::newRow("Kraken USD/SGD from the ECB") << "kraken" << "USD/SGD" << "1.4552";
}

void TestFeedLiveSources::servesEveryPairFromTheLiveLegs()
{
    QFETCH(QString, source);
    QFETCH(QString, pair);
    QFETCH(QString, rate);
    LiveSetup setup;
    const auto live = setup.started(source, goodAnswer(source));
    QTRY_COMPARE_WITH_TIMEOUT(live->state(), QuoteSource::State::Fresh, 5000);
    const PageCheck check = checkPage(live->page());
    QVERIFY2(check.complete, qPrintable(check.reason));
    QCOMPARE(rateOf(live->page(), pair), rate);
    // Said once where the two legs come from; the answers asked for as each source documents.
    QCOMPARE(setup.lines.filter("USD/HKD and USD/SGD are taken from the ECB's daily reference rates").size(), 1);
    QVERIFY(setup.live.lastRequest().startsWith(source == "truefx" ? "GET /rates/connect.html?f=csv HTTP/1.1\r\n"
                                                                   : "GET /0/public/Ticker?pair=AUDUSD,EURUSD,GBPUSD,"
                                                                     "USDCAD,USDCHF,USDJPY HTTP/1.1\r\n"));
}

void TestFeedLiveSources::refusesBadAnswers_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QStringList>("said"); // each line once, however often the answer comes

    const QDateTime at = kFriday.addSecs(-1);
    const QByteArray ms = QByteArray::number(at.toMSecsSinceEpoch());
    const QString keeping = "; keeping it until";
    QTest::newRow("TrueFX error text") << "truefx" << QByteArray("Error: the service is busy\n")
                                       << QStringList{"the answer holds no quotes: 'Error: the service is busy'"};
    QTest::newRow("TrueFX not authorized") << "truefx" << QByteArray("not authorized\r\n")
                                           << QStringList{"the answer says 'not authorized'"};
    QTest::newRow("TrueFX web page") << "truefx" << QByteArray("<html><body>Down for maintenance</body></html>")
                                     << QStringList{"the answer is a web page, not data"};
    QTest::newRow("TrueFX field missing") << "truefx" << trueFxSnapshot(at, "EUR/CHF", "EUR/CHF," + ms + ",1.51,021")
        << QStringList{"EUR/CHF refused: the line has 4 fields, not the 6 a quote needs",
                       "refused EUR/CHF nan nan: not a positive price; keeping 1.51021 1.51031"};
    QTest::newRow("TrueFX points not a number") << "truefx" << trueFxSnapshot(at, "USD/CAD", "USD/CAD," + ms + ",1.12,7x2,1.12,762")
        << QStringList{"USD/CAD refused: its bid points '7x2' are not a number", "refused USD/CAD nan nan"};
    QTest::newRow("TrueFX time not a number") << "truefx" << trueFxSnapshot(at, "GBP/JPY", "GBP/JPY,noon,159.,171,159.,186")
        << QStringList{"GBP/JPY refused: its time 'noon' is not a number of milliseconds", "refused GBP/JPY nan nan"};
    QTest::newRow("TrueFX pair twice") << "truefx" << trueFxSnapshot(at) + "EUR/USD," + ms + ",1.39,412,1.39,418\n"
        << QStringList{"EUR/USD refused: it is quoted twice in one answer", "refused EUR/USD nan nan"};
    QTest::newRow("Kraken error") << "kraken" << QByteArray("{\"error\":[\"EGeneral:Too many requests\"]}")
                                  << QStringList{"Kraken answered EGeneral:Too many requests"};
    QTest::newRow("Kraken not JSON") << "kraken" << QByteArray("{\"error\":[],\"result\":{")
                                     << QStringList{"the answer is not JSON"};
    QTest::newRow("Kraken unknown key") << "kraken" << krakenTicker(book("XXBTZUSD", "90000.0", "90000.1"))
                                        << QStringList{"'XXBTZUSD' is none of the pairs asked; left out"};
    QTest::newRow("Kraken price not a number") << "kraken" << krakenTicker({}, "1.39x")
        << QStringList{"EUR/USD refused: its bid '1.39x' is not a price", "refused EUR/USD nan nan"};
    QTest::newRow("Kraken pair twice") << "kraken" << krakenTicker(book("EURUSD", "1.3", "1.4"))
        << QStringList{"EUR/USD refused: it is answered twice, under two names", "refused EUR/USD nan nan"};
}

// A bad answer or pair is refused and named once; the last good prices, or the rest, are still served.
void TestFeedLiveSources::refusesBadAnswers()
{
    QFETCH(QString, source);
    QFETCH(QByteArray, answer);
    QFETCH(QStringList, said);
    LiveSetup setup;
    const auto live = setup.started(source, goodAnswer(source));
    QTRY_COMPARE_WITH_TIMEOUT(live->state(), QuoteSource::State::Fresh, 5000);
    setup.lines.clear();
    setup.live.setReply({200, answer});
    const int asked = setup.live.requests();
    QTRY_VERIFY_WITH_TIMEOUT(setup.live.requests() >= asked + 5, 5000);
    for (const QString &line : said)
        QVERIFY2(setup.lines.filter(line).size() == 1, qPrintable(setup.lines.join('\n')));
    QCOMPARE(live->state(), QuoteSource::State::Fresh);
    QVERIFY(checkPage(live->page()).complete);
    QVERIFY2(setup.lines.size() <= said.size() + 1, qPrintable(setup.lines.join('\n'))); // nothing said twice
}

void TestFeedLiveSources::agesEachPriceByItsOwnTime_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("served");

    const QByteArray old = QByteArray::number(kFriday.addSecs(-121).toMSecsSinceEpoch());
    QTest::newRow("TrueFX, one pair quiet for two minutes, crossed from the others") << "truefx"
        << trueFxSnapshot(kFriday.addSecs(-1), "EUR/CHF", "EUR/CHF," + old + ",1.52,021,1.52,031")
        << "EUR/CHF is of 2009-06-19T17:27:59Z, more than 120 s old: not current" << true;
    QTest::newRow("TrueFX, every pair two minutes old") << "truefx" << trueFxSnapshot(kFriday.addSecs(-121))
        << "waiting for the first prices from TrueFX at" << false;
    const QJsonObject price{{"instrument", "EUR_USD"}, {"time", "2009-06-13T17:29:59.123Z"}, {"tradeable", true},
                            {"bids", QJsonArray{QJsonObject{{"price", "1.39312"}}}},
                            {"asks", QJsonArray{QJsonObject{{"price", "1.39318"}}}}};
    const auto pricing = [](QJsonObject price) {
        return QJsonDocument(QJsonObject{{"prices", QJsonArray{price}}}).toJson(QJsonDocument::Compact);
    };
    QJsonObject untradeable = price;
    untradeable["time"] = "2009-06-19T17:29:59.123Z";
    untradeable["tradeable"] = false;
    QByteArray sixDays = pricing(price);
    QTest::newRow("OANDA, six days old") << "oanda" << sixDays
        << "EUR/USD is of 2009-06-13T17:29:59Z, more than 120 s old: not current" << false;
    QTest::newRow("OANDA, not tradeable") << "oanda" << pricing(untradeable)
        << "EUR/USD is not tradeable now, the source says: not current" << false;
}

void TestFeedLiveSources::agesEachPriceByItsOwnTime()
{
    QFETCH(QString, source);
    QFETCH(QByteArray, answer);
    QFETCH(QString, line);
    QFETCH(bool, served);
    LiveSetup setup;
    std::unique_ptr<QuoteSource> live;
    if (source == "oanda") {
        QTemporaryDir folder;
        QFile token(folder.filePath("token"));
        QVERIFY(token.open(QIODevice::WriteOnly) && token.write("t\n") && token.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
        token.close();
        setup.live.setReply({200, answer});
        live = std::make_unique<OandaSource>(setup.quick(OandaSource::defaultSettings(), setup.live.url("/")), "1",
                                             token.fileName(), setup.context());
        live->start();
        QTRY_VERIFY_WITH_TIMEOUT(setup.live.requests() >= 3, 5000);
    } else {
        live = setup.started(source, answer);
        QTRY_VERIFY_WITH_TIMEOUT(setup.live.requests() >= 3 && setup.ecb.requests() >= 1, 5000);
    }
    QVERIFY2(setup.lines.filter(line).size() == 1, qPrintable(setup.lines.join('\n')));
    QCOMPARE(live->state() == QuoteSource::State::Fresh, served);
    if (served)
        QCOMPARE(rateOf(live->page(), "EUR/CHF"), "1.5103"); // EUR/USD by USD/CHF, not the quiet 1.5203
}

void TestFeedLiveSources::keepsTheFxWeek_data()
{
    QTest::addColumn<QDateTime>("at");
    QTest::addColumn<bool>("closed");
    QTest::addColumn<QString>("opens");        // when closed
    QTest::addColumn<QString>("currentUntil"); // a price set then

    const auto utc = [](int month, int day, int hour, int minute) {
        return QDateTime(QDate(2026, month, day), QTime(hour, minute), QTimeZone::utc());
    };
    // Two minutes of its own time, or, for the week's last prices, until the open.
    QTest::newRow("Friday 16:59 New York, winter") << utc(3, 6, 21, 59) << false << QString() << "2026-03-08T21:00:00Z";
    QTest::newRow("Friday 17:01, winter: one of the week's last") << utc(3, 6, 22, 1) << true << "2026-03-08T21:00:00Z"
                                                                  << "2026-03-08T21:00:00Z";
    QTest::newRow("Saturday") << utc(3, 7, 12, 0) << true << "2026-03-08T21:00:00Z" << "2026-03-07T12:02:00Z";
    QTest::newRow("Sunday 16:59, the day summer time begins") << utc(3, 8, 20, 59) << true << "2026-03-08T21:00:00Z"
                                                              << "2026-03-08T21:01:00Z";
    QTest::newRow("Sunday 17:01, summer time") << utc(3, 8, 21, 1) << false << QString() << "2026-03-08T21:03:00Z";
    QTest::newRow("Friday 16:59, summer") << utc(10, 30, 20, 59) << false << QString() << "2026-11-01T22:00:00Z";
    QTest::newRow("Friday 17:02, summer: given while closed") << utc(10, 30, 21, 2) << true << "2026-11-01T22:00:00Z"
                                                              << "2026-10-30T21:04:00Z";
    QTest::newRow("Sunday 16:59, the day summer time ends") << utc(11, 1, 21, 59) << true << "2026-11-01T22:00:00Z"
                                                            << "2026-11-01T22:01:00Z";
    QTest::newRow("Sunday 17:01, winter") << utc(11, 1, 22, 1) << false << QString() << "2026-11-01T22:03:00Z";
    QTest::newRow("Wednesday") << utc(11, 4, 3, 0) << false << QString() << "2026-11-04T03:02:00Z";
}

void TestFeedLiveSources::keepsTheFxWeek()
{
    QFETCH(QDateTime, at);
    QFETCH(bool, closed);
    QFETCH(QString, opens);
    QFETCH(QString, currentUntil);
    QCOMPARE(fxMarketClosedAt(at), closed);
    if (closed)
        QCOMPARE(fxOpenAfter(at).toUTC().toString(Qt::ISODate), opens);
    QCOMPARE(fxCurrentUntil(at, 2min).toUTC().toString(Qt::ISODate), currentUntil);
}

// From Friday's close to Sunday's open the week's last prices are served, and only those: a crypto
// exchange's weekend prices are not the market's.
void TestFeedLiveSources::servesTheWeeksLastPricesUntilTheOpen()
{
    LiveSetup setup;
    setup.now = QDateTime(QDate(2009, 6, 20), QTime(12, 0), QTimeZone::utc()); // Saturday
    const QDateTime close(QDate(2009, 6, 19), QTime(20, 59, 58), QTimeZone::utc()); // 16:59:58 New York
    const auto trueFx = setup.started("truefx", trueFxSnapshot(close));
    QTRY_COMPARE_WITH_TIMEOUT(trueFx->state(), QuoteSource::State::Fresh, 5000);
    QCOMPARE(trueFx->currentUntil().toUTC().toString(Qt::ISODate), "2009-06-21T21:00:00Z");
    QVERIFY2(setup.lines.contains("the FX market is closed from 2009-06-19T21:00:00Z until 2009-06-21T21:00:00Z "
                                  "(Friday to Sunday 17:00 New York): only the week's last prices from "
                                  + trueFx->description() + " are served until it opens"),
             qPrintable(setup.lines.join('\n')));

    LiveSetup weekend;
    weekend.now = setup.now;
    const auto kraken = weekend.started("kraken", krakenTicker());
    QTRY_VERIFY_WITH_TIMEOUT(weekend.live.requests() >= 3, 5000);
    QCOMPARE(kraken->state(), QuoteSource::State::Waiting);
    QVERIFY2(kraken->unavailableReason().contains("the FX market is closed until 2009-06-21T21:00:00Z (Sunday 17:00 "
                                                  "New York), and prices given while it is closed are not the market's"),
             qPrintable(kraken->unavailableReason()));
}

void TestFeedLiveSources::failsOverAndBack()
{
    LiveSetup truefx;
    LoopbackHttpServer kraken;
    truefx.ecb.setReply({200, ecbFixture()});
    truefx.live.setReply({200, trueFxSnapshot(kFriday.addSecs(-1))});
    kraken.setReply({200, krakenTicker()});
    QString error;
    const auto failover = FailoverSource::make(
        {[&](SourceContext context, QString &) { return truefx.make("truefx", context); },
         [&](SourceContext context, QString &) { return truefx.make("kraken", context, &kraken); }},
        truefx.context(), FailoverSettings{10s, 30s, 20ms}, error);
    QVERIFY(failover);
    const QString trueFxName = failover->served().description();
    failover->start();
    QTRY_COMPARE_WITH_TIMEOUT(failover->state(), QuoteSource::State::Fresh, 5000);
    QCOMPARE(rateOf(failover->page(), "EUR/USD"), "1.3932");
    QVERIFY2(kraken.requests() == 0, qPrintable(truefx.lines.join("\n"))); // asked only once it may be needed

    truefx.live.setReply({500, {}});
    QTRY_VERIFY_WITH_TIMEOUT(kraken.requests() > 0 && truefx.lines.last().contains("HTTP 500"), 5000);
    QCOMPARE(failover->served().description(), trueFxName); // failing, not yet for 10 s
    truefx.now = truefx.now.addSecs(10);
    QTRY_COMPARE_WITH_TIMEOUT(failover->served().description().left(6), "Kraken", 5000);
    QCOMPARE(rateOf(failover->page(), "EUR/USD"), "1.3930");
    QCOMPARE(truefx.lines.last(), "switching from " + trueFxName + " to " + failover->served().description()
                                      + ": it has failed for 10 s (HTTP 500 Internal Server Error)");

    truefx.live.setReply({200, trueFxSnapshot(kFriday.addSecs(9))});
    QTRY_VERIFY_WITH_TIMEOUT(truefx.live.requests() > 0 && failover->served().description().startsWith("Kraken"), 5000);
    QTest::qWait(300);
    truefx.now = truefx.now.addSecs(30);
    QTRY_COMPARE_WITH_TIMEOUT(failover->served().description(), trueFxName, 5000);
    QVERIFY2(truefx.lines.last().startsWith("switching back from Kraken at ")
                 && truefx.lines.last().endsWith(" to " + trueFxName + ": it has answered well for 30 s"),
             qPrintable(truefx.lines.last()));
    // No longer needed: Kraken comes to be asked no more (a request in flight at the switch may still come).
    int krakenAsked = -1;
    QVERIFY2(QTest::qWaitFor([&] {
                 krakenAsked = kraken.requests();
                 QTest::qWait(300);
                 return kraken.requests() == krakenAsked;
             }, 5000),
             qPrintable(truefx.lines.join(QLatin1Char('\n'))));

    // Nothing to serve from either: the 503 answer gives each one's reason.
    truefx.live.setReply({500, {}});
    kraken.setReply({200, "{\"error\":[\"EService:Unavailable\"]}"});
    truefx.now = truefx.now.addSecs(200);
    QTRY_VERIFY_WITH_TIMEOUT(failover->state() != QuoteSource::State::Fresh && kraken.requests() > krakenAsked + 2, 5000);
    const QString reason = failover->unavailableReason();
    QVERIFY2(reason.startsWith("vantrel-feed: no source can be served: ") && reason.contains(trueFxName)
                 && reason.contains("Kraken answered EService:Unavailable"),
             qPrintable(reason));
}

QTEST_GUILESS_MAIN(TestFeedLiveSources)
#include "tst_feed_live_sources.moc"
