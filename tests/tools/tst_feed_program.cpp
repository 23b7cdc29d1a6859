// SPDX-License-Identifier: GPL-3.0-or-later
#include "loopback_http_server.h"
#include "options/feed_options.h"
#include "sources/fx_week.h"
#include "sources/market_simulation.h"

#include "quotes/quote_line_parser.h"
#include "quotes/quote_page.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace vantrel;

namespace {

const QByteArray kTarget = "/interesthq/market.dll?getexmarket_5l?branch=0755";

// The feed reads feed.conf from here, never from the configuration of whoever runs the tests; it is
// the feed's home folder too.
QTemporaryDir &configHome()
{
    static QTemporaryDir dir;
    return dir;
}

void writeFeedConf(const QByteArray &text)
{
    QDir(configHome().path()).mkpath(QStringLiteral("vantrel"));
    QFile file(configHome().filePath(QStringLiteral("vantrel/feed.conf")));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size());
}

void isolate(QProcess &process)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome().path());
    environment.insert(QStringLiteral("HOME"), configHome().path());
    process.setProcessEnvironment(environment);
}

// A running vantrel-feed on a free port, ended with the test.
struct Feed {
    QProcess process;
    quint16 port = 0;
    QString url;
    ~Feed() { process.kill(), process.waitForFinished(2000); }
};

std::unique_ptr<Feed> startFeed(const QStringList &arguments = {})
{
    auto feed = std::make_unique<Feed>();
    isolate(feed->process);
    feed->process.start(QStringLiteral(VANTREL_FEED_PROGRAM), QStringList{"--port", "0"} + arguments);
    if (!feed->process.waitForReadyRead(5000))
        return nullptr;
    const auto match = QRegularExpression("^vantrel-feed: serving (http://127\\.0\\.0\\.1:(\\d+)/\\S+)\n$")
                           .match(feed->process.readAllStandardOutput());
    if (!match.hasMatch())
        return nullptr;
    feed->url = match.captured(1);
    feed->port = quint16(match.captured(2).toUInt());
    return feed;
}

// What arrives for the request until the server closes or the time is up; `stillOpen` tells which.
QByteArray exchange(quint16 port, const QByteArray &request, int waitMs = 5000, bool *stillOpen = nullptr)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    socket.write(request);
    QByteArray received;
    for (QDeadlineTimer deadline(waitMs); !deadline.hasExpired() && socket.state() != QAbstractSocket::UnconnectedState;) {
        socket.waitForReadyRead(int(deadline.remainingTime()));
        received += socket.readAll();
    }
    if (stillOpen)
        *stillOpen = socket.state() == QAbstractSocket::ConnectedState;
    return received + socket.readAll();
}

