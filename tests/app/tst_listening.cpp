#include "app/listening_interval.h"
#include "support/form1_fixture.h"

#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

using namespace vantrel;
using vantrel::test::Form1Fixture;

namespace {

int at(int h, int m, int s)
{
    return (h * 60 + m) * 60 + s;
}

void choose(QComboBox *combo, const QString &text)
{
    combo->setCurrentIndex(combo->findText(text));
}

} // namespace

class TestListening : public QObject
{
    Q_OBJECT

private slots:
    void intervalsAndDueTimes_data();
    void intervalsAndDueTimes();
    void startReadsAtOnce();
    void startWithEmptyListKeepsRefreshing();
    void cancelDuringPassStopsListening();
    void cancelWhileWaiting();
    void dueTickStartsPass();
    void shorterIntervalCountsFromSameTime();
    void startAgainAfterCancelSilencesOldPass();
    void addAndRemovePairs();
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

void TestListening::startReadsAtOnce()
{
    Form1Fixture f;
    f.form->List2->addItem(QStringLiteral("EUR/USD"));
    f.form->reminders.alerttimes = 2;
    f.form->reminders.alertcount = 1;
    f.clock.set(QTime(10, 0, 0));
    QTest::mouseClick(f.form->Command1, Qt::LeftButton);

    QCOMPARE(f.form->Command1->text(), "Cancel");
    QCOMPARE(f.players.playing().size(), 1);
    QVERIFY(f.form->Timer1.isEnabled());
    QVERIFY(!f.form->Timer2.isEnabled());
    QCOMPARE(f.form->reading.lastlistentime, at(10, 0, 0));
    QCOMPARE(f.form->reminders.alerttimes, 0);
    QCOMPARE(f.form->reminders.alertcount, 0);

    f.clock.set(QTime(10, 0, 4));
    f.playToEnd();
    QCOMPARE(f.form->reading.lastlistentime, at(10, 0, 4));
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
    choose(f.form->Combo2, QStringLiteral("5s"));
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
    QCOMPARE(f.form->reading.speakindex, 0);

    f.clock.set(QTime(0, 0, 6));
    f.playToEnd();
    QCOMPARE(f.form->reading.lastlistentime, at(0, 0, 6));
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
    choose(f.form->Combo2, QStringLiteral("30s"));
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

void TestListening::addAndRemovePairs()
{
    Form1Fixture f;
    Form1 &form = *f.form;
    QTest::mouseClick(form.Command4, Qt::LeftButton);
    QCOMPARE(f.messages.shown, QStringList{"Seclect pairs to be listened please!"});
    QCOMPARE(form.List2->count(), 0);

    form.List1->setCurrentRow(1);
    QTest::mouseClick(form.Command4, Qt::LeftButton);
    QTest::mouseClick(form.Command4, Qt::LeftButton);
    QCOMPARE(form.List2->count(), 2);
    QCOMPARE(form.List2->item(1)->text(), "EUR/USD");

    QTest::mouseClick(form.Command5, Qt::LeftButton);
    QCOMPARE(f.messages.shown.last(), "Seclect pairs to be removed please!");
    form.List2->setCurrentRow(0);
    QTest::mouseClick(form.Command5, Qt::LeftButton);
    QCOMPARE(form.List2->count(), 1);
    QTest::mouseClick(form.Command5, Qt::LeftButton); // nothing highlighted after a removal
    QCOMPARE(form.List2->count(), 1);
    QCOMPARE(f.messages.shown.size(), 3);
}

QTEST_MAIN(TestListening)
#include "tst_listening.moc"
