// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/form1_fixture.h"

#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

using namespace vantrel;
using vantrel::test::Form1Fixture;

class TestRateReading : public QObject
{
    Q_OBJECT

private slots:
    void passSpeaksClips_data();
    void passSpeaksClips();
    void eachPlayerIsStartedAfterItsSilenceList_data();
    void eachPlayerIsStartedAfterItsSilenceList();
    void endOfPassSwitchesTimersOn_data();
    void endOfPassSwitchesTimersOn();
    void listEditsDuringPassCount();
    void moneyPairChangedDuringIntroCounts();
    void rateIsFixedWhenPairIsChosen();
    void unknownEntryRepeatsPreviousPair();
    void newPassSilencesOldChain();
};

void TestRateReading::passSpeaksClips_data()
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

void TestRateReading::passSpeaksClips()
{
    QFETCH(QStringList, pairs);
    QFETCH(bool, prompt);
    QFETCH(bool, moneyPair);
    QFETCH(QStringList, clips);

    Form1Fixture f;
    f.setRate(QStringLiteral("EUR/USD"), QStringLiteral("1.2345"));
    f.setRate(QStringLiteral("USD/JPY"), QStringLiteral("108.45"));
    f.setRate(QStringLiteral("GBP/HKD"), QStringLiteral("14.1234"));
    f.setRate(QStringLiteral("CAD/JPY"), QStringLiteral("80.12"));
    f.setRate(QStringLiteral("AUD/USD"), QStringLiteral("0.7512"));
    f.form->List2->addItems(pairs);
    f.form->Check1->setChecked(prompt);
    f.form->Check2->setChecked(moneyPair);

    f.form->readingPass().start();
    QCOMPARE(f.playToEnd(), clips);
}

void TestRateReading::eachPlayerIsStartedAfterItsSilenceList_data()
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

void TestRateReading::eachPlayerIsStartedAfterItsSilenceList()
{
    QFETCH(bool, prompt);
    QFETCH(bool, moneyPair);
    QFETCH(int, start);
    QFETCH(int, player);
    QFETCH(QList<int>, silenceList);
    QFETCH(QString, clip);

    Form1Fixture f;
    f.setRate(QStringLiteral("EUR/USD"), QStringLiteral("1.2345"));
    f.setRate(QStringLiteral("USD/JPY"), QStringLiteral("108.45"));
    f.form->List2->addItems({QStringLiteral("EUR/USD"), QStringLiteral("USD/JPY")});
    f.form->Check1->setChecked(prompt);
    f.form->Check2->setChecked(moneyPair);
    f.players.commands.clear();
    f.form->readingPass().reading.speakindex = 0;
    f.form->readingPass().readandlisten();
    f.playToEnd();

    const QList<vantrel::test::PlayerStart> starts = f.players.starts();
    QVERIFY(start < starts.size());
    const vantrel::test::PlayerStart &started = starts[start];
    QCOMPARE(started.player, QStringLiteral("MMControl%1").arg(player));
    QCOMPARE(started.before, vantrel::test::silencing(silenceList));
    QCOMPARE(started.start, vantrel::test::playingClip(f.dir.path(), clip));
}

void TestRateReading::endOfPassSwitchesTimersOn_data()
{
    QTest::addColumn<bool>("listening");

    QTest::newRow("listening") << true;
    QTest::newRow("cancelled") << false;
}

void TestRateReading::endOfPassSwitchesTimersOn()
{
    QFETCH(bool, listening);

    Form1Fixture f;
    f.form->List2->addItem(QStringLiteral("EUR/USD"));
    if (listening)
        f.form->Command1->setText(QStringLiteral("Cancel"));
    f.form->Timer1.disable();
    f.form->Timer2.disable();
    f.clock.set(QTime(14, 30, 5));
    f.form->readingPass().start();
    QVERIFY(!f.form->Timer2.isEnabled());
    f.playToEnd();

    QCOMPARE(f.form->readingPass().reading.speakindex, 1);
    QCOMPARE(f.form->readingPass().reading.lastlistentime, 14 * 3600 + 30 * 60 + 5);
    QVERIFY(f.form->Timer2.isEnabled());
    // A pass that ends after Cancel does not bring the listening timer back.
    QCOMPARE(f.form->Timer1.isEnabled(), listening);
}

void TestRateReading::listEditsDuringPassCount()
{
    Form1Fixture f;
    QListWidget *list = f.form->List2;
    list->addItems({QStringLiteral("EUR/USD"), QStringLiteral("GBP/USD"), QStringLiteral("USD/CHF")});
    f.form->readingPass().start();
    f.players.playing().first()->finish(); // eurusd done, first character playing

    // Removing the entry being read moves the later ones up: GBP/USD is skipped, USD/CHF comes next.
    list->setCurrentRow(0);
    f.form->removeSelectedPair();
    list->addItem(QStringLiteral("AUD/JPY"));
    const QStringList rest = f.playToEnd();
    QCOMPARE(rest.filter(QRegularExpression(QStringLiteral("^[a-z]{6}$"))),
             QStringList({"usdchf", "audjpy"}));
}

void TestRateReading::moneyPairChangedDuringIntroCounts()
{
    Form1Fixture f;
    f.setRate(QStringLiteral("EUR/USD"), QStringLiteral("1.2345"));
    f.form->List2->addItem(QStringLiteral("EUR/USD"));
    f.form->Check1->setChecked(true);
    f.form->readingPass().start();
    f.form->Check2->setChecked(false); // while the intro plays
    QCOMPARE(f.playToEnd(), QStringList({"dqhj", "1m", "dianm", "2m", "3m", "4m", "5m"}));
}

void TestRateReading::rateIsFixedWhenPairIsChosen()
{
    Form1Fixture f;
    f.setRate(QStringLiteral("EUR/USD"), QStringLiteral("1.2345"));
    f.form->List2->addItems({QStringLiteral("EUR/USD"), QStringLiteral("EUR/USD")});
    f.form->Check2->setChecked(false);
    f.form->readingPass().start();
    f.players.playing().first()->finish();
    f.setRate(QStringLiteral("EUR/USD"), QStringLiteral("1.9876")); // a refresh in the middle of the pair
    QCOMPARE(f.playToEnd(), QStringList({"dianm", "2m", "3m", "4m", "5m", "1m", "dianm", "9m", "8m", "7m", "6m"}));
}

void TestRateReading::unknownEntryRepeatsPreviousPair()
{
    Form1Fixture f;
    f.setRate(QStringLiteral("USD/JPY"), QStringLiteral("108.45"));
    f.form->List2->addItems({QStringLiteral("USD/JPY"), QStringLiteral("USD/DKK")});
    f.form->readingPass().start();
    const QStringList usdJpy{"usdjpy", "1m", "0m", "8m", "dianm", "4m", "5m"};
    QCOMPARE(f.playToEnd(), usdJpy + usdJpy);
}

void TestRateReading::newPassSilencesOldChain()
{
    Form1Fixture f;
    f.form->List2->addItems({QStringLiteral("EUR/USD"), QStringLiteral("GBP/USD")});
    f.form->readingPass().start();
    for (int i = 0; i < 4; ++i)
        f.players.playing().first()->finish(); // MMControl5 now plays the third character
    f.form->readingPass().start();
    // Only the new pass plays: playToEnd stops the test if two players ever play at once.
    const QStringList clips = f.playToEnd();
    QCOMPARE(clips.size(), 14);
    QCOMPARE(clips.first(), "eurusd");
}

QTEST_MAIN(TestRateReading)
#include "tst_rate_reading.moc"
