// SPDX-License-Identifier: GPL-3.0-or-later
#include "form1_fixture.h"
#include "support/widget_items.h"
#include "support/test_page.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

using namespace vantrel;
using vantrel::test::chooseAsUser;
using vantrel::test::itemsOf;
using vantrel::test::Form1Fixture;
using vantrel::test::TestPage;

class TestReminderGroup : public QObject
{
    Q_OBJECT

private slots:
    void addAppendsEntries_data();
    void addAppendsEntries();
    void removeTakesSelectedEntry();
    void buttonsPressedDuringAlert_data();
    void buttonsPressedDuringAlert();
    void firedEntryIsRemovedWhereverItIs();
    void alertReadsTheWindowAsItPlays();
    void endOfAlertReadsAndListens_data();
    void endOfAlertReadsAndListens();
    void firesFromRefreshTick();
    void pageAfterRefreshStoppedIsNotChecked_data();
    void pageAfterRefreshStoppedIsNotChecked();
    void timesBoxKeepsWhatIsTyped_data();
    void timesBoxKeepsWhatIsTyped();
};

void TestReminderGroup::addAppendsEntries_data()
{
    QTest::addColumn<QString>("pair");
    QTest::addColumn<QString>("upper");
    QTest::addColumn<QString>("lower");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("boxesCleared");

    QTest::newRow("both") << "GBP/USD" << "1.30" << "1.20" << QStringList{"GBP/USD>1.30", "GBP/USD<1.20"} << ""
                          << true;
    QTest::newRow("faulty lower keeps upper") << "GBP/USD" << "1.30" << "abc" << QStringList{"GBP/USD>1.30"}
                                              << "Enter lower properly!" << false;
    QTest::newRow("faulty upper stops at once") << "GBP/USD" << "0" << "1.20" << QStringList{}
                                                << "Enter upper properly!" << false;
    QTest::newRow("both empty") << "EUR/USD" << "" << "" << QStringList{} << "" << true;
    QTest::newRow("typed as it stands") << "USD/JPY" << " 104.5x" << "" << QStringList{"USD/JPY> 104.5x"} << ""
                                        << true;
}

void TestReminderGroup::addAppendsEntries()
{
    QFETCH(QString, pair);
    QFETCH(QString, upper);
    QFETCH(QString, lower);
    QFETCH(QStringList, entries);
    QFETCH(QString, message);
    QFETCH(bool, boxesCleared);

    Form1Fixture f;
    Form1 &form = *f.form;
    form.Combo3->setCurrentText(pair);
    form.Timer2.disable();
    form.alertPlayback().reminders.alertcount = 2;
    form.Text1->setText(upper);
    form.Text2->setText(lower);
    QTest::mouseClick(form.Command7, Qt::LeftButton);

    QCOMPARE(itemsOf(form.List3), entries);
    QCOMPARE(f.messages.shown, message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(form.Text1->text().isEmpty() && form.Text2->text().isEmpty(), boxesCleared || (upper + lower).isEmpty());
    QCOMPARE(form.Timer2.isEnabled(), !entries.isEmpty());
    QCOMPARE(form.alertPlayback().reminders.alertcount, message.isEmpty() ? 0 : 2);
}

void TestReminderGroup::removeTakesSelectedEntry()
{
    Form1Fixture f;
    Form1 &form = *f.form;
    QTest::mouseClick(form.Command8, Qt::LeftButton);
    QCOMPARE(f.messages.shown, QStringList{"Seclect reminder to be cancelled please!"});

    form.List3->addItems({"A", "B", "C", "D", "E"});
    form.List3->setCurrentRow(2);
    form.alertPlayback().reminders.alerttimes = 3;
    QTest::mouseClick(form.Command8, Qt::LeftButton);
    QCOMPARE(itemsOf(form.List3), QStringList({"A", "B", "D", "E"}));
    QCOMPARE(form.alertPlayback().reminders.alerttimes, 0);
    QTest::mouseClick(form.Command8, Qt::LeftButton);
    QCOMPARE(f.messages.shown.size(), 2);
}

void TestReminderGroup::buttonsPressedDuringAlert_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("clipsLeft");        // after the button, until the alert has ended
    QTest::addColumn<QStringList>("reminders"); // once it has ended
    QTest::addColumn<QString>("caption");

    // Add, Remove, the pair chosen in the reminder group and the listening Start begin the count afresh: the
    // cycle that plays is the last. The pair list's own Add and Remove leave the alert alone.
    QTest::newRow("reminder Add") << "Command7" << 2 << QStringList{"GBP/USD>1", "EUR/USD>1.5"} << "Start";
    QTest::newRow("reminder Remove") << "Command8" << 2 << QStringList{} << "Start";
    QTest::newRow("reminder pair chosen") << "Combo3" << 2 << QStringList{"GBP/USD>1"} << "Start";
    QTest::newRow("Start") << "Command1" << 2 << QStringList{"GBP/USD>1"} << "Cancel";
    QTest::newRow("pair list Add") << "Command4" << 2 + 3 * 4 << QStringList{"GBP/USD>1"} << "Start";
    QTest::newRow("pair list Remove") << "Command5" << 2 + 3 * 4 << QStringList{"GBP/USD>1"} << "Start";
}

