// SPDX-License-Identifier: GPL-3.0-or-later
#include "sources/ecb_source.h"
#include "server/feed_responder.h"
#include "loopback_http_server.h"
#include "sources/ecb_calendar.h"
#include "sources/oanda_source.h"
#include "check/page_check.h"
#include "quotes/pair_catalogue.h"

#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

using namespace vantrel::feed;
using namespace std::chrono_literals;

Q_DECLARE_METATYPE(LoopbackHttpServer::Reply)

namespace {

QByteArray ecbFixture() // the reference rates the ECB published for Friday 19 June 2009
{
    QFile file(QStringLiteral(VANTREL_FEED_TEST_DATA "/eurofxref-2009-06-19.xml"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A v20 pricing answer: USD against the seven others, and two crosses OANDA lists the other way round.
QByteArray oandaPricing(const char *eurUsd = R"("1.08312"],["1.08316")")
{
    QByteArray json = R"({"time":"2009-06-19T17:30:00.000000000Z","prices":[)";
    for (const char *price : {eurUsd, R"("1.26871"],["1.26885")", R"("0.65712"],["0.65722")",
                              R"("1.36201"],["1.36215")", R"("0.88012"],["0.88026")", R"("7.81012"],["7.81052")",
                              R"("149.561"],["149.575")", R"("1.34501"],["1.34523")", R"("0.85512"],["0.85527")",
                              R"("0.64890"],["0.64910")"})
        json += R"({"type":"PRICE","instrument":"INSTRUMENT","time":"2009-06-19T17:29:59.123456789Z","tradeable":true,)"
                R"("bids":[{"liquidity":1000000,"price":)" + QByteArray(price).replace("],[", R"(}],"asks":[{"price":)")
            + "}]},";
    const QList<QByteArray> instruments{"EUR_USD", "GBP_USD", "AUD_USD", "USD_CAD", "USD_CHF",
                                        "USD_HKD", "USD_JPY", "USD_SGD", "EUR_GBP", "CAD_CHF"};
    for (const QByteArray &instrument : instruments)
        json.replace(json.indexOf("INSTRUMENT"), 10, instrument);
    json.chop(1);
    return json + "]}";
}

// The OANDA token, alone in a file only its owner may read, as a user keeps it.
QTemporaryDir &tokenFolder()
{
    static QTemporaryDir dir;
    return dir;
}

QString tokenFile(const QByteArray &token = "secret-token")
{
    QFile file(tokenFolder().filePath(QStringLiteral("oanda-token")));
    const bool written = file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(token + '\n') > 0
                         && file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    return written ? file.fileName() : QString();
}

// A source asking `server` quickly, on a clock the test moves, its stderr lines collected in `lines`.
std::unique_ptr<QuoteSource> sourceOn(const QString &kind, const LoopbackHttpServer &server, QDateTime *now,
                                      QStringList *lines, const std::function<void(PollingSettings &)> &adjust = {})
{
    const SourceContext context{[now] { return *now; }, [lines](const QString &line) { *lines << line; }};
    const bool ecb = kind == QLatin1StringView("ecb");
    PollingSettings settings = ecb ? EcbSource::defaultSettings() : OandaSource::defaultSettings();
    settings.url = server.url(ecb ? QStringLiteral("/eurofxref-daily.xml") : QStringLiteral("/"));
    settings.interval = 100ms;
    settings.limits.timeout = 300ms;
    if (adjust)
        adjust(settings);
    if (ecb)
        return std::make_unique<EcbSource>(settings, context);
    return std::make_unique<OandaSource>(settings, QStringLiteral("101-004-1234567-001"), tokenFile(), context);
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

// "STATUS BODY" of an answer of the feed.
QByteArray bodyOfAnswer(const QByteArray &answer)
{
    return answer.mid(9, 4) + answer.mid(answer.indexOf("\r\n\r\n") + 4);
}

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
    void guardIsWrongOnlyBriefly_data();
    void guardIsWrongOnlyBriefly();
    void answers503UntilTheFirstPricesAndOnceTheyAreOld();
    void asksAgainSoonAfterAFailure();
    void backsOffARefusedTokenUntilItChanges();
    void ecbFixHoldsUntilTheNextFixDay_data();
    void ecbFixHoldsUntilTheNextFixDay();
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
    QTest::addColumn<LoopbackHttpServer::Reply>("reply");
    QTest::addColumn<QString>("line");

    using Reply = LoopbackHttpServer::Reply;
    QTest::newRow("XML that does not parse") << "ecb" << Reply{200, "<Envelope><Cube><Cube time='2009-06-22'>"}
        << "the answer is not the reference rates XML: Premature end of document.";
    QTest::newRow("HTML error page") << "ecb" << Reply{200, "<html><body><p>Maintenance<br></body></html>"}
        << "the answer is not the reference rates XML";
    QTest::newRow("HTTP error") << "ecb" << Reply{500, "<html>oops</html>"} << "HTTP 500 Internal Server Error";
    QTest::newRow("over the size cap") << "ecb" << Reply{200, QByteArray(1024 * 1024 + 1, ' ')}
        << "the answer is over the 1 MiB limit";
    QTest::newRow("no answer") << "ecb" << Reply{-1, {}, true} << "no answer within 0.3 s";
    QTest::newRow("fix dated ahead") << "ecb" << Reply{200, ecbFixture().replace("2009-06-19", "2009-06-21")}
        << "its prices are dated 2009-06-21T12:15:00Z, ahead of this machine's clock; still serving "
           "the prices of 2009-06-19T12:15:00Z until 2009-06-22T22:00:00Z";
    QTest::newRow("JSON that does not parse") << "oanda" << Reply{200, R"({"prices":[)"} << "the answer is not JSON";
    QTest::newRow("token refused") << "oanda" << Reply{401, R"({"errorMessage":"Insufficient authorization"})"}
        << "oanda-token was refused (HTTP 401 Unauthorized: Insufficient authorization); asking again in 5 minutes";
    // Sent on elsewhere, the token would follow: the feed does not go.
    QTest::newRow("redirection") << "oanda" << Reply{302, {}, false, "Location: http://127.0.0.2:1/v3/\r\n"}
        << "HTTP 302 Found: sent on to http://127.0.0.2:1/v3/, not followed";
    QTest::newRow("zero price") << "oanda" << Reply{200, oandaPricing(R"("0"],["0")")}
        << "refused EUR/USD 0 0: not a positive price; keeping 1.08312 1.08316";
    QTest::newRow("bid above offer") << "oanda" << Reply{200, oandaPricing(R"("1.16600"],["1.16400")")}
        << "refused EUR/USD 1.166 1.164: bid above offer; keeping 1.08312 1.08316";
    QTest::newRow("spread too wide") << "oanda" << Reply{200, oandaPricing(R"("1.00000"],["1.10000")")}
        << "refused EUR/USD 1 1.1: spread wider than 5 % of the price; keeping 1.08312 1.08316";
}

// Whatever a source answers, the feed keeps its last good prices and says once what went wrong.
void TestFeedNetworkSources::keepsTheLastGoodPrices()
{
    QFETCH(QString, source);
    QFETCH(LoopbackHttpServer::Reply, reply);
    QFETCH(QString, line);
    LoopbackHttpServer server;
    QStringList lines;
    const auto feed = pricedSource(source, server, &g_now, &lines);
    QVERIFY(feed);
    const QByteArray goodPage = feed->page();

    lines.clear();
    server.setReply(reply);
    QTRY_VERIFY_WITH_TIMEOUT(!lines.isEmpty(), 5000);
    QTest::qWait(700); // several more bad answers, none of them said again
    QCOMPARE(lines, QStringList{lines.value(0)});
    QVERIFY2(lines.value(0).contains(line), qPrintable(lines.value(0)));
    QCOMPARE(feed->state(), QuoteSource::State::Fresh);
    QCOMPARE(feed->page(), goodPage);
}

void TestFeedNetworkSources::guardIsWrongOnlyBriefly_data()
{
    QTest::addColumn<QList<QByteArray>>("eurUsd"); // the quote of each answer in turn, the last one kept
    QTest::addColumn<qint64>("served");             // the EUR/USD bid served in the end
    QTest::addColumn<QStringList>("said");

    const QByteArray good = R"("1.08312"],["1.08316")", jump = R"("1.40000"],["1.40010")";
    const QByteArray slip = R"("10.8312"],["10.8316")";
    // Two levels, each given once: either may be the slip, so neither is served until one holds.
    const QStringList doubt{"serving the prices of 2009-06-19T17:29:59Z",
                            "that level was given only briefly, so neither is served until one of them holds for 60 s "
                            "or 3 reads",
                            "no current prices: OANDA at "};
    const QString servedAgain = "serving the prices of 2009-06-19T17:29:59Z from OANDA at ";
    QTest::newRow("a slip corrected at once") << QList<QByteArray>{slip, good} << qint64(10831)
        << doubt + QStringList{"EUR/USD 1.08312 1.08316 accepted: given since 17:30:00Z, 90 % away from ", servedAgain};
    QTest::newRow("a slip after one good answer") << QList<QByteArray>{good, slip, good} << qint64(10831)
        << doubt + QStringList{"EUR/USD 1.08312 1.08316 accepted again", servedAgain};
    QTest::newRow("a glitch of one answer") << QList<QByteArray>{good, good, good, jump, good} << qint64(10831)
        << QStringList{"serving the prices of", "refused EUR/USD 1.4 1.4001: 29 % away from 1.08312 1.08316, the level since "
                       "17:30:00Z; keeping it until the new level holds for 60 s or 3 reads, for 120 s at most",
                       "EUR/USD 1.08312 1.08316 accepted again"};
    QTest::newRow("a level the source keeps giving") << QList<QByteArray>{good, good, good, jump} << qint64(14000)
        << QStringList{"serving the prices of", "refused EUR/USD 1.4 1.4001: 29 % away", "EUR/USD 1.4 1.4001 accepted: "
                       "given since 17:30:00Z, 29 % away from 1.08312 1.08316"};
}

// A jump is refused for a few answers at most; from a level given only once, it is withheld with that
// level until one of the two holds.
void TestFeedNetworkSources::guardIsWrongOnlyBriefly()
{
    QFETCH(QList<QByteArray>, eurUsd);
    QFETCH(qint64, served);
    QFETCH(QStringList, said);
    LoopbackHttpServer server;
    QList<LoopbackHttpServer::Reply> replies;
    for (const QByteArray &quote : eurUsd)
        replies << LoopbackHttpServer::Reply{200, oandaPricing(quote)};
    server.setReplies(replies);
    QStringList lines;
    const auto oanda = sourceOn(QStringLiteral("oanda"), server, &g_now, &lines);
    oanda->start();
    QTRY_VERIFY_WITH_TIMEOUT(server.requests() >= eurUsd.size() + 3, 5000);
    QCOMPARE(oanda->pairs()->at(1).bid, served);
    QCOMPARE(lines.size(), said.size());
    for (qsizetype i = 0; i < said.size(); ++i)
        QVERIFY2(lines[i].startsWith("OANDA at ") ? lines[i].contains(said[i]) : lines[i].startsWith(said[i]), qPrintable(lines[i]));
}

void TestFeedNetworkSources::answers503UntilTheFirstPricesAndOnceTheyAreOld()
{
    LoopbackHttpServer server;
    server.setReply({500, QByteArray()});
    QDateTime now = g_now;
    QStringList lines;
    auto oanda = sourceOn(QStringLiteral("oanda"), server, &now, &lines);
    FeedResponder responder(FaultMode::None, [&] { return oanda->page(); }, 1, [&]() -> std::optional<QByteArray> {
        return oanda->state() == QuoteSource::State::Fresh ? std::nullopt : std::optional(oanda->unavailableReason().toUtf8());
    });
    const RequestHead request{RequestHead::State::Complete, "GET", "/interesthq/market.dll?getexmarket_5l?branch=0755", {}};
    const auto body = [&] { return bodyOfAnswer(responder.answer(request).bytes); };

    oanda->start();
    QTRY_COMPARE_WITH_TIMEOUT(lines.size(), 1, 5000);
    const QString waiting = "waiting for the first prices from OANDA at " + server.url("/").toString()
                            + " (HTTP 500 Internal Server Error)";
    QCOMPARE(lines, QStringList{waiting});
    QCOMPARE(body(), "503 vantrel-feed: " + waiting.toUtf8() + "\r\n");
    server.setReply({200, oandaPricing()});
    QTRY_COMPARE_WITH_TIMEOUT(oanda->state(), QuoteSource::State::Fresh, 5000);
    QVERIFY(body().startsWith("200 "));

    server.setReply({500, QByteArray()});
    now = now.addSecs(119);
    QTRY_COMPARE_WITH_TIMEOUT(lines.size(), 3, 5000);
    QCOMPARE(lines[1], "serving the prices of 2009-06-19T17:29:59Z from OANDA at " + server.url("/").toString());
    QVERIFY2(lines[2].endsWith(": HTTP 500 Internal Server Error; still serving the prices of 2009-06-19T17:29:59Z until "
                               "2009-06-19T17:31:59Z"), qPrintable(lines[2]));
    QCOMPARE(oanda->state(), QuoteSource::State::Fresh);
    now = now.addSecs(2);
    QTRY_COMPARE_WITH_TIMEOUT(lines.size(), 4, 5000); // said when it happens, in the 503's words
    QCOMPARE(lines[3], "no current prices: the last from OANDA at " + server.url("/").toString()
                           + " are of 2009-06-19T17:29:59Z, too old to serve (HTTP 500 Internal Server Error)");
    QCOMPARE(body(), "503 vantrel-feed: " + lines[3].toUtf8() + "\r\n");

    // A daily fix holds until the end of the next day the ECB fixes rates: Friday's, over the weekend,
    // until Monday night in Frankfurt; one already older is never served.
    oanda.reset();
    lines.clear();
    now = QDateTime(QDate(2009, 6, 22), QTime(21, 59), QTimeZone::utc());
    const auto ecb = pricedSource(QStringLiteral("ecb"), server, &now, &lines);
    QVERIFY(ecb && ecb->state() == QuoteSource::State::Fresh);
    now = now.addSecs(60);
    QTRY_COMPARE_WITH_TIMEOUT(lines.size(), 2, 5000);
    QVERIFY(lines[1].endsWith(" are of 2009-06-19T12:15:00Z, too old to serve"));

    lines.clear();
    const auto old = pricedSource(QStringLiteral("ecb"), server, &now, &lines);
    QVERIFY(old && old->state() == QuoteSource::State::Stale);
    QCOMPARE(lines, QStringList{old->unavailableReason().mid(14)});
}

void TestFeedNetworkSources::asksAgainSoonAfterAFailure()
{
    LoopbackHttpServer server;
    server.setReplies({{500, {}}, {200, "<html>Maintenance</html>"}, {200, ecbFixture()}});
    QStringList lines;
    const auto ecb = sourceOn(QStringLiteral("ecb"), server, &g_now, &lines, [](PollingSettings &settings) {
        settings.interval = 1h;
        settings.firstRetry = 100ms;
    });
    ecb->start();
    QTRY_COMPARE_WITH_TIMEOUT(ecb->state(), QuoteSource::State::Fresh, 2000); // after 100 and 200 ms
    QCOMPARE(server.requests(), 3);
    QCOMPARE(lines.size(), 3); // each reason for the 503 as it changes, then the first prices
    QVERIFY(lines[0].startsWith("waiting for the first prices from the ECB") && lines[0].endsWith("(HTTP 500 Internal Server Error)"));
    QVERIFY(lines[1].startsWith("waiting for the first prices from the ECB") && lines[1].endsWith("(the answer holds no reference rates)"));
    QVERIFY(lines[2].startsWith("serving the prices of 2009-06-19T12:15:00Z from the ECB") && !lines[2].endsWith("again"));
}

void TestFeedNetworkSources::backsOffARefusedTokenUntilItChanges()
{
    LoopbackHttpServer server;
    server.setReply({401, R"({"errorMessage":"Insufficient authorization"})"});
    QStringList lines;
    const auto oanda = sourceOn(QStringLiteral("oanda"), server, &g_now, &lines);
    oanda->start();
    QTRY_COMPARE_WITH_TIMEOUT(lines.size(), 1, 5000);
    QFile beside(tokenFolder().filePath(QStringLiteral("feed.conf"))); // beside the token, not the token
    QVERIFY(beside.open(QIODevice::WriteOnly) && beside.write("source = oanda\n") > 0);
    beside.close();
    QTest::qWait(700); // seven polls' time
    QCOMPARE(server.requests(), 1);
    QVERIFY(lines[0].contains("asking again in 5 minutes, or at once when the file holds a new one"));

    server.setReply({200, oandaPricing()});
    const QString rotated = tokenFile("rotated-token");
    QTRY_COMPARE_WITH_TIMEOUT(oanda->state(), QuoteSource::State::Fresh, 5000);
    QVERIFY(QString::fromLatin1(server.lastRequest()).contains(QRegularExpression("\r\n(?i:authorization): Bearer rotated-token\r\n")));

    // A token others may have read is not sent again.
    const int asked = server.requests();
    QVERIFY(QFile::setPermissions(rotated, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
    QTRY_COMPARE_WITH_TIMEOUT(lines.size(), 3, 5000);
    QVERIFY2(lines[2].contains(": the token file " + rotated + " is open to others (mode 604); chmod 600 " + rotated + "; still serving"),
             qPrintable(lines[2]));
    QTest::qWait(300);
    QVERIFY(server.requests() <= asked + 1);
}

void TestFeedNetworkSources::ecbFixHoldsUntilTheNextFixDay_data()
{
    QTest::addColumn<QDate>("fixDay");
    QTest::addColumn<QString>("currentUntil"); // UTC: the end of the next fix day in Frankfurt

    QTest::newRow("Tuesday") << QDate(2026, 12, 8) << "2026-12-09T23:00:00Z";
    QTest::newRow("Friday, over the weekend") << QDate(2026, 12, 11) << "2026-12-14T23:00:00Z";
    QTest::newRow("Maundy Thursday, over Easter") << QDate(2026, 4, 2) << "2026-04-07T22:00:00Z";
    QTest::newRow("Maundy Thursday 2025") << QDate(2025, 4, 17) << "2025-04-22T22:00:00Z";
    QTest::newRow("before 1 May") << QDate(2026, 4, 30) << "2026-05-04T22:00:00Z";
    QTest::newRow("Christmas Eve") << QDate(2026, 12, 24) << "2026-12-28T23:00:00Z";
    QTest::newRow("New Year's Eve") << QDate(2026, 12, 31) << "2027-01-04T23:00:00Z";
    QTest::newRow("Easter Tuesday") << QDate(2027, 3, 30) << "2027-03-31T22:00:00Z";
}

void TestFeedNetworkSources::ecbFixHoldsUntilTheNextFixDay()
{
    QFETCH(QDate, fixDay);
    QFETCH(QString, currentUntil);
    QCOMPARE(ecbFixCurrentUntil(fixDay).toUTC().toString(Qt::ISODate), currentUntil);
}

QTEST_GUILESS_MAIN(TestFeedNetworkSources)
#include "tst_feed_network_sources.moc"
