// SPDX-License-Identifier: GPL-3.0-or-later
#include "quotes/pair_catalogue.h"
#include "sources/rates_file_source.h"

#include <QSaveFile>
#include <QTemporaryDir>
#include <QTest>

using namespace vantrel::feed;

class TestFeedRatesFile : public QObject
{
    Q_OBJECT

private slots:
    void followsTheFile();
};

// Written, changed in place, replaced by a rename, made malformed, removed: the feed serves what the
// file says each time, and nothing once it is gone.
void TestFeedRatesFile::followsTheFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("rates.txt"));
    const auto text = [](const QByteArray &eurUsd, const QByteArray &extra = {}) {
        return "# the desk's exporter\nEUR/USD " + eurUsd + "\nGBP/USD,1.26871,1.26885\nAUD/USD 0.65712 0.65722\n"
               "USD/CAD 1.36201 1.36215\nUSD/CHF 0.88012 0.88026\nUSD/HKD 7.81012 7.81052\n"
               "USD/JPY 149.561 149.575  # noon\nUSD/SGD 1.34501 1.34523\n" + extra;
    };
    const auto write = [&](const QByteArray &eurUsd, const QByteArray &extra = {}) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text(eurUsd, extra)) > 0;
    };
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
    QVERIFY(replacement.open(QIODevice::WriteOnly) && replacement.write(text("1.09500 1.09504")) > 0);
    QVERIFY(replacement.commit());
    QTRY_COMPARE(bid("EUR/USD"), 10950);

    lines.clear(); // written in place again: into the file the rename put there
    QVERIFY(write("1.09600 1.09604", "GBP/USD 1.27\nNZD/USD 0.61 0.62\n"));
    QTRY_COMPARE(bid("EUR/USD"), 10960);
    QCOMPARE(lines, QStringList({path + ":10: line skipped: expected PAIR BID OFFER, found 2 fields",
                                 path + ":11: line skipped: 'NZD/USD' is not a pair of USD EUR GBP AUD CAD CHF HKD JPY SGD"}));

    QVERIFY(QFile::remove(path));
    QTRY_COMPARE(source.state(), QuoteSource::State::Stale);
    QCOMPARE(source.unavailableReason(), "vantrel-feed has no current prices: the rates file " + path + ": the file is gone");
}

QTEST_GUILESS_MAIN(TestFeedRatesFile)
#include "tst_feed_rates_file.moc"