void TestReminderGroup::buttonsPressedDuringAlert()
{
    QFETCH(QString, control);
    QFETCH(int, clipsLeft);
    QFETCH(QStringList, reminders);
    QFETCH(QString, caption);

    Form1Fixture f;
    Form1 &form = *f.form;
    form.Combo5->setCurrentText(QStringLiteral("Four"));
    form.List3->addItems({"EUR/USD<1.1", "GBP/USD>1"});
    f.setRate(QStringLiteral("EUR/USD"), QStringLiteral("1.0500"));
    form.checkReminders();
    f.players.finishClips(2); // the pair's name plays now

    // What each button needs to do something: a threshold, a chosen entry, a chosen pair. Start finds
    // nothing to read, so that only the alert plays.
    form.Text1->setText(QStringLiteral("1.5"));
    form.List3->setCurrentRow(1);
    form.List1->setCurrentRow(1);
    if (control == QLatin1String("Command5")) {
        form.List2->addItem(QStringLiteral("EUR/USD"));
        form.List2->setCurrentRow(0);
    }
    if (control == QLatin1String("Combo3"))
        chooseAsUser(form.Combo3, QStringLiteral("GBP/JPY"));
    else
        QTest::mouseClick(form.findChild<QPushButton *>(control), Qt::LeftButton);
    QVERIFY(f.messages.shown.isEmpty());
    QCOMPARE(form.Command1->text(), caption);
    form.List2->clear();

    QStringList rest;
    for (int i = 0; i < clipsLeft; ++i) {
        QCOMPARE(f.players.playing().size(), 1);
        rest << f.players.played.last();
        f.players.playing().first()->finish();
    }
    QCOMPARE(rest.mid(0, 2), QStringList({"eurusd", "setprice"}));
    QVERIFY(f.players.playing().isEmpty());
    QCOMPARE(itemsOf(form.List3), reminders);
    QCOMPARE(form.alertPlayback().reminders.alertcount, 0);
    QCOMPARE(form.alertPlayback().reminders.alerttimes, 0);
    QVERIFY(form.Timer2.isEnabled());
}

void TestReminderGroup::firedEntryIsRemovedWhereverItIs()
{
    Form1Fixture f;
    Form1 &form = *f.form;
    form.List3->addItems({"AUD/USD>5", "EUR/USD<1.1", "EUR/USD<1.1", "GBP/USD>9"});
    f.setRate(QStringLiteral("EUR/USD"), QStringLiteral("1.05"));
    form.checkReminders();
    QCOMPARE(form.alertPlayback().reminders.alertindex, 1);

    form.List3->setCurrentRow(0); // removed while the alert plays: the fired entry moves up
    form.removeReminder();
    f.playToEnd();
    QCOMPARE(itemsOf(form.List3), QStringList({"EUR/USD<1.1", "GBP/USD>9"}));

    // Every copy gone meanwhile: nothing is removed, nothing breaks.
    form.checkReminders();
    form.List3->clear();
    form.List3->addItem(QStringLiteral("GBP/USD>9"));
    f.playToEnd();
    QCOMPARE(itemsOf(form.List3), QStringList{"GBP/USD>9"});
}

