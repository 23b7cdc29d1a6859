// SPDX-License-Identifier: GPL-3.0-or-later
#include "quotes/pair_catalogue.h"
#include "quotes/rate_table.h"
#include "speech/reading_pass.h"
#include "support/recording_player.h"
#include "support/settable_clock.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace vantrel;
using namespace vantrel::test;

namespace {

// A reading pass with recording players, and the choices a user would make in the window as plain values
// it reads when it needs them. "Money Pair" starts checked, as the window starts.
struct Pass {
    Pass()
        : pass(rates, clock, [this](QObject *parent) { return new RecordingPlayer(players, parent); }, dir.path(),
               {[this] { return pairs; }, [this] { return prompt; }, [this] { return moneyPair; }})
    {
    }

    void setRate(const QString &pair, const QString &rate) { rates.store(*findPair(pair), rate); }

    QTemporaryDir dir;
    RateTable rates;
    SettableClock clock;
    PlayerLog players;
    QStringList pairs;
    bool prompt = false;
    bool moneyPair = true;
    ReadingPass pass;
};

} // namespace

class TestReadingPass : public QObject
{
    Q_OBJECT

private slots:
    void passSpeaksClips_data();
    void passSpeaksClips();
    void eachPlayerIsStartedAfterItsSilenceList_data();
    void eachPlayerIsStartedAfterItsSilenceList();
    void endOfPassIsSaidOnce();
    void listEditsDuringPassCount();
    void moneyPairChangedDuringIntroCounts();
    void rateIsFixedWhenPairIsChosen();
    void unknownEntryRepeatsPreviousPair();
    void newPassSilencesOldChain();
};

void TestReadingPass::passSpeaksClips_data()
{
    QTest::addColumn<QStringList>("pairs");
    QTest::addColumn<bool>("prompt");
    QTest::addColumn<bool>("moneyPair");
    QTest::addColumn<QStringList>("clips");

    QTest::newRow("intro, name and rate") << QStringList{"EUR/USD"} << true << true
        << QStringList{"dqhj", "eurusd", "1m", "dianm", "2m", "3m", "4m", "5m"};
    QTest::newRow("yen pair") << QStringList{"USD/JPY"} << false << true
        << QStringList{"usdjpy", "1m", "0m", "8m", "dianm", "4m", "5m"};
    QTest::newRow("no name, seventh character unspoken") << QStringList{"GBP/HKD"} << false << false
        << QStringList{"1m", "4m", "dianm", "1m", "2m", "3m"};
    QTest::newRow("five-character rate asks for m") << QStringList{"CAD/JPY"} << false << true
        << QStringList{"cadjpy", "8m", "0m", "dianm", "1m", "2m", "m"};
    QTest::newRow("below one") << QStringList{"AUD/USD"} << false << false
        << QStringList{"0m", "dianm", "7m", "5m", "1m", "2m"};
    QTest::newRow("intro straight to the rate") << QStringList{"AUD/USD"} << true << false
        << QStringList{"dqhj", "0m", "dianm", "7m", "5m", "1m", "2m"};
    QTest::newRow("intro before the first pair only") << QStringList{"EUR/USD", "USD/JPY"} << true << true
        << QStringList{"dqhj", "eurusd", "1m", "dianm", "2m", "3m", "4m", "5m",
                       "usdjpy", "1m", "0m", "8m", "dianm", "4m", "5m"};
    QTest::newRow("a pair listed twice is read twice") << QStringList{"CAD/JPY", "CAD/JPY"} << false << false
        << QStringList{"8m", "0m", "dianm", "1m", "2m", "m", "8m", "0m", "dianm", "1m", "2m", "m"};
    QTest::newRow("not yet refreshed") << QStringList{"EUR/CHF"} << false << true
        << QStringList{"eurchf", "m", "m", "m", "m", "m", "m"};
}

