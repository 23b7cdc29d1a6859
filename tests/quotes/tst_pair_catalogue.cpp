// SPDX-License-Identifier: GPL-3.0-or-later
#include "quotes/pair_catalogue.h"
#include "quotes/quote_layout.h"
#include "quotes/rate_table.h"

#include <QSet>
#include <QTest>

using namespace vantrel;

class TestPairCatalogue : public QObject
{
    Q_OBJECT

private slots:
    void typesListTheirPairsInCatalogueOrder();
    void yenPairsHaveTwoDecimals();
    void lookUpIsExact_data();
    void lookUpIsExact();
    void layoutCoversEveryPairOnce();
    void rateTableStartsEmptyAndFillsByPair();
};

void TestPairCatalogue::typesListTheirPairsInCatalogueOrder()
{
    QCOMPARE(pairNamesOfType(PairType::Major),
             QStringList({"AUD/USD", "EUR/USD", "GBP/USD", "USD/CAD", "USD/CHF", "USD/HKD", "USD/JPY",
                          "USD/SGD"}));
    const QStringList crosses = pairNamesOfType(PairType::Cross);
    QCOMPARE(crosses.size(), 27);
    QCOMPARE(crosses.first(), "AUD/CAD");
    QCOMPARE(crosses.last(), "SGD/JPY");
    QCOMPARE(allPairNames().mid(8), crosses);
}

void TestPairCatalogue::yenPairsHaveTwoDecimals()
{
    for (const PairInfo &pair : pairCatalogue()) {
        const bool yen = QLatin1String(pair.name).endsWith(QLatin1String("/JPY"));
        QCOMPARE(pair.decimals, yen ? 2 : 4);
    }
}

void TestPairCatalogue::lookUpIsExact_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("index");

    QTest::newRow("first") << "AUD/USD" << 0;
    QTest::newRow("last") << "SGD/JPY" << 34;
    QTest::newRow("unknown pair") << "USD/DKK" << -1;
    QTest::newRow("lower case") << "eur/usd" << -1;
    QTest::newRow("trailing blank") << "EUR/USD " << -1;
}

void TestPairCatalogue::lookUpIsExact()
{
    QFETCH(QString, name);
    QFETCH(int, index);
    QCOMPARE(findPair(name).value_or(-1), index);
    QCOMPARE(RateTable().rateOf(name).has_value(), index >= 0);
}

void TestPairCatalogue::layoutCoversEveryPairOnce()
{
    QSet<int> seen;
    for (const QuoteFieldLayout &field : quotePageLayout())
        seen.insert(field.catalogueIndex);
    QCOMPARE(seen.size(), kPairCount);
    QCOMPARE(quoteLineMinimumLength(), 17965);
    QCOMPARE(clipNameOf(QStringLiteral("GBP/HKD")), QStringLiteral("gbphkd"));
}

void TestPairCatalogue::rateTableStartsEmptyAndFillsByPair()
{
    RateTable rates;
    for (const QString &name : allPairNames())
        QCOMPARE(rates.rateOf(name).value_or(QStringLiteral("not in the table")), QString());

    // A refresh's store fills that pair alone, by position and by name alike.
    const int eurUsd = findPair(QStringLiteral("EUR/USD")).value();
    rates.store(eurUsd, QStringLiteral("1.0850"));
    for (int i = 0; i < kPairCount; ++i)
        QCOMPARE(rates.rate(i), i == eurUsd ? QStringLiteral("1.0850") : QString());
    QCOMPARE(rates.rateOf(QStringLiteral("EUR/USD")).value_or(QString()), QStringLiteral("1.0850"));
}

QTEST_APPLESS_MAIN(TestPairCatalogue)
#include "tst_pair_catalogue.moc"