void TestReminderGroup::alertReadsTheWindowAsItPlays()
{
    // A refresh that View switches on again during an alert checks nothing: the alert belongs to the entry
    // that fired. "Sound" and "Times" changed meanwhile count from the next cycle.
    Form1Fixture f;
    Form1 &form = *f.form;
    form.Combo5->setCurrentText(QStringLiteral("Two"));
    form.List3->addItems({"EUR/USD<1.1", "USD/JPY>100"});
    TestPage page;
    page.setPrices(QStringLiteral("EUR/USD"), QStringLiteral("1.0500"), QStringLiteral("1.0502"));
    page.setPrices(QStringLiteral("USD/JPY"), QStringLiteral("150.00"), QStringLiteral("150.02"));
    f.tickWithPage(page.bytes());
    f.players.finishClips(1); // "yours" plays

    QTest::mouseClick(form.Command6, Qt::LeftButton);
    QVERIFY(form.Timer2.isEnabled());
    f.tickWithPage(page.bytes());
    form.Combo4->setCurrentText(QStringLiteral("Lion"));
    form.Combo5->setCurrentText(QStringLiteral("Three"));
    QCOMPARE(f.playToEnd(), QStringList({"yours", "eurusd", "setprice", "Lion", "yours", "eurusd", "setprice",
                                         "Lion", "yours", "eurusd", "setprice"}));
    QCOMPARE(itemsOf(form.List3), QStringList{"USD/JPY>100"});

    f.tickWithPage(page.bytes()); // the entry that waited fires now
    QCOMPARE(f.players.played.last(), "Lion");
    QCOMPARE(form.alertPlayback().reminders.alertclip, "usdjpy");
}

void TestReminderGroup::endOfAlertReadsAndListens_data()
{
    QTest::addColumn<bool>("listening");
    QTest::addColumn<bool>("pairSelected");

    QTest::newRow("listening, a pair to read") << true << true;
    QTest::newRow("not listening, a pair to read") << false << true;
    QTest::newRow("listening, nothing to read") << true << false;
}

void TestReminderGroup::endOfAlertReadsAndListens()
{
    QFETCH(bool, listening);
    QFETCH(bool, pairSelected);

    Form1Fixture f;
    Form1 &form = *f.form;
    if (pairSelected)
        form.List2->addItem(QStringLiteral("EUR/USD"));
    if (listening)
        form.Command1->setText(QStringLiteral("Cancel"));
    f.setRate(QStringLiteral("EUR/USD"), QStringLiteral("1.0500"));
    form.List3->addItem(QStringLiteral("EUR/USD<1.1"));
    form.checkReminders();
    f.players.finishClips(3);
    f.clock.set(QTime(16, 0, 0));
    f.players.finishClips(1);

    QCOMPARE(form.readingPass().reading.lastlistentime, 16 * 3600);
    QVERIFY(form.Timer2.isEnabled());
    QCOMPARE(form.Timer1.isEnabled(), listening);
    QCOMPARE(f.playToEnd(), pairSelected ? QStringList({"eurusd", "1m", "dianm", "0m", "5m", "0m", "0m"})
                                         : QStringList());
}

void TestReminderGroup::firesFromRefreshTick()
{
    Form1Fixture f;
    Form1 &form = *f.form;
    form.List3->addItems({"EUR/USD<1.1", "EUR/USD>1.2000", "EUR/USD>1.1"});
    form.Timer1.enable();
    TestPage page;
    page.setPrices(QStringLiteral("EUR/USD"), QStringLiteral("1.2000"), QStringLiteral("1.2002"));
    f.tickWithPage(page.bytes());
    // The first entry reached fires on MMControl10, and reading and refresh wait for the alert.
    QCOMPARE(form.alertPlayback().reminders.alertindex, 1);
    QCOMPARE(f.players.playedBy, QStringList{"MMControl10"});
    QCOMPARE(f.players.played, QStringList{"Bell"});
    QVERIFY(!form.Timer1.isEnabled());
    QVERIFY(!form.Timer2.isEnabled());
    // The grids are updated in the same tick.
    QCOMPARE(form.majorRatesView()->MSFlexGrid1().cellText(2, 1), "1.2001");
}

