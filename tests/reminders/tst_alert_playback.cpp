// SPDX-License-Identifier: GPL-3.0-or-later
#include "quotes/pair_catalogue.h"
#include "quotes/rate_table.h"
#include "reminders/alert_playback.h"
#include "support/recording_player.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace vantrel;
using namespace vantrel::test;

namespace {

QStringList cycle(const QString &sound, const QString &pairClip)
{
    return {sound, QStringLiteral("yours"), pairClip, QStringLiteral("setprice")};
}

// An alert with recording players; "Sound" and "Times" are plain values it reads as each cycle starts.
struct Alert {
    Alert()
        : alert([this](QObject *parent) { return new RecordingPlayer(players, parent); }, dir.path(),
                {[this] { return sound; }, [this] { return times; }})
    {
    }

    // The checks run over `entries`; the entry that fires starts its alert.
    std::optional<int> check(const QStringList &entries)
    {
        const std::optional<int> fired = alert.reminderToFire(entries, rates);
        if (fired)
            alert.start(entries.at(*fired));
        return fired;
    }
    void setRate(const QString &pair, const QString &rate) { rates.store(*findPair(pair), rate); }

    QTemporaryDir dir;
    RateTable rates;
    PlayerLog players;
    QString sound = QStringLiteral("Bell");
    QString times = QStringLiteral("One");
    AlertPlayback alert;
};

} // namespace

class TestAlertPlayback : public QObject
{
    Q_OBJECT

private slots:
    void checksFindTheFirstReachedReminder_data();
    void checksFindTheFirstReachedReminder();
    void checksWaitWhileAlertPlays();
    void alertPlaysItsCycles_data();
    void alertPlaysItsCycles();
    void selectorsChangedDuringAlert();
    void resetDuringAlertEndsAfterCycle();
    void alertPlayersStartAfterTheirSilenceLists_data();
    void alertPlayersStartAfterTheirSilenceLists();
    void firedEntryIsFoundWhereverItIs_data();
    void firedEntryIsFoundWhereverItIs();
};

void TestAlertPlayback::checksFindTheFirstReachedReminder_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<int>("fired"); // -1: none
    // Every entry checked is remembered as it is checked, the one that fired or else the last that reads.
    QTest::addColumn<int>("alertindex");
    QTest::addColumn<QString>("alertclip");

    // EUR/USD 1.2650, GBP/USD 1.7990, USD/JPY 149.99; every other pair not read yet.
    QTest::newRow("the first reached fires") << QStringList{"EUR/USD>1.2650", "GBP/USD<1.8000"} << 0 << 0
                                             << "eurusd";
    QTest::newRow("a later one fires") << QStringList{"EUR/USD>1.3", "GBP/USD<1.8000"} << 1 << 1 << "gbpusd";
    // A lower reminder on a pair not read yet does not fire: its rate is unknown, not 0.
    QTest::newRow("none reached, the last that reads is kept")
        << QStringList{"EUR/CHF<1.2650", "nonsense", "USD/JPY>150", "GBP/USD=1"} << -1 << 2 << "usdjpy";
}

void TestAlertPlayback::checksFindTheFirstReachedReminder()
{
    QFETCH(QStringList, entries);
    QFETCH(int, fired);
    QFETCH(int, alertindex);
    QFETCH(QString, alertclip);

    Alert a;
    a.setRate(QStringLiteral("EUR/USD"), QStringLiteral("1.2650"));
    a.setRate(QStringLiteral("GBP/USD"), QStringLiteral("1.7990"));
    a.setRate(QStringLiteral("USD/JPY"), QStringLiteral("149.99"));
    QCOMPARE(a.alert.reminderToFire(entries, a.rates).value_or(-1), fired);
    QCOMPARE(a.alert.reminders.alertindex, alertindex);
    QCOMPARE(a.alert.reminders.alertclip, alertclip);
    QVERIFY(a.players.played.isEmpty());
}