void TestReadingPass::passSpeaksClips()
{
    QFETCH(QStringList, pairs);
    QFETCH(bool, prompt);
    QFETCH(bool, moneyPair);
    QFETCH(QStringList, clips);

    Pass p;
    p.setRate(QStringLiteral("EUR/USD"), QStringLiteral("1.2345"));
    p.setRate(QStringLiteral("USD/JPY"), QStringLiteral("108.45"));
    p.setRate(QStringLiteral("GBP/HKD"), QStringLiteral("14.1234"));
    p.setRate(QStringLiteral("CAD/JPY"), QStringLiteral("80.12"));
    p.setRate(QStringLiteral("AUD/USD"), QStringLiteral("0.7512"));
    p.pairs = pairs;
    p.prompt = prompt;
    p.moneyPair = moneyPair;

    p.pass.start();
    QCOMPARE(p.players.playToEnd(), clips);
}

void TestReadingPass::eachPlayerIsStartedAfterItsSilenceList_data()
{
    QTest::addColumn<bool>("prompt");
    QTest::addColumn<bool>("moneyPair");
    QTest::addColumn<int>("start"); // which start of the pass, from 0
    QTest::addColumn<int>("player");
    QTest::addColumn<QList<int>>("silenceList");
    QTest::addColumn<QString>("clip");

    // A pass over EUR/USD 1.2345 and USD/JPY 108.45.
    QTest::newRow("MMControl1, the intro") << true << true << 0 << 1 << QList<int>{8, 1} << "dqhj";
    QTest::newRow("MMControl2 after the intro") << true << true << 1 << 2 << QList<int>{1, 2} << "eurusd";
    QTest::newRow("MMControl2 first of the pass") << false << true << 0 << 2 << QList<int>{8, 1, 2} << "eurusd";
    QTest::newRow("MMControl2 first of the next pair") << true << true << 8 << 2 << QList<int>{8, 1, 2}
                                                       << "usdjpy";
    QTest::newRow("MMControl3 after the name") << false << true << 1 << 3 << QList<int>{1, 2, 3} << "1m";
    QTest::newRow("MMControl3 after the intro") << true << false << 1 << 3 << QList<int>{8, 1, 2, 3} << "1m";
    QTest::newRow("MMControl3 first of the pass") << false << false << 0 << 3 << QList<int>{8, 1, 2, 3} << "1m";
    QTest::newRow("MMControl3 first of the next pair") << false << false << 6 << 3 << QList<int>{8, 1, 2, 3}
                                                       << "1m";
    QTest::newRow("MMControl4") << false << false << 1 << 4 << QList<int>{1, 2, 3, 4} << "dianm";
    QTest::newRow("MMControl5") << false << false << 2 << 5 << QList<int>{1, 2, 3, 4, 5} << "2m";
    QTest::newRow("MMControl6") << false << false << 3 << 6 << QList<int>{1, 2, 3, 4, 5, 6} << "3m";
    QTest::newRow("MMControl7") << false << false << 4 << 7 << QList<int>{1, 2, 3, 4, 5, 6, 7} << "4m";
    QTest::newRow("MMControl8") << false << false << 5 << 8 << QList<int>{1, 2, 3, 4, 5, 6, 7, 8} << "5m";
    QTest::newRow("MMControl6 of the yen pair") << false << false << 9 << 6 << QList<int>{1, 2, 3, 4, 5, 6}
                                                << "dianm";
}

void TestReadingPass::eachPlayerIsStartedAfterItsSilenceList()
{
    QFETCH(bool, prompt);
    QFETCH(bool, moneyPair);
    QFETCH(int, start);
    QFETCH(int, player);
    QFETCH(QList<int>, silenceList);
    QFETCH(QString, clip);

    Pass p;
    p.setRate(QStringLiteral("EUR/USD"), QStringLiteral("1.2345"));
    p.setRate(QStringLiteral("USD/JPY"), QStringLiteral("108.45"));
    p.pairs = QStringList{QStringLiteral("EUR/USD"), QStringLiteral("USD/JPY")};
    p.prompt = prompt;
    p.moneyPair = moneyPair;
    p.pass.reading.speakindex = 0;
    p.pass.readandlisten();
    p.players.playToEnd();

    const QList<PlayerStart> starts = p.players.starts();
    QVERIFY(start < starts.size());
    const PlayerStart &started = starts[start];
    QCOMPARE(started.player, QStringLiteral("MMControl%1").arg(player));
    QCOMPARE(started.before, silencing(silenceList));
    QCOMPARE(started.start, playingClip(p.dir.path(), clip));
}

