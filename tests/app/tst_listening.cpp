// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/listening_interval.h"
#include "form1_fixture.h"
#include "support/widget_items.h"

#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

using namespace vantrel;
using vantrel::test::Form1Fixture;
using vantrel::test::chooseAsUser;

namespace {

int at(int h, int m, int s)
{
    return (h * 60 + m) * 60 + s;
}

} // namespace

class TestListening : public QObject
{
    Q_OBJECT

private slots:
    void intervalsAndDueTimes_data();
    void intervalsAndDueTimes();
    void everyIntervalComesDue_data();
    void everyIntervalComesDue();
    void dueWhileStartedPassPlays();
    void dueTickWithEmptyList();
    void startReadsAtOnce();
    void startWithEmptyListKeepsRefreshing();
    void endOfPassSwitchesTimersOn_data();
    void endOfPassSwitchesTimersOn();
    void cancelDuringPassStopsListening();
    void cancelWhileWaiting();
    void dueTickStartsPass();
    void shorterIntervalCountsFromSameTime();
    void startAgainAfterCancelSilencesOldPass();
    void passReadsTheWindowAsItGoes();
};

void TestListening::intervalsAndDueTimes_data()
{
    QTest::addColumn<QString>("interval");
    QTest::addColumn<int>("last");
    QTest::addColumn<int>("now");
    QTest::addColumn<bool>("due");

    QTest::newRow("5s not yet") << "5s" << at(9, 0, 0) << at(9, 0, 4) << false;
    QTest::newRow("5s exactly") << "5s" << at(9, 0, 0) << at(9, 0, 5) << true;
    QTest::newRow("2.5min across midnight, not yet") << "2.5min" << at(23, 59, 20) << at(0, 1, 49) << false;
    QTest::newRow("2.5min across midnight, due") << "2.5min" << at(23, 59, 20) << at(0, 1, 50) << true;
    QTest::newRow("60min") << "60min" << at(10, 0, 0) << at(11, 0, 0) << true;
    QTest::newRow("1.5min") << "1.5min" << at(10, 0, 0) << at(10, 1, 29) << false;
}

void TestListening::intervalsAndDueTimes()
{
    QFETCH(QString, interval);
    QFETCH(int, last);
    QFETCH(int, now);
    QFETCH(bool, due);

    QCOMPARE(listeningIntervalNames().size(), 13);
    QCOMPARE(listeningDue(last, now, *listeningIntervalSeconds(interval)), due);
    QVERIFY(!listeningIntervalSeconds(QStringLiteral("3min")));
}

void TestListening::everyIntervalComesDue_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("item");
    QTest::addColumn<int>("length"); // seconds

    QTest::newRow("5s") << 0 << "5s" << at(0, 0, 5);
    QTest::newRow("10s") << 1 << "10s" << at(0, 0, 10);
    QTest::newRow("30s") << 2 << "30s" << at(0, 0, 30);
    QTest::newRow("1min") << 3 << "1min" << at(0, 1, 0);
    QTest::newRow("1.5min") << 4 << "1.5min" << at(0, 1, 30);
    QTest::newRow("2min") << 5 << "2min" << at(0, 2, 0);
    QTest::newRow("2.5min") << 6 << "2.5min" << at(0, 2, 30);
    QTest::newRow("5min") << 7 << "5min" << at(0, 5, 0);
    QTest::newRow("10min") << 8 << "10min" << at(0, 10, 0);
    QTest::newRow("15min") << 9 << "15min" << at(0, 15, 0);
    QTest::newRow("20min") << 10 << "20min" << at(0, 20, 0);
    QTest::newRow("30min") << 11 << "30min" << at(0, 30, 0);
    QTest::newRow("60min") << 12 << "60min" << at(1, 0, 0);
}

void TestListening::everyIntervalComesDue()
{
    QFETCH(int, position);
    QFETCH(QString, item);
    QFETCH(int, length);

    // The list the "Interval" box offers, in its order, and when each item's next pass falls due.
    QCOMPARE(listeningIntervalNames().size(), 13);
    QCOMPARE(listeningIntervalNames().at(position), item);
    QCOMPARE(listeningIntervalSeconds(item), length);
    const int last = at(10, 0, 0);
    QVERIFY(!listeningDue(last, last + length - 1, length));
    QVERIFY(listeningDue(last, last + length, length));
}