void TestAlertPlayback::checksWaitWhileAlertPlays()
{
    Alert a;
    a.setRate(QStringLiteral("EUR/USD"), QStringLiteral("1.05"));
    a.setRate(QStringLiteral("USD/JPY"), QStringLiteral("150.00"));
    QCOMPARE(a.check({"EUR/USD<1.1", "USD/JPY>100"}), 0);
    a.players.finishClips(1);
    // The alert belongs to the entry that fired: a check meanwhile neither fires nor forgets it.
    QCOMPARE(a.check({"USD/JPY>100"}), std::nullopt);
    QCOMPARE(a.alert.reminders.alertclip, "eurusd");
    QCOMPARE(a.players.playToEnd(), QStringList({"yours", "eurusd", "setprice"}));
    QVERIFY(!a.alert.isPlaying());
}

void TestAlertPlayback::alertPlaysItsCycles_data()
{
    QTest::addColumn<QString>("times");
    QTest::addColumn<int>("cycles");

    QTest::newRow("One") << "One" << 1;
    QTest::newRow("Five") << "Five" << 5;
    QTest::newRow("not a count plays once") << "3" << 1;
    QTest::newRow("empty plays once") << "" << 1;
    QTest::newRow("wrong case plays once") << "two" << 1;
}

void TestAlertPlayback::alertPlaysItsCycles()
{
    QFETCH(QString, times);
    QFETCH(int, cycles);

    Alert a;
    a.times = times;
    a.setRate(QStringLiteral("USD/JPY"), QStringLiteral("150.01"));
    QSignalSpy ended(&a.alert, &AlertPlayback::alertEnded);
    QCOMPARE(a.check({"EUR/USD>1.2", "USD/JPY>150"}), 1);

    QStringList expected;
    for (int i = 0; i < cycles; ++i)
        expected << cycle(QStringLiteral("Bell"), QStringLiteral("usdjpy"));
    QStringList heard;
    for (int i = 0; i < cycles * 4; ++i) {
        heard << a.players.played.last();
        const bool lastOfCycle = i % 4 == 3 && i < cycles * 4 - 1;
        if (lastOfCycle)
            QCOMPARE(a.alert.reminders.alertcount, i / 4); // counted when the cycle's last clip has ended
        QVERIFY(ended.isEmpty());
        a.players.playing().first()->finish();
        if (lastOfCycle)
            QCOMPARE(a.alert.reminders.alertcount, i / 4 + 1);
    }
    QCOMPARE(heard, expected);
    QCOMPARE(ended.count(), 1);
    QCOMPARE(ended.first(), QVariantList({QStringLiteral("USD/JPY>150"), 1}));
    QCOMPARE(a.alert.reminders.alertcount, 0);
    QCOMPARE(a.alert.reminders.alerttimes, 0);
    QVERIFY(!a.alert.isPlaying());
    QVERIFY(a.players.playing().isEmpty());
}

void TestAlertPlayback::selectorsChangedDuringAlert()
{
    Alert a;
    a.times = QStringLiteral("Two");
    a.setRate(QStringLiteral("EUR/USD"), QStringLiteral("1.0999"));
    a.check({"EUR/USD<1.1"});
    a.players.finishClips(1);
    a.sound = QStringLiteral("Lion"); // during "yours": read when the next cycle starts
    a.times = QStringLiteral("Three");
    QCOMPARE(a.players.playToEnd(),
             QStringList({"yours", "eurusd", "setprice"}) + cycle("Lion", "eurusd") + cycle("Lion", "eurusd"));

    // Lowered below the cycles already played: the alert ends after the cycle that is playing.
    QSignalSpy ended(&a.alert, &AlertPlayback::alertEnded);
    a.sound = QStringLiteral("Bell");
    a.check({"EUR/USD<1.1"});
    a.players.finishClips(5);
    a.times = QStringLiteral("One");
    QCOMPARE(a.players.playToEnd().size(), 3);
    QCOMPARE(ended.count(), 1);
}