void TestReminderGroup::pageAfterRefreshStoppedIsNotChecked_data()
{
    QTest::addColumn<QString>("meanwhile"); // what happens while the page is on its way
    QTest::addColumn<bool>("fires");

    QTest::newRow("nothing") << "nothing" << true;
    QTest::newRow("Start pressed") << "start" << false;
    QTest::newRow("interval fell due") << "due" << false;
}

void TestReminderGroup::pageAfterRefreshStoppedIsNotChecked()
{
    QFETCH(QString, meanwhile);
    QFETCH(bool, fires);

    Form1Fixture f;
    Form1 &form = *f.form;
    form.List2->addItem(QStringLiteral("EUR/USD"));
    form.List3->addItem(QStringLiteral("EUR/USD>1.2000"));
    f.setRate(QStringLiteral("EUR/USD"), QStringLiteral("1.1000"));
    f.clock.set(QTime(10, 0, 0));
    if (meanwhile == QLatin1String("due")) {
        QTest::mouseClick(form.Command1, Qt::LeftButton);
        f.playToEnd();
        f.clock.set(QTime(10, 2, 30));
    }
    TestPage page;
    page.setPrices(QStringLiteral("EUR/USD"), QStringLiteral("1.2000"), QStringLiteral("1.2002"));

    emit form.Timer2.tick();
    if (meanwhile == QLatin1String("start"))
        QTest::mouseClick(form.Command1, Qt::LeftButton);
    else if (meanwhile == QLatin1String("due"))
        emit form.Timer1.tick();
    f.inet1.answerPage(page.bytes());

    // The grids show the page either way.
    QCOMPARE(form.majorRatesView()->MSFlexGrid1().cellText(2, 1), "1.2001");
    QVERIFY(!form.Timer2.isEnabled());
    if (fires) {
        QCOMPARE(f.players.played, QStringList{"Bell"});
        return;
    }
    // The pass goes on undisturbed, with the rate it began with; the reminder is checked once the
    // pass has ended and the refresh runs again.
    QCOMPARE(f.players.played.last(), "eurusd");
    QCOMPARE(f.players.playing().size(), 1);
    QCOMPARE(f.playToEnd(), QStringList({"eurusd", "1m", "dianm", "1m", "0m", "0m", "0m"}));
    QVERIFY(form.Timer2.isEnabled());
    f.tickWithPage(page.bytes());
    QCOMPARE(f.players.played.last(), "Bell");
}

void TestReminderGroup::timesBoxKeepsWhatIsTyped_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("enter");
    QTest::addColumn<int>("cycles"); // of the alert that fires next

    // The box neither completes nor corrects what is typed, with Enter or without: only the five words,
    // exactly, are a count (the alert's own table), any other text still gives the alert one cycle.
    QTest::newRow("Three, Enter") << "Three" << true << 3;
    QTest::newRow("Two") << "Two" << false << 2;
    QTest::newRow("three, Enter") << "three" << true << 1;
    QTest::newRow("t") << "t" << false << 1;
    QTest::newRow("T, Enter") << "T" << true << 1;
    QTest::newRow("Fiv") << "Fiv" << false << 1;
}

void TestReminderGroup::timesBoxKeepsWhatIsTyped()
{
    QFETCH(QString, typed);
    QFETCH(bool, enter);
    QFETCH(int, cycles);

    Form1Fixture f;
    Form1 &form = *f.form;
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    form.Combo5->setFocus();
    QVERIFY(form.Combo5->hasFocus());
    QTest::keyClick(form.Combo5, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(form.Combo5, typed);
    if (enter)
        QTest::keyClick(form.Combo5, Qt::Key_Return);
    QCOMPARE(form.Combo5->currentText(), typed);

    form.List3->addItem(QStringLiteral("EUR/USD<1.1"));
    f.setRate(QStringLiteral("EUR/USD"), QStringLiteral("1.0500"));
    form.checkReminders();
    QCOMPARE(f.playToEnd().size(), 4 * cycles);
    QCOMPARE(form.Combo5->currentText(), typed);
}

QTEST_MAIN(TestReminderGroup)
#include "tst_reminder_group.moc"
