// SPDX-License-Identifier: GPL-3.0-or-later
#include "quotes/pair_catalogue.h"
#include "sources/market_simulation.h"
#include "sources/rates_file_source.h"
#include "sources/saved_page_source.h"

#include <QSaveFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace vantrel::feed;

class TestFeedFileSources : public QObject
{
    Q_OBJECT

private slots:
    void followsTheFile();
    void guardsWithoutLockingASlipIn();
    void readsOnlyABoundedRegularFile_data();
    void readsOnlyABoundedRegularFile();
    void servesASavedPageOnlyWhileVantrelCanReadIt();
};

namespace {

// Eight legs against USD: every pair of the page follows from them.
QByteArray ratesText(const QByteArray &eurUsd, const QByteArray &extra = {})
{
    return "# the desk's exporter\nEUR/USD " + eurUsd + "\nGBP/USD,1.26871,1.26885\nAUD/USD 0.65712 0.65722\n"
           "USD/CAD 1.36201 1.36215\nUSD/CHF 0.88012 0.88026\nUSD/HKD 7.81012 7.81052\n"
           "USD/JPY 149.561 149.575  # noon\nUSD/SGD 1.34501 1.34523\n" + extra;
}

bool writeFile(const QString &path, const QByteArray &text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size();
}

} // namespace

// Written, changed in place, replaced by a rename, made malformed, removed: the feed serves what the
// file says each time, and nothing once it is gone.
void TestFeedFileSources::followsTheFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("rates.txt"));
    const auto write = [&](const QByteArray &eurUsd, const QByteArray &extra = {}) { return writeFile(path, ratesText(eurUsd, extra)); };
    QStringList lines;
    RatesFileSource source(path, {[] { return QDateTime::currentDateTimeUtc(); }, [&](const QString &line) { lines << line; }});
    const auto bid = [&](const char *pair) { return source.pairs() ? source.pairs()->at(vantrel::findPair(pair).value()).bid : 0; };
    source.start();
    QVERIFY(source.unavailableReason().endsWith(path + " (the file does not exist)"));

    QVERIFY(write("1.08312 1.08316"));
    QTRY_COMPARE(bid("EUR/USD"), 10831);
    QCOMPARE(bid("GBP/EUR"), 11713); // crossed through USD
    QVERIFY(write("1.09000 1.09004"));
    QTRY_COMPARE(bid("EUR/USD"), 10900);

    QSaveFile replacement(path);
    QVERIFY(replacement.open(QIODevice::WriteOnly) && replacement.write(ratesText("1.09500 1.09504")) > 0);
    QVERIFY(replacement.commit());
    QTRY_COMPARE(bid("EUR/USD"), 10950);

    lines.clear(); // written in place again: into the file the rename put there
    QVERIFY(write("1.09600 1.09604", "GBP/USD 1.27\nNZD/USD 0.61 0.62\n"));
    QTRY_COMPARE(bid("EUR/USD"), 10960);
    QCOMPARE(lines, QStringList({path + ":10: line skipped: expected PAIR BID OFFER, found 2 fields",
                                 path + ":11: line skipped: 'NZD/USD' is not a pair of USD EUR GBP AUD CAD CHF HKD JPY SGD"}));

    QVERIFY(QFile::remove(path));
    QTRY_COMPARE(source.state(), QuoteSource::State::Stale);
    QCOMPARE(source.unavailableReason(), "vantrel-feed: no current prices: the rates file " + path + ": the file is gone");
    QCOMPARE(lines.last(), source.unavailableReason().mid(14));
}