void TestAlertPlayback::resetDuringAlertEndsAfterCycle()
{
    Alert a;
    a.times = QStringLiteral("Five");
    a.setRate(QStringLiteral("EUR/USD"), QStringLiteral("1.05"));
    a.check({"EUR/USD<1.1"});
    a.players.finishClips(2);
    a.alert.resetCycles(); // the reminder list or pair changed
    QCOMPARE(a.players.playToEnd().size(), 2);
    QVERIFY(!a.alert.isPlaying());
}

void TestAlertPlayback::alertPlayersStartAfterTheirSilenceLists_data()
{
    QTest::addColumn<int>("start"); // which start of the alert, from 0
    QTest::addColumn<int>("player");
    QTest::addColumn<QList<int>>("silenceList");
    QTest::addColumn<QString>("clip");

    QTest::newRow("MMControl10") << 0 << 10 << QList<int>{10} << "Bell";
    QTest::newRow("MMControl11") << 1 << 11 << QList<int>{10, 11} << "yours";
    QTest::newRow("MMControl12") << 2 << 12 << QList<int>{10, 11, 12} << "gbpjpy";
    QTest::newRow("MMControl13") << 3 << 13 << QList<int>{10, 11, 12, 13} << "setprice";
    QTest::newRow("MMControl10 of the second cycle") << 4 << 10 << QList<int>{10} << "Bell";
    QTest::newRow("MMControl13 of the second cycle") << 7 << 13 << QList<int>{10, 11, 12, 13} << "setprice";
}

void TestAlertPlayback::alertPlayersStartAfterTheirSilenceLists()
{
    QFETCH(int, start);
    QFETCH(int, player);
    QFETCH(QList<int>, silenceList);
    QFETCH(QString, clip);

    Alert a;
    a.times = QStringLiteral("Two");
    a.setRate(QStringLiteral("GBP/JPY"), QStringLiteral("150.00"));
    a.check({"GBP/JPY>150"});
    QCOMPARE(a.players.playToEnd().size(), 8);

    const QList<PlayerStart> starts = a.players.starts();
    QCOMPARE(starts.size(), 8);
    const PlayerStart &started = starts[start];
    QCOMPARE(started.player, QStringLiteral("MMControl%1").arg(player));
    QCOMPARE(started.before, silencing(silenceList));
    QCOMPARE(started.start, playingClip(a.dir.path(), clip));
}

void TestAlertPlayback::firedEntryIsFoundWhereverItIs_data()
{
    QTest::addColumn<QStringList>("entries"); // when the alert has ended
    QTest::addColumn<int>("alertindex");      // where the entry stood when it fired
    QTest::addColumn<int>("row");             // -1: gone

    QTest::newRow("where it was") << QStringList{"AUD/USD>5", "EUR/USD<1.1", "EUR/USD<1.1"} << 2 << 2;
    QTest::newRow("moved up") << QStringList{"EUR/USD<1.1", "GBP/USD>9"} << 1 << 0;
    QTest::newRow("moved down") << QStringList{"AUD/USD>5", "GBP/USD>9", "EUR/USD<1.1"} << 1 << 2;
    QTest::newRow("gone") << QStringList{"GBP/USD>9"} << 0 << -1;
    QTest::newRow("list emptied") << QStringList{} << 0 << -1;
}

void TestAlertPlayback::firedEntryIsFoundWhereverItIs()
{
    QFETCH(QStringList, entries);
    QFETCH(int, alertindex);
    QFETCH(int, row);
    QCOMPARE(firedEntryRow(entries, alertindex, QStringLiteral("EUR/USD<1.1")).value_or(-1), row);
}

QTEST_GUILESS_MAIN(TestAlertPlayback)
#include "tst_alert_playback.moc"