QByteArray getPage(quint16 port, int waitMs = 5000, bool *stillOpen = nullptr)
{
    return exchange(port, "GET " + kTarget + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n", waitMs, stillOpen);
}

QByteArray bodyOf(const QByteArray &response)
{
    return response.mid(response.indexOf("\r\n\r\n") + 4);
}

bool hasLength(const QByteArray &response)
{
    return response.contains("\r\nContent-Length: " + QByteArray::number(bodyOf(response).size()) + "\r\n");
}

int pairsRead(const QByteArray &page) // -1: no quote line
{
    const std::optional<QString> line = quoteLineOf(page);
    RateTable rates;
    return line ? readQuoteLine(*line, rates).pairsStored : -1;
}

struct Run {
    int exitCode = -1;
    QByteArray out, err;
};

Run run(const QStringList &arguments)
{
    QProcess process;
    isolate(process);
    process.start(QStringLiteral(VANTREL_FEED_PROGRAM), arguments);
    if (!process.waitForFinished(5000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

} // namespace

class TestFeedProgram : public QObject
{
    Q_OBJECT

private slots:
    void servesMovingQuotePages();
    void answersOtherRequestsWithErrors();
    void misbehavesOnRequest_data();
    void misbehavesOnRequest();
    void cutClosesShortOfTheAnnouncedLength();
    void refusesBadArguments_data();
    void refusesBadArguments();
    void refusesAPortInUse();
    void helpNamesEveryOptionAndSource();
    void servesLivePricesWithNoAccount();
    void readsSourceLists_data();
    void readsSourceLists();
    void choosesTheSource_data();
    void choosesTheSource();
    void keepsEachAddressWithItsSource_data();
    void keepsEachAddressWithItsSource();
    void refusesAnIncompleteSetup_data();
    void refusesAnIncompleteSetup();
    void checksSavedPages();
};

void TestFeedProgram::servesMovingQuotePages()
{
    const auto feed = startFeed({"--seed", "12345"});
    QVERIFY(feed);
    const QByteArray first = getPage(feed->port);
    vantrel::feed::MarketSimulation market(12345);
    market.step();
    QCOMPARE(bodyOf(first), market.renderPage()); // the seed makes the pages repeatable
    QVERIFY(first.startsWith("HTTP/1.1 200 OK\r\n"));
    QVERIFY(first.contains("\r\nContent-Type: text/html; charset=ISO-8859-1\r\n"));
    QVERIFY(hasLength(first));
    QCOMPARE(pairsRead(bodyOf(first)), 35);

    // Qt's own client must reach the page at the printed address, both question marks and all.
    QNetworkAccessManager manager;
    std::unique_ptr<QNetworkReply> reply(manager.get(QNetworkRequest(QUrl(feed->url))));
    QVERIFY(QSignalSpy(reply.get(), &QNetworkReply::finished).wait(5000));
    QCOMPARE(reply->error(), QNetworkReply::NoError);
    const QByteArray second = reply->readAll();
    QCOMPARE(pairsRead(second), 35);
    QVERIFY(second != bodyOf(first));
}

void TestFeedProgram::answersOtherRequestsWithErrors()
{
    const auto feed = startFeed();
    QVERIFY(feed);
    const QByteArray notFound = exchange(feed->port, "GET /interesthq/market.dll?getexmarket_5l HTTP/1.1\r\nHost: localhost\r\n\r\n");
    QVERIFY(notFound.startsWith("HTTP/1.1 404 Not Found\r\n"));
    QVERIFY(bodyOf(notFound).contains("<html>"));
    QVERIFY(exchange(feed->port, "NONSENSE\r\n\r\n").startsWith("HTTP/1.1 400 Bad Request\r\n"));
    QVERIFY(exchange(feed->port, "POST " + kTarget + " HTTP/1.1\r\nHost: localhost\r\n\r\n").startsWith("HTTP/1.1 405 "));
}

void TestFeedProgram::misbehavesOnRequest_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QByteArray>("statusLine");
    QTest::addColumn<int>("leastBody");
    QTest::addColumn<int>("mostBody");
    QTest::addColumn<int>("pairs");   // read from the body; -1: no quote line
    QTest::addColumn<bool>("closed"); // by the server within 2.5 s

    const QByteArray ok("HTTP/1.1 200 OK");
    const int huge = 5 * 1024 * 1024;
    QTest::newRow("error") << "error" << QByteArray("HTTP/1.1 500 Internal Server Error") << 1 << 1000 << -1 << true;
    QTest::newRow("empty") << "empty" << ok << 0 << 0 << -1 << true;
    QTest::newRow("truncated") << "truncated" << ok << 5000 << 15000 << 2 << true;
    QTest::newRow("huge") << "huge" << ok << huge << huge << 35 << true;
    QTest::newRow("stall") << "stall" << ok << 5000 << 15000 << 2 << false;
    QTest::newRow("trickle") << "trickle" << ok << 1 << 3 << -1 << false; // a byte a second
}

void TestFeedProgram::misbehavesOnRequest()
{
    QFETCH(QString, fault);
    QFETCH(QByteArray, statusLine);
    QFETCH(int, leastBody);
    QFETCH(int, mostBody);
    QFETCH(int, pairs);
    QFETCH(bool, closed);

    const auto feed = startFeed({"--fault", fault});
    QVERIFY(feed);
    bool stillOpen = false;
    const QByteArray response = getPage(feed->port, 2500, &stillOpen);
    QVERIFY2(response.startsWith(statusLine + "\r\n"), response.left(40));
    QCOMPARE(stillOpen, !closed);
    QCOMPARE(hasLength(response), closed); // what is held back was announced
    const QByteArray body = bodyOf(response);
    QVERIFY2(body.size() >= leastBody && body.size() <= mostBody, QByteArray::number(body.size()));
    QCOMPARE(pairsRead(body), pairs);
}

void TestFeedProgram::cutClosesShortOfTheAnnouncedLength()
{
    // The same seed serves the same first page, whole from the one, cut from the other.
    const auto healthy = startFeed({"--seed", "5"});
    const auto feed = startFeed({"--seed", "5", "--fault", "cut"});
    QVERIFY(healthy && feed);
    const QByteArray page = bodyOf(getPage(healthy->port));
    bool stillOpen = true;
    const QByteArray response = getPage(feed->port, 2500, &stillOpen);
    QVERIFY2(response.startsWith("HTTP/1.1 200 OK\r\n"), response.left(40));
    QVERIFY(!stillOpen);
    const QByteArray announced = "\r\nContent-Length: " + QByteArray::number(page.size()) + "\r\n";
    QVERIFY2(response.contains(announced), response.left(200));
    const QByteArray body = bodyOf(response);
    QVERIFY(body.size() < page.size());
    QVERIFY(page.startsWith(body));
    QCOMPARE(pairsRead(body), 2); // it stops in the middle of the quote line

    const Run help = run({"--help"});
    QVERIFY(help.out.contains("\n  cut        the whole page's length, part of the page, then the connection\n"
                              "             closes\n"));
}

void TestFeedProgram::refusesBadArguments_data()
{
    QTest::addColumn<QStringList>("arguments");

    QTest::newRow("unknown option") << QStringList{"--colour", "red"};
    QTest::newRow("unknown option, as typed") << QStringList{"-colour=red"};
    QTest::newRow("a source twice") << QStringList{"--source", "truefx,truefx"};
    QTest::newRow("a made-up market in a list") << QStringList{"--source", "truefx,simulated"};
    QTest::newRow("an address with one dash") << QStringList{"-ecb-url", "notaurl"};
    QTest::newRow("missing value") << QStringList{"--port"};
    QTest::newRow("port too high") << QStringList{"--port", "65536"};
    QTest::newRow("negative port") << QStringList{"--port", "-1"};
    QTest::newRow("seed not a number") << QStringList{"--seed", "12x"};
    QTest::newRow("negative delay") << QStringList{"--delay", "-5"};
    QTest::newRow("unknown fault") << QStringList{"--fault", "explode"};
    QTest::newRow("bad address") << QStringList{"--bind", "nowhere"};
    QTest::newRow("unknown source") << QStringList{"--source", "teletext"};
    QTest::newRow("source address not http") << QStringList{"--source-url", "ftp://127.0.0.1/rates.xml"};
    QTest::newRow("extra argument") << QStringList{"serve"};
    QTest::newRow("check without page") << QStringList{"check"};
    QTest::newRow("check with two pages") << QStringList{"check", "a", "b"};
}

void TestFeedProgram::refusesBadArguments()
{
    QFETCH(QStringList, arguments);
    const Run result = run(arguments);
    QCOMPARE(result.exitCode, 2);
    QVERIFY(result.out.isEmpty());
    // One line, then where to read more, with the option named as it was typed.
    const QList<QByteArray> lines = result.err.split('\n');
    QCOMPARE(lines.size(), 3);
    QVERIFY2(lines[0].startsWith("vantrel-feed: ") && lines[0].contains(arguments.first().section('=', 0, 0).toUtf8()),
             lines[0].constData());
    QCOMPARE(lines[1], "Try 'vantrel-feed --help' for more information.");
}

void TestFeedProgram::refusesAPortInUse()
{
    const auto feed = startFeed();
    QVERIFY(feed);
    const Run result = run({"--port", QString::number(feed->port)});
    QCOMPARE(result.exitCode, 1);
    QVERIFY(result.err.contains(QByteArray::number(feed->port)));
    QCOMPARE(run({"--page", "/nonexistent/page.htm"}).exitCode, 2);
    const Run help = run({"--help"});
    QCOMPARE(help.exitCode, 0);
    QVERIFY(help.out.startsWith("Usage: vantrel-feed"));
}

void TestFeedProgram::helpNamesEveryOptionAndSource()
{
    const Run help = run({"--help"});
    QCOMPARE(help.exitCode, 0);
    for (const QString &name : vantrel::feed::valueOptionNames())
        QVERIFY2(help.out.contains("\n  --" + name.toUtf8() + " <"), qPrintable(name));
    QVERIFY(help.out.contains("\n  -h, --help "));
    QVERIFY(help.out.contains("\n       vantrel-feed check PAGE\n"));
    for (const char *source : {"simulated ", "page:FILE ", "ecb ", "oanda ", "truefx ", "kraken ", "file:PATH "})
        QCOMPARE(help.out.count(QByteArray("\n  ") + source), 1);
    for (const QByteArray &line : help.out.split('\n'))
        QVERIFY2(line.size() <= 79, line.constData());

    // Whatever feed.conf holds.
    writeFeedConf("sorce = truefx\n");
    QCOMPARE(run({"--help"}).out, help.out);
    const Run version = run({"--version"});
    writeFeedConf(QByteArray());
    QCOMPARE(version.exitCode, 0);
    QVERIFY(version.out.startsWith("vantrel-feed ") && version.out.count('\n') == 1);
}

// The installed default: TrueFX's prices, the ECB's for HKD and SGD, every pair on the first page.
void TestFeedProgram::servesLivePricesWithNoAccount()
{
    LoopbackHttpServer trueFx, kraken, ecb;
    QByteArray snapshot;
    // A second ago, or over the weekend the week's last prices.
    const QDateTime utcNow = QDateTime::currentDateTimeUtc();
    const QDateTime quoted = (feed::fxMarketClosedAt(utcNow) ? feed::fxCloseBefore(utcNow) : utcNow).addSecs(-1);
    const QByteArray now = QByteArray::number(quoted.toMSecsSinceEpoch());
    for (const char *quote : {"EUR/USD,1.16,312,1.16,318", "USD/JPY,155.,771,155.,779", "GBP/USD,1.33,452,1.33,461",
                              "USD/CHF,0.80,401,0.80,411", "USD/CAD,1.38,752,1.38,762", "AUD/USD,0.66,612,0.66,620"})
        snapshot += QByteArray(quote).insert(8, now + ",") + "\n";
    trueFx.setReply({200, snapshot});
    QFile fix(QStringLiteral(VANTREL_FEED_TEST_DATA "/eurofxref-2009-06-19.xml"));
    QVERIFY(fix.open(QIODevice::ReadOnly));
    // The fix of the weekday before, current until the end of the next day the ECB fixes rates.
    QDate day = utcNow.date().addDays(-1);
    while (day.dayOfWeek() > 5)
        day = day.addDays(-1);
    ecb.setReply({200, fix.readAll().replace("2009-06-19", day.toString(Qt::ISODate).toLatin1())});
    const auto feed = startFeed({"--default-source", "truefx,kraken", "--truefx-url", trueFx.url("/rates/connect.html").toString(),
                                 "--kraken-url", kraken.url("/").toString(), "--ecb-url", ecb.url("/daily.xml").toString()});
    QVERIFY(feed);
    QByteArray response;
    QVERIFY(QTest::qWaitFor([&] { return (response = getPage(feed->port)).startsWith("HTTP/1.1 200 "); }, 5000));
    QCOMPARE(pairsRead(bodyOf(response)), 35);
    QCOMPARE(kraken.requests(), 0);
    QByteArray said;
    const bool served = QTest::qWaitFor(
        [&] { return (said += feed->process.readAllStandardError()).contains(" from TrueFX at "); }, 2000);
    QVERIFY2(served && said.contains("vantrel-feed: USD/HKD and USD/SGD are taken from the ECB's daily reference rates")
                 && said.contains("vantrel-feed: serving the prices of ") && said.contains(" from TrueFX at "),
             said.constData());
}

void TestFeedProgram::readsSourceLists_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("sources");

    QTest::newRow("one") << "truefx" << 1;
    QTest::newRow("in order of preference") << "truefx, kraken,ecb" << 3;
    QTest::newRow("a rates file first") << "file:/run/rates,truefx" << 2;
    QTest::newRow("a path with a comma") << "file:/run/rates,old" << 1;
}

void TestFeedProgram::readsSourceLists()
{
    QFETCH(QString, text);
    QFETCH(int, sources);
    const feed::CommandLine line = feed::parseCommandLine({"vantrel-feed", "--source", text});
    QCOMPARE(line.action, feed::CommandLine::Action::Serve);
    QCOMPARE(line.options.chosenSources().size(), sources);
}

void TestFeedProgram::choosesTheSource_data()
{
    QTest::addColumn<QByteArray>("feedConf");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("body");

    const QString nowhere = QStringLiteral("http://127.0.0.1:1/eurofxref-daily.xml");
    QTest::newRow("feed.conf over the default") << QByteArray("# the desk's copy\nsource = page:PAGE_A\n")
                                                << QStringList{"--default-source", "ecb"} << QByteArray("PAGE_A");
    QTest::newRow("command line over feed.conf") << QByteArray("source = page:PAGE_A\nseed = 7\n")
                                                 << QStringList{"--page", "PAGE_B"} << QByteArray("PAGE_B");
    QTest::newRow("the default when nothing names a source")
        << QByteArray("seed = 7\n") << QStringList{"--default-source", "ecb", "--ecb-url", nowhere}
        << "vantrel-feed: waiting for the first prices from the ECB reference rates at " + nowhere.toUtf8();
    QTest::newRow("~ in feed.conf") << QByteArray("source = page:~/PAGE_B\n") << QStringList() << QByteArray("PAGE_B");
}

void TestFeedProgram::choosesTheSource()
{
    QFETCH(QByteArray, feedConf);
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, body);
    // Two saved pages, in the home folder the feed is given, that Vantrel reads whole.
    for (const char *name : {"A", "B"}) {
        feed::MarketSimulation market(name[0]);
        QFile page(configHome().filePath(QStringLiteral("page%1.htm").arg(name)));
        QVERIFY(page.open(QIODevice::WriteOnly) && page.write(market.renderPage()) > 0);
        const QByteArray placeholder = "PAGE_" + QByteArray(name);
        feedConf.replace("~/" + placeholder, "~/" + QFileInfo(page).fileName().toUtf8());
        feedConf.replace(placeholder, page.fileName().toUtf8());
        arguments.replaceInStrings(QString::fromLatin1(placeholder), page.fileName());
        if (body == placeholder)
            body = market.renderPage();
    }
    writeFeedConf(feedConf);
    const auto feed = startFeed(arguments);
    writeFeedConf(QByteArray());
    QVERIFY(feed);
    const QByteArray response = getPage(feed->port);
    QVERIFY2(bodyOf(response).startsWith(body), response.constData());
    QCOMPARE(response.startsWith("HTTP/1.1 503 "), body.startsWith("vantrel-feed"));
}

