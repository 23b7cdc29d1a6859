// SPDX-License-Identifier: GPL-3.0-or-later
#include "quotes/price.h"

#include <QTest>

using namespace vantrel;

class TestPrice : public QObject
{
    Q_OBJECT

private slots:
    void parsesField_data();
    void parsesField();
    void rejectsField_data();
    void rejectsField();
    void formatsMidRate_data();
    void formatsMidRate();
    void dropsDecimals_data();
    void dropsDecimals();
};

void TestPrice::parsesField_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<qint64>("units");

    QTest::newRow("four decimals") << "0.7345" << qint64(7345);
    QTest::newRow("two decimals") << "108.12" << qint64(1081200);
    QTest::newRow("one decimal") << "170.7" << qint64(1707000);
    QTest::newRow("no decimals") << "108" << qint64(1080000);
    QTest::newRow("trailing point") << "108." << qint64(1080000);
    QTest::newRow("leading point") << ".7345" << qint64(7345);
    QTest::newRow("blanks around") << " 9.9187" << qint64(99187);
    QTest::newRow("blanks after") << "1.23  " << qint64(12300);
    QTest::newRow("group separator") << "1,234.5" << qint64(12345000);
    QTest::newRow("plus sign") << "+1.5" << qint64(15000);
    QTest::newRow("minus sign") << "-1.5" << qint64(-15000);
    QTest::newRow("fifth decimal half rounds up") << "0.73475" << qint64(7348);
    QTest::newRow("fifth decimal below half") << "0.734749" << qint64(7347);
    QTest::newRow("negative half away from zero") << "-0.00005" << qint64(-1);
}

void TestPrice::parsesField()
{
    QFETCH(QString, field);
    QFETCH(qint64, units);
    const std::optional<PriceUnits> parsed = parsePriceField(field);
    QVERIFY(parsed.has_value());
    QCOMPARE(*parsed, units);
}

void TestPrice::rejectsField_data()
{
    QTest::addColumn<QString>("field");

    QTest::newRow("empty") << "";
    QTest::newRow("blanks only") << "      ";
    QTest::newRow("letters") << "ab.cde";
    QTest::newRow("trailing markup") << "0.734<";
    QTest::newRow("leading markup") << ">0.734";
    QTest::newRow("two points") << "1.2.3";
    QTest::newRow("sign only") << "-";
    QTest::newRow("point only") << ".";
    QTest::newRow("blank inside") << "1. 23";
    QTest::newRow("leading comma") << ",123";
    QTest::newRow("too many digits") << "12345678901234567890";
}

void TestPrice::rejectsField()
{
    QFETCH(QString, field);
    QVERIFY(!parsePriceField(field).has_value());
}

void TestPrice::formatsMidRate_data()
{
    QTest::addColumn<qint64>("first");
    QTest::addColumn<qint64>("second");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("text");

    QTest::newRow("mean of two prices") << qint64(7345) << qint64(7350) << 4 << "0.7348";
    QTest::newRow("half of the fifth decimal up") << qint64(7347) << qint64(7348) << 4 << "0.7348";
    QTest::newRow("yen half up") << qint64(1081200) << qint64(1081700) << 2 << "108.15";
    QTest::newRow("yen below half") << qint64(1081440) << qint64(1081450) << 2 << "108.14";
    QTest::newRow("exact") << qint64(12345) << qint64(12345) << 4 << "1.2345";
    QTest::newRow("group separator") << qint64(12345000) << qint64(12345000) << 4 << "1,234.5000";
    QTest::newRow("two groups") << qint64(12345678900) << qint64(12345678900) << 2 << "1,234,567.89";
    QTest::newRow("three digits, no separator") << qint64(9990000) << qint64(9990000) << 2 << "999.00";
    QTest::newRow("leading zero kept") << qint64(1) << qint64(2) << 4 << "0.0002";
    QTest::newRow("zero") << qint64(0) << qint64(0) << 2 << "0.00";
    QTest::newRow("rounds into the next integer") << qint64(99999) << qint64(100000) << 2 << "10.00";
    QTest::newRow("negative half away from zero") << qint64(-7347) << qint64(-7348) << 4 << "-0.7348";
}

void TestPrice::formatsMidRate()
{
    QFETCH(qint64, first);
    QFETCH(qint64, second);
    QFETCH(int, decimals);
    QFETCH(QString, text);
    QCOMPARE(formatRate(midRateOf(first, second), decimals), text);
}

void TestPrice::dropsDecimals_data()
{
    QTest::addColumn<qint64>("value");
    QTest::addColumn<qint64>("divisor");
    QTest::addColumn<qint64>("quotient");

    QTest::newRow("below half") << qint64(1706449) << qint64(100) << qint64(17064);
    QTest::newRow("half up") << qint64(1706450) << qint64(100) << qint64(17065);
    QTest::newRow("negative half away from zero") << qint64(-15) << qint64(10) << qint64(-2);
    QTest::newRow("negative below half") << qint64(-14) << qint64(10) << qint64(-1);
    QTest::newRow("divisor one") << qint64(-7) << qint64(1) << qint64(-7);
}

void TestPrice::dropsDecimals()
{
    QFETCH(qint64, value);
    QFETCH(qint64, divisor);
    QFETCH(qint64, quotient);
    QCOMPARE(divideRounded(value, divisor), quotient);
}

QTEST_APPLESS_MAIN(TestPrice)
#include "tst_price.moc"