void TestReadingPass::endOfPassIsSaidOnce()
{
    Pass p;
    p.pairs = QStringList{QStringLiteral("EUR/USD")};
    QSignalSpy ended(&p.pass, &ReadingPass::passEnded);
    p.clock.set(QTime(14, 30, 5));
    p.pass.start();
    QVERIFY(p.pass.isPlaying());
    p.players.playToEnd();

    QCOMPARE(ended.count(), 1);
    QVERIFY(!p.pass.isPlaying());
    QCOMPARE(p.pass.reading.speakindex, 1);
    // The interval counts from the end of the pass.
    QCOMPARE(p.pass.reading.lastlistentime, 14 * 3600 + 30 * 60 + 5);

    // Nothing to read: the pass ends at once.
    p.pairs.clear();
    p.pass.start();
    QCOMPARE(ended.count(), 2);
    QVERIFY(p.players.playing().isEmpty());
}

void TestReadingPass::listEditsDuringPassCount()
{
    Pass p;
    p.pairs = QStringList{QStringLiteral("EUR/USD"), QStringLiteral("GBP/USD"), QStringLiteral("USD/CHF")};
    p.pass.start();
    p.players.playing().first()->finish(); // eurusd done, first character playing

    // Removing the entry being read moves the later ones up: GBP/USD is skipped, USD/CHF comes next.
    p.pairs.removeFirst();
    p.pairs << QStringLiteral("AUD/JPY");
    const QStringList rest = p.players.playToEnd();
    QCOMPARE(rest.filter(QRegularExpression(QStringLiteral("^[a-z]{6}$"))), QStringList({"usdchf", "audjpy"}));
}

void TestReadingPass::moneyPairChangedDuringIntroCounts()
{
    Pass p;
    p.setRate(QStringLiteral("EUR/USD"), QStringLiteral("1.2345"));
    p.pairs = QStringList{QStringLiteral("EUR/USD")};
    p.prompt = true;
    p.pass.start();
    p.moneyPair = false; // while the intro plays
    QCOMPARE(p.players.playToEnd(), QStringList({"dqhj", "1m", "dianm", "2m", "3m", "4m", "5m"}));
}

void TestReadingPass::rateIsFixedWhenPairIsChosen()
{
    Pass p;
    p.setRate(QStringLiteral("EUR/USD"), QStringLiteral("1.2345"));
    p.pairs = QStringList{QStringLiteral("EUR/USD"), QStringLiteral("EUR/USD")};
    p.moneyPair = false;
    p.pass.start();
    p.players.playing().first()->finish();
    p.setRate(QStringLiteral("EUR/USD"), QStringLiteral("1.9876")); // a refresh in the middle of the pair
    QCOMPARE(p.players.playToEnd(),
             QStringList({"dianm", "2m", "3m", "4m", "5m", "1m", "dianm", "9m", "8m", "7m", "6m"}));
}

void TestReadingPass::unknownEntryRepeatsPreviousPair()
{
    Pass p;
    p.setRate(QStringLiteral("USD/JPY"), QStringLiteral("108.45"));
    p.pairs = QStringList{QStringLiteral("USD/JPY"), QStringLiteral("USD/DKK")};
    p.pass.start();
    const QStringList usdJpy{"usdjpy", "1m", "0m", "8m", "dianm", "4m", "5m"};
    QCOMPARE(p.players.playToEnd(), usdJpy + usdJpy);
}

void TestReadingPass::newPassSilencesOldChain()
{
    Pass p;
    p.pairs = QStringList{QStringLiteral("EUR/USD"), QStringLiteral("GBP/USD")};
    p.pass.start();
    p.players.finishClips(4); // MMControl5 now plays the third character
    p.pass.start();
    // Only the new pass plays: playToEnd stops the test if two players ever play at once.
    const QStringList clips = p.players.playToEnd();
    QCOMPARE(clips.size(), 14);
    QCOMPARE(clips.first(), "eurusd");
}

QTEST_GUILESS_MAIN(TestReadingPass)
#include "tst_reading_pass.moc"