// An address written for one source is never used for another: the OANDA token would follow it.
void TestFeedProgram::keepsEachAddressWithItsSource_data()
{
    QTest::addColumn<QStringList>("config");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("ecbUrl");
    QTest::addColumn<QString>("oandaUrl");
    QTest::addColumn<QString>("error");

    const QString xml = QStringLiteral("http://127.0.0.1:9/eurofxref-daily.xml");
    const QString practice = QStringLiteral("https://api-fxpractice.oanda.com");
    const QString live = QStringLiteral("https://api-fxtrade.oanda.com");
    QTest::newRow("feed.conf's ecb address, oanda on the command line")
        << QStringList{"--source=ecb", "--source-url=" + xml} << QStringList{"--source", "oanda"} << xml << QString()
        << QString();
    QTest::newRow("the command line's address for its source") << QStringList{"--source=ecb", "--source-url=" + xml}
        << QStringList{"--source", "oanda", "--source-url", live} << xml << live << QString();
    QTest::newRow("each source its own") << QStringList{"--ecb-url=" + xml, "--oanda-url=" + live}
        << QStringList{"--source", "ecb"} << xml << live << QString();
    QTest::newRow("the command line over feed.conf") << QStringList{"--source=oanda", "--source-url=" + practice}
        << QStringList{"--oanda-url", live} << QString() << live << QString();
    QTest::newRow("an address with no source named with it") << QStringList{"--source=ecb"} << QStringList{"--source-url", xml}
        << QString() << QString() << "--source-url is the address of the one network source named with it on the command line";
    QTest::newRow("an address for a source that has none") << QStringList{"--source=simulated", "--source-url=" + xml}
        << QStringList() << QString() << QString()
        << "source-url in feed.conf is the address of the one network source named with it in feed.conf";
}

