// SPDX-License-Identifier: GPL-3.0-or-later
#include "reminders/numeric_value.h"

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

QTEST_APPLESS_MAIN(TestNumericValue)
#include "tst_numeric_value.moc"