// A slip of the writer is served corrected once the correction has held (until then neither level is
// served); a jump from a level the file has held is refused, and accepted once the file has said it for the guard's window (1 s here) without a
// change; an impossible price is refused, its last good price standing in for a while and no longer.
void TestFeedFileSources::guardsWithoutLockingASlipIn()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("rates.txt"));
    QStringList lines;
    GuardSettings guard;
    guard.window = std::chrono::seconds(1);
    guard.keepFor = std::chrono::seconds(2);
    RatesFileSource source(path, {[] { return QDateTime::currentDateTimeUtc(); }, [&](const QString &line) { lines << line; }},
                           nullptr, guard);
    const auto bid = [&](const char *pair) { return source.pairs() ? source.pairs()->at(vantrel::findPair(pair).value()).bid : 0; };
    source.start();

    QVERIFY(writeFile(path, ratesText("11.6493 11.6507")));
    QTRY_COMPARE(bid("EUR/JPY"), 17422810); // the slip, crossed: 11.6493 x 149.561
    QVERIFY(writeFile(path, ratesText("1.16493 1.16507")));
    // Either level, each given once, may be the slip: nothing is served until the correction has held.
    QTRY_COMPARE(source.state(), QuoteSource::State::Stale);
    QTRY_COMPARE(bid("EUR/USD"), 11649);
    QCOMPARE(bid("EUR/JPY"), 1742281);
    QCOMPARE(source.state(), QuoteSource::State::Fresh);
    lines.clear();
    QVERIFY(writeFile(path, ratesText("1.16500 1.16514")));
    QTRY_COMPARE(bid("EUR/USD"), 11650);
    QVERIFY(writeFile(path, ratesText("1.16510 1.16524")));
    QTRY_COMPARE(bid("EUR/USD"), 11651);
    QCOMPARE(lines.filter(QStringLiteral("refused")), QStringList());

    QVERIFY(writeFile(path, ratesText("1.50000 1.50014")));
    QTRY_COMPARE(lines.filter(QStringLiteral("refused")).size(), 1);
    QCOMPARE(bid("EUR/USD"), 11651);
    QTRY_COMPARE_WITH_TIMEOUT(bid("EUR/USD"), 15000, 3000); // the file unchanged
    QVERIFY2(lines.last().contains(": EUR/USD 1.5 1.50014 accepted: given since "), qPrintable(lines.last()));

    lines.clear();
    QVERIFY(writeFile(path, ratesText("-1.5 1.50014")));
    QTRY_COMPARE(lines.size(), 1);
    QCOMPARE(lines[0], "the rates file " + path + ": refused EUR/USD -1.5 1.50014: not a positive price; keeping 1.5 1.50014, for 2 s at most");
    QCOMPARE(source.state(), QuoteSource::State::Fresh);
    // The file rewritten meanwhile, still refused, does not keep the last good price standing in.
    for (const char *refused : {"-1.6 1.50014", "-1.5 1.50014", "-1.6 1.50014", "-1.5 1.50014"}) {
        QTest::qWait(500);
        QVERIFY(writeFile(path, ratesText(refused)));
    }
    QTRY_COMPARE_WITH_TIMEOUT(source.state(), QuoteSource::State::Stale, 1000);
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines[1], "no current prices: EUR/USD refused from the rates file " + path
                           + ", its last good price older than 2 s, too old to stand in");
    QCOMPARE(source.unavailableReason(), "vantrel-feed: " + lines[1]);

    QVERIFY(writeFile(path, ratesText("1.50100 1.50114")));
    QTRY_COMPARE(source.state(), QuoteSource::State::Fresh);
    QVERIFY(lines.last().endsWith(" again"));
}

void TestFeedFileSources::readsOnlyABoundedRegularFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("why");
    QTest::newRow("a FIFO no one writes") << "fifo" << "cannot read it: not a regular file";
    QTest::newRow("an endless device") << "/dev/zero" << "cannot read it: not a regular file";
    QTest::newRow("a file over the limit") << "big" << "cannot read it: over the 1 MiB limit";
}

// What is no rates file is said to be none, at once: the server is never held up reading it.
void TestFeedFileSources::readsOnlyABoundedRegularFile()
{
    QFETCH(QString, kind);
    QFETCH(QString, why);
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("rates.txt"));
    if (kind == QLatin1StringView("fifo"))
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else if (kind == QLatin1StringView("big"))
        QVERIFY(writeFile(path, ratesText("1.16493 1.16507") + QByteArray(1024 * 1024, '#')));
    else
        path = kind;
    QStringList lines;
    RatesFileSource source(path, {[] { return QDateTime::currentDateTimeUtc(); }, [&](const QString &line) { lines << line; }});
    source.start();
    QCOMPARE(lines, QStringList{"waiting for the first prices from the rates file " + path + " (" + why + ")"});
    QCOMPARE(source.state(), QuoteSource::State::Waiting);
}

// Edited while served: a page Vantrel cannot read whole is answered 503 in the words of vantrel-feed
// check, and the mended page served again.
void TestFeedFileSources::servesASavedPageOnlyWhileVantrelCanReadIt()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("busy-morning.htm"));
    MarketSimulation market(4);
    QVERIFY(writeFile(path, market.renderPage()));
    SavedPageSource::Loaded loaded = SavedPageSource::load(path);
    QVERIFY2(loaded.error.isEmpty(), qPrintable(loaded.error));
    QStringList lines;
    SavedPageSource source(path, loaded.page, {[] { return QDateTime::currentDateTimeUtc(); }, [&](const QString &line) { lines << line; }});
    source.start();

    QVERIFY(writeFile(path, "hello\n"));
    QTRY_COMPARE(source.state(), QuoteSource::State::Stale);
    QCOMPARE(lines, QStringList{source.unavailableReason().mid(14)});
    QVERIFY2(lines[0].endsWith(path + ": the page has 1 lines; the quotes are on line 106 (vantrel-feed check " + path
                               + " shows what it reads)"), qPrintable(lines[0]));

    market.step();
    QVERIFY(writeFile(path, market.renderPage()));
    QTRY_COMPARE(source.state(), QuoteSource::State::Fresh);
    QCOMPARE(source.page(), market.renderPage());
    QCOMPARE(lines.last(), "serving the saved page " + path + " again");
}

QTEST_GUILESS_MAIN(TestFeedFileSources)
#include "tst_feed_file_sources.moc"