void TestFeedProgram::keepsEachAddressWithItsSource()
{
    QFETCH(QStringList, config);
    QFETCH(QStringList, arguments);
    QFETCH(QString, ecbUrl);
    QFETCH(QString, oandaUrl);
    QFETCH(QString, error);
    const feed::CommandLine line = feed::parseCommandLine(QStringList{"vantrel-feed"} + arguments, config);
    QCOMPARE(line.error.section(QLatin1Char(';'), 0, 0), error);
    if (error.isEmpty()) {
        QCOMPARE(line.options.ecbUrl.toString(), ecbUrl);
        QCOMPARE(line.options.oandaUrl.toString(), oandaUrl);
    }
}

void TestFeedProgram::refusesAnIncompleteSetup_data()
{
    QTest::addColumn<QByteArray>("feedConf");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");

    const QStringList oanda{"--source", "oanda", "--account", "1"};
    QTest::newRow("no account") << QByteArray() << QStringList{"--source", "oanda", "--token-file", "/nonexistent/token"}
                                << "the oanda source needs the account: --account ID";
    QTest::newRow("no token file") << QByteArray("account = 101-004-1234567-001\n") << QStringList{"--source", "oanda"}
                                   << "the oanda source needs the file of the access token: --token-file FILE";
    QTest::newRow("token file missing") << QByteArray() << oanda + QStringList{"--token-file", "/nonexistent/token"}
                                        << "cannot read the token file /nonexistent/token: ";
    QTest::newRow("token file others may read") << QByteArray() << oanda + QStringList{"--token-file", "TOKEN_644"}
                                                << "oanda-token_644 is open to others (mode 644); chmod 600 ";
    QTest::newRow("token over plain http elsewhere") << QByteArray("token-file = TOKEN_600\n")
        << oanda + QStringList{"--oanda-url", "http://api-fxpractice.oanda.com"}
        << "the OANDA token goes over https only (plain http only to this machine), not to http://api-fxpractice.oanda.com";
    QTest::newRow("a page Vantrel cannot read") << QByteArray("page = TOKEN_600\n") << QStringList()
        << "Vantrel could not read all 35 pairs from ";
    QTest::newRow("a page that is no file") << QByteArray() << QStringList{"--source", "page:/dev/zero"}
        << "cannot read /dev/zero: not a regular file";
    QTest::newRow("feed.conf line without =") << QByteArray("source ecb\n") << QStringList()
                                              << "/vantrel/feed.conf line 1: expected 'option = value', found 'source ecb'";
    QTest::newRow("feed.conf unknown option") << QByteArray("source = ecb\ncolour = red\n") << QStringList()
                                              << "/vantrel/feed.conf line 2: unknown option 'colour'";
    QTest::newRow("feed.conf bad value") << QByteArray("# seeds\n\nseed = x\n") << QStringList()
                                         << "/vantrel/feed.conf line 3: --seed needs a whole number, not 'x'";
}