void TestListening::dueWhileStartedPassPlays()
{
    Form1Fixture f;
    chooseAsUser(f.form->Combo2, QStringLiteral("5s"));
    f.setRate(QStringLiteral("EUR/USD"), QStringLiteral("1.2345"));
    f.setRate(QStringLiteral("USD/JPY"), QStringLiteral("108.45"));
    f.form->List2->addItems({QStringLiteral("EUR/USD"), QStringLiteral("USD/JPY")});
    f.clock.set(QTime(10, 0, 0));
    QTest::mouseClick(f.form->Command1, Qt::LeftButton);
    f.players.finishClips(3); // EUR/USD's "2m" plays now

    f.clock.set(QTime(10, 0, 4));
    emit f.form->Timer1.tick();
    QCOMPARE(f.players.played.last(), "2m");
    QVERIFY(f.form->Timer1.isEnabled());

    // Due although the pass that Start began is still playing: a new pass from the first pair.
    f.clock.set(QTime(10, 0, 5));
    emit f.form->Timer1.tick();
    QVERIFY(!f.form->Timer1.isEnabled());
    QVERIFY(!f.form->Timer2.isEnabled());
    QCOMPARE(f.form->readingPass().reading.speakindex, 0);
    QCOMPARE(f.players.playing().size(), 1);
    QCOMPARE(f.players.playedBy.last(), "MMControl2");

    QStringList heard;
    for (int i = 0; i < 7; ++i) { // the whole of EUR/USD, both timers off all along
        heard << f.players.played.last();
        f.players.playing().first()->finish();
        QVERIFY(!f.form->Timer1.isEnabled());
        QVERIFY(!f.form->Timer2.isEnabled());
    }
    QCOMPARE(heard, QStringList({"eurusd", "1m", "dianm", "2m", "3m", "4m", "5m"}));
    f.clock.set(QTime(10, 0, 9));
    QCOMPARE(f.playToEnd(), QStringList({"usdjpy", "1m", "0m", "8m", "dianm", "4m", "5m"}));
    QCOMPARE(f.form->readingPass().reading.lastlistentime, at(10, 0, 9));
    QVERIFY(f.form->Timer1.isEnabled());
    QVERIFY(f.form->Timer2.isEnabled());
}

void TestListening::dueTickWithEmptyList()
{
    Form1Fixture f;
    chooseAsUser(f.form->Combo2, QStringLiteral("5s"));
    f.clock.set(QTime(10, 0, 0));
    QTest::mouseClick(f.form->Command1, Qt::LeftButton);
    QCOMPARE(f.form->Command1->text(), "Cancel");

    f.clock.set(QTime(10, 0, 5));
    emit f.form->Timer1.tick();
    // The pass ends at once: nothing is spoken, and both timers run again from a new time.
    QVERIFY(f.players.played.isEmpty());
    QCOMPARE(f.form->readingPass().reading.lastlistentime, at(10, 0, 5));
    QVERIFY(f.form->Timer1.isEnabled());
    QVERIFY(f.form->Timer2.isEnabled());

    f.form->List2->addItem(QStringLiteral("EUR/USD"));
    f.clock.set(QTime(10, 0, 9));
    emit f.form->Timer1.tick();
    QVERIFY(f.players.playing().isEmpty());
    f.clock.set(QTime(10, 0, 10));
    emit f.form->Timer1.tick();
    QCOMPARE(f.players.played, QStringList{"eurusd"});
}

void TestListening::startReadsAtOnce()
{
    Form1Fixture f;
    f.form->List2->addItem(QStringLiteral("EUR/USD"));
    f.form->alertPlayback().reminders.alerttimes = 2;
    f.form->alertPlayback().reminders.alertcount = 1;
    f.clock.set(QTime(10, 0, 0));
    QTest::mouseClick(f.form->Command1, Qt::LeftButton);

    QCOMPARE(f.form->Command1->text(), "Cancel");
    QCOMPARE(f.players.playing().size(), 1);
    QVERIFY(f.form->Timer1.isEnabled());
    QVERIFY(!f.form->Timer2.isEnabled());
    QCOMPARE(f.form->readingPass().reading.lastlistentime, at(10, 0, 0));
    QCOMPARE(f.form->alertPlayback().reminders.alerttimes, 0);
    QCOMPARE(f.form->alertPlayback().reminders.alertcount, 0);

    f.clock.set(QTime(10, 0, 4));
    f.playToEnd();
    QCOMPARE(f.form->readingPass().reading.lastlistentime, at(10, 0, 4));
    QVERIFY(f.form->Timer1.isEnabled());
    QVERIFY(f.form->Timer2.isEnabled());
}

void TestListening::startWithEmptyListKeepsRefreshing()
{
    Form1Fixture f;
    QTest::mouseClick(f.form->Command1, Qt::LeftButton);
    QVERIFY(f.players.played.isEmpty());
    QCOMPARE(f.form->Command1->text(), "Cancel");
    QVERIFY(f.form->Timer1.isEnabled());
    QVERIFY(f.form->Timer2.isEnabled());
}

void TestListening::endOfPassSwitchesTimersOn_data()
{
    QTest::addColumn<bool>("listening");

    QTest::newRow("listening") << true;
    QTest::newRow("cancelled") << false;
}

void TestListening::endOfPassSwitchesTimersOn()
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

