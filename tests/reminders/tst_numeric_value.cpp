// SPDX-License-Identifier: GPL-3.0-or-later
#include "reminders/numeric_value.h"
#include "reminders/reminder_entry.h"

#include <QTest>

#include <cmath>
#include <limits>

using namespace vantrel;

class TestNumericValue : public QObject
{
    Q_OBJECT

private slots:
    void valueOfText_data();
    void valueOfText();
    void thresholdBoxes_data();
    void thresholdBoxes();
    void entriesFire_data();
    void entriesFire();
    void entryRecognition_data();
    void entryRecognition();
};

void TestNumericValue::valueOfText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");

    const double inf = std::numeric_limits<double>::infinity();
    QTest::newRow("plain") << "1.2650" << 1.265;
    QTest::newRow("trailing letters") << "1.26abc" << 1.26;
    QTest::newRow("blank inside") << "1 .5" << 1.5;
    QTest::newRow("tabs and line feeds") << "\t1\n2.\r5 " << 12.5;
    QTest::newRow("letters only") << "abc" << 0.0;
    QTest::newRow("zero") << "0.000" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("sign only") << "-" << 0.0;
    QTest::newRow("point only") << "." << 0.0;
    QTest::newRow("negative") << "-104.5" << -104.5;
    QTest::newRow("plus sign") << "+7" << 7.0;
    QTest::newRow("leading point") << ".75" << 0.75;
    QTest::newRow("second point ends it") << "1.2.3" << 1.2;
    QTest::newRow("group separator ends it") << "1,234.5678" << 1.0;
    QTest::newRow("exponent") << "1.5E2" << 150.0;
    QTest::newRow("D exponent") << "2d-1" << 0.2;
    QTest::newRow("lower-case exponent with sign") << "3e+2x" << 300.0;
    QTest::newRow("exponent without digits") << "4E" << 4.0;
    QTest::newRow("exponent sign without digits") << "4E-" << 4.0;
    QTest::newRow("hexadecimal") << "&HFF" << 255.0;
    QTest::newRow("lower-case hexadecimal") << "&h1aZ" << 26.0;
    QTest::newRow("octal") << "&O17" << 15.0;
    QTest::newRow("octal stops at 8") << "&O78" << 7.0;
    QTest::newRow("ampersand alone") << "&" << 0.0;
    QTest::newRow("other ampersand") << "&X12" << 0.0;
    QTest::newRow("huge exponent") << "1E99999999999999999999" << inf;
    QTest::newRow("huge negative") << "-9e400" << -inf;
    QTest::newRow("tiny") << "1e-400" << 0.0;
    QTest::newRow("many digits") << "1" + QString(400, '0') << inf;
    QTest::newRow("many zero decimals") << "0." + QString(400, '0') + "1" << 0.0;
    QTest::newRow("comma is not a decimal point") << "1,5" << 1.0;
}

void TestNumericValue::valueOfText()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    const double result = numericValue(text);
    if (std::isinf(value))
        QCOMPARE(result, value);
    else
        QVERIFY2(std::abs(result - value) <= 1e-12 * std::max(1.0, std::abs(value)),
                 qPrintable(QString::number(result, 'g', 17)));
}

void TestNumericValue::thresholdBoxes_data()
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

void TestNumericValue::thresholdBoxes()
{
    QFETCH(QString, text);
    QFETCH(int, kind);
    QCOMPARE(int(classifyThreshold(text)), kind);
}

void TestNumericValue::entriesFire_data()
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

void TestNumericValue::entriesFire()
{
    QFETCH(QString, entry);
    QFETCH(QString, rate);
    QFETCH(bool, fires);
    const std::optional<ReminderEntry> parsed = parseReminderEntry(entry);
    QVERIFY(parsed);
    QCOMPARE(parsed->text(), entry);
    QCOMPARE(parsed->firesAt(rate), fires);
}

void TestNumericValue::entryRecognition_data()
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

void TestNumericValue::entryRecognition()
{
    QFETCH(QString, line);
    QFETCH(bool, recognised);
    QCOMPARE(parseReminderEntry(line).has_value(), recognised);
}

QTEST_APPLESS_MAIN(TestNumericValue)
#include "tst_numeric_value.moc"