void TestFeedProgram::refusesAnIncompleteSetup()
{
    QFETCH(QByteArray, feedConf);
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    for (const QFile::Permissions permissions : {QFile::ReadOwner | QFile::WriteOwner,
                                                 QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther}) {
        const QString name = permissions & QFile::ReadOther ? QStringLiteral("TOKEN_644") : QStringLiteral("TOKEN_600");
        QFile token(configHome().filePath(name.toLower().replace(QStringLiteral("token"), QStringLiteral("oanda-token"))));
        QVERIFY(token.open(QIODevice::WriteOnly | QIODevice::Truncate) && token.write("0123-abcd\n") > 0);
        QVERIFY(token.setPermissions(permissions));
        feedConf.replace(name.toUtf8(), token.fileName().toUtf8());
        arguments.replaceInStrings(name, token.fileName());
    }
    writeFeedConf(feedConf);
    const Run result = run(arguments);
    writeFeedConf(QByteArray());
    QCOMPARE(result.exitCode, 2);
    QVERIFY2(result.err.startsWith("vantrel-feed: ") && result.err.contains(message.toUtf8()), result.err.constData());
}

void TestFeedProgram::checksSavedPages()
{
    const auto feed = startFeed({"--seed", "8"});
    QVERIFY(feed);
    const QByteArray page = bodyOf(getPage(feed->port));
    QTemporaryDir dir;
    const auto check = [&](const QByteArray &bytes) {
        QFile file(dir.filePath(QStringLiteral("page.htm")));
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush()
                   ? run({"check", file.fileName()}) : Run{};
    };

    const Run good = check(page);
    QCOMPARE(good.exitCode, 0);
    const QList<QByteArray> rates = good.out.split('\n');
    QCOMPARE(rates.size(), 36);
    QVERIFY(rates[1].startsWith("EUR/USD\t1.") && rates[34].startsWith("SGD/JPY\t1"));

    const QByteArray head = page.split('\n').mid(0, 105).join('\n') + '\n';
    const Run shortPage = check(head);
    QCOMPARE(shortPage.exitCode, 1);
    QVERIFY(shortPage.err.contains("105 lines"));
    QCOMPARE(shortPage.out.count("\t\n"), 35);

    // EUR/USD is read second: the pair before it keeps its rate, it and the rest stay empty.
    const Run broken = check(QByteArray(page).replace(head.size() + 6721 - 1, 6, "  n/a "));
    QCOMPARE(broken.exitCode, 1);
    QVERIFY(broken.err.contains("EUR/USD: the price at 6721"));
    QVERIFY(broken.out.startsWith(rates[0] + "\nEUR/USD\t\n"));
    QCOMPARE(broken.out.count("\t\n"), 34);

    QCOMPARE(run({"check", dir.filePath(QStringLiteral("none.htm"))}).exitCode, 1);
}

QTEST_GUILESS_MAIN(TestFeedProgram)
#include "tst_feed_program.moc"