void TestListening::cancelDuringPassStopsListening()
{
    Form1Fixture f;
    f.form->List2->addItems({QStringLiteral("EUR/USD"), QStringLiteral("USD/JPY")});
    QTest::mouseClick(f.form->Command1, Qt::LeftButton);
    f.players.playing().first()->finish();
    QTest::mouseClick(f.form->Command1, Qt::LeftButton);

    QCOMPARE(f.form->Command1->text(), "Start");
    QCOMPARE(f.form->List2->count(), 0);
    QVERIFY(!f.form->Timer1.isEnabled());
    // The pair being spoken is finished, then the pass ends; listening stays off.
    QCOMPARE(f.playToEnd().size(), 6);
    QVERIFY(!f.form->Timer1.isEnabled());
    QVERIFY(f.form->Timer2.isEnabled());
}

void TestListening::cancelWhileWaiting()
{
    Form1Fixture f;
    f.form->List2->addItem(QStringLiteral("EUR/USD"));
    QTest::mouseClick(f.form->Command1, Qt::LeftButton);
    f.playToEnd();
    QTest::mouseClick(f.form->Command1, Qt::LeftButton);
    QVERIFY(!f.form->Timer1.isEnabled());
    QVERIFY(f.form->Timer2.isEnabled());
}

void TestListening::dueTickStartsPass()
{
    Form1Fixture f;
    chooseAsUser(f.form->Combo2, QStringLiteral("5s"));
    f.form->List2->addItem(QStringLiteral("EUR/USD"));
    f.clock.set(QTime(23, 59, 58));
    QTest::mouseClick(f.form->Command1, Qt::LeftButton);
    f.playToEnd();

    f.clock.set(QTime(0, 0, 2));
    emit f.form->Timer1.tick();
    QVERIFY(f.players.playing().isEmpty());
    QVERIFY(f.form->Timer1.isEnabled());

    f.clock.set(QTime(0, 0, 3));
    emit f.form->Timer1.tick();
    QCOMPARE(f.players.playing().size(), 1);
    QVERIFY(!f.form->Timer1.isEnabled());
    QVERIFY(!f.form->Timer2.isEnabled());
    QCOMPARE(f.form->readingPass().reading.speakindex, 0);

    f.clock.set(QTime(0, 0, 6));
    f.playToEnd();
    QCOMPARE(f.form->readingPass().reading.lastlistentime, at(0, 0, 6));
    QVERIFY(f.form->Timer1.isEnabled());
    QVERIFY(f.form->Timer2.isEnabled());
}

void TestListening::shorterIntervalCountsFromSameTime()
{
    Form1Fixture f;
    f.form->List2->addItem(QStringLiteral("EUR/USD"));
    f.clock.set(QTime(12, 0, 0));
    QTest::mouseClick(f.form->Command1, Qt::LeftButton);
    f.playToEnd();

    f.clock.set(QTime(12, 0, 40));
    emit f.form->Timer1.tick(); // 2.5min: not due
    QVERIFY(f.players.playing().isEmpty());
    chooseAsUser(f.form->Combo2, QStringLiteral("30s"));
    emit f.form->Timer1.tick();
    QCOMPARE(f.players.playing().size(), 1);
}

void TestListening::startAgainAfterCancelSilencesOldPass()
{
    Form1Fixture f;
    f.form->List2->addItem(QStringLiteral("EUR/USD"));
    QTest::mouseClick(f.form->Command1, Qt::LeftButton);
    f.players.playing().first()->finish();
    f.players.playing().first()->finish();
    QTest::mouseClick(f.form->Command1, Qt::LeftButton); // Cancel while the rate is being spoken
    f.form->List2->addItem(QStringLiteral("USD/JPY"));
    QTest::mouseClick(f.form->Command1, Qt::LeftButton); // Start again
    const QStringList clips = f.playToEnd();
    QCOMPARE(clips.size(), 7);
    QCOMPARE(clips.first(), "usdjpy");
}

void TestListening::passReadsTheWindowAsItGoes()
{
    // "Money Pair" is read when the intro ends and the picked pairs as each is reached, not once at Start.
    Form1Fixture f;
    Form1 &form = *f.form;
    f.setRate(QStringLiteral("EUR/USD"), QStringLiteral("1.2345"));
    f.setRate(QStringLiteral("GBP/USD"), QStringLiteral("1.5000"));
    form.List2->addItems({"EUR/USD", "GBP/USD"});
    form.Check1->setChecked(true);
    form.Check2->setChecked(true);
    QTest::mouseClick(form.Command1, Qt::LeftButton);
    QCOMPARE(f.players.played, QStringList{"dqhj"});

    form.Check2->setChecked(false);
    f.players.playing().first()->finish();
    form.List2->setCurrentRow(1);
    QTest::mouseClick(form.Command5, Qt::LeftButton);
    QCOMPARE(f.playToEnd(), QStringList({"1m", "dianm", "2m", "3m", "4m", "5m"}));
}

QTEST_MAIN(TestListening)
#include "tst_listening.moc"
