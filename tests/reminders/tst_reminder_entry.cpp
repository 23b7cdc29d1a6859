// SPDX-License-Identifier: GPL-3.0-or-later
#include "reminders/reminder_entry.h"

#include <QTest>

using namespace vantrel;

// The entries of "Key price reminders": what the threshold boxes accept, which lines are entries, and when
// an entry fires.
class TestReminderEntry : public QObject
{
    Q_OBJECT

private slots:
    void thresholdBoxes_data();
    void thresholdBoxes();
    void entriesFire_data();
    void entriesFire();
    void entryRecognition_data();
    void entryRecognition();
};

void TestReminderEntry::thresholdBoxes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("kind");

    QTest::newRow("empty") << "" << int(ThresholdText::Empty);
    QTest::newRow("number") << "1.2650" << int(ThresholdText::Valid);
    QTest::newRow("number and letters") << "1.26abc" << int(ThresholdText::Valid);
    QTest::newRow("negative") << "-3" << int(ThresholdText::Valid);
    QTest::newRow("zero") << "0" << int(ThresholdText::Faulty);
    QTest::newRow("letters") << "abc" << int(ThresholdText::Faulty);
    QTest::newRow("blank") << " " << int(ThresholdText::Faulty);
}

void TestReminderEntry::thresholdBoxes()
{
    QFETCH(QString, text);
    QFETCH(int, kind);
    QCOMPARE(int(classifyThreshold(text)), kind);
}

void TestReminderEntry::entriesFire_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("rate");
    QTest::addColumn<bool>("fires");

    QTest::newRow("upper at equality") << "EUR/USD>1.2650" << "1.2650" << true;
    QTest::newRow("upper below") << "EUR/USD>1.2650" << "1.2649" << false;
    QTest::newRow("lower above") << "EUR/USD<1.2650" << "1.2651" << false;
    QTest::newRow("lower at equality") << "EUR/USD<1.2650" << "1.2650" << true;
    QTest::newRow("threshold with letters") << "EUR/USD>1.26abc" << "1.2600" << true;
    QTest::newRow("rate with group separator") << "USD/JPY>1000" << "1,234.50" << true;
    QTest::newRow("lower on a rate not read yet") << "EUR/USD<1.2650" << "" << false;
    QTest::newRow("upper on a rate not read yet") << "EUR/USD>-5" << "" << false;
}

void TestReminderEntry::entriesFire()
{
    QFETCH(QString, entry);
    QFETCH(QString, rate);
    QFETCH(bool, fires);
    const std::optional<ReminderEntry> parsed = parseReminderEntry(entry);
    QVERIFY(parsed);
    QCOMPARE(parsed->text(), entry);
    QCOMPARE(parsed->firesAt(rate), fires);
}

void TestReminderEntry::entryRecognition_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("recognised");

    QTest::newRow("upper") << "GBP/USD>1.30" << true;
    QTest::newRow("blank kept in threshold") << "GBP/USD> 1.30" << true;
    QTest::newRow("unknown pair") << "USD/DKK>6.5" << false;
    QTest::newRow("no sign") << "GBP/USD=1.30" << false;
    QTest::newRow("too short") << "GBP/USD" << false;
    QTest::newRow("lower case pair") << "gbp/usd<1.3" << false;
}

void TestReminderEntry::entryRecognition()
{
    QFETCH(QString, line);
    QFETCH(bool, recognised);
    QCOMPARE(parseReminderEntry(line).has_value(), recognised);
}

QTEST_APPLESS_MAIN(TestReminderEntry)
#include "tst_reminder_entry.moc"
