#include "quotes/pair_catalogue.h"
#include "quotes/quote_layout.h"
#include "quotes/quote_line_parser.h"
#include "quotes/quote_page.h"
#include "support/test_page.h"

#include <QTest>

using namespace vantrel;
using vantrel::test::TestPage;

namespace {

QString quoteLine(const TestPage &page)
{
    return *quoteLineOf(page.bytes());
}

QString rateOf(const RateTable &rates, const char *pair)
{
    return *rates.rateOf(QLatin1String(pair));
}

} // namespace

class TestQuoteLineParser : public QObject
{
    Q_OBJECT

private slots:
    void readsPairRate_data();
    void readsPairRate();
    void storesEveryPair();
    void stopsAtFirstBadField_data();
    void stopsAtFirstBadField();
    void cutsFieldsAtLineEnd();
};

void TestQuoteLineParser::readsPairRate_data()
{
    QTest::addColumn<QString>("pair");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<QString>("rate");

    QTest::newRow("mean of bid and offer") << "AUD/USD" << "0.7345" << "0.7350" << "0.7348";
    QTest::newRow("yen half rounds up") << "USD/JPY" << "108.12" << "108.17" << "108.15";
    QTest::newRow("width 5 yen pair") << "AUD/JPY" << "88.03" << "88.04" << "88.04";
    QTest::newRow("width 5 one decimal") << "CHF/JPY" << "170.7" << "170.8" << "170.75";
    QTest::newRow("width 7 pair") << "GBP/HKD" << "12.3456" << "12.3458" << "12.3457";
    QTest::newRow("width 7 padded") << "GBP/HKD" << " 9.9187" << " 9.9190" << "9.9189";
    QTest::newRow("four decimals from a short field") << "EUR/USD" << "1.2" << "1.3" << "1.2500";
    QTest::newRow("group separator") << "USD/JPY" << "1,234" << "1,235" << "1,234.50";
}

void TestQuoteLineParser::readsPairRate()
{
    QFETCH(QString, pair);
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(QString, rate);

    TestPage page;
    page.setPrices(pair, first, second);
    RateTable rates;
    QVERIFY(readQuoteLine(quoteLine(page), rates).complete());
    QCOMPARE(*rates.rateOf(pair), rate);
}

void TestQuoteLineParser::storesEveryPair()
{
    TestPage page(QStringLiteral("1.1111"));
    RateTable rates;
    const QuoteLineOutcome outcome = readQuoteLine(quoteLine(page), rates);
    QCOMPARE(outcome.pairsStored, kPairCount);
    for (int i = 0; i < kPairCount; ++i)
        QCOMPARE(rates.rate(i), pairCatalogue()[i].decimals == 4 ? "1.1111" : "1.11");
}

void TestQuoteLineParser::stopsAtFirstBadField_data()
{
    QTest::addColumn<QString>("pair");
    QTest::addColumn<int>("which");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("pairsStored");

    QTest::newRow("letters in the tenth pair") << "AUD/CHF" << 0 << "ab.cde" << 9;
    QTest::newRow("second price of the first pair") << "AUD/USD" << 1 << "" << 0;
    QTest::newRow("five characters and markup") << "USD/JPY" << 0 << "108.1<" << 7;
    QTest::newRow("last pair") << "SGD/JPY" << 1 << "--" << 34;
}

void TestQuoteLineParser::stopsAtFirstBadField()
{
    QFETCH(QString, pair);
    QFETCH(int, which);
    QFETCH(QString, text);
    QFETCH(int, pairsStored);

    RateTable rates;
    readQuoteLine(quoteLine(TestPage(QStringLiteral("2.0000"))), rates);

    TestPage page(QStringLiteral("3.0000"));
    page.setField(pair, which, text);
    const QuoteLineOutcome outcome = readQuoteLine(quoteLine(page), rates);

    QCOMPARE(outcome.pairsStored, pairsStored);
    QVERIFY(outcome.failure.has_value());
    QCOMPARE(QLatin1String(pairCatalogue()[outcome.failure->catalogueIndex].name), pair);
    QVERIFY(outcome.failure->describe().startsWith(pair + QLatin1Char(':')));

    // Pairs before the bad one in parse order hold the new page's rates, the rest keep the old ones.
    const auto &layout = quotePageLayout();
    for (int i = 0; i < int(layout.size()); ++i) {
        const QString rate = rates.rate(layout[i].catalogueIndex);
        QVERIFY2(rate.startsWith(i < pairsStored ? '3' : '2'), qPrintable(rate));
    }
}

void TestQuoteLineParser::cutsFieldsAtLineEnd()
{
    TestPage page;
    // EUR/USD's offer is cut to "1.2" by the end of the line; GBP/USD lies wholly beyond it.
    page.setPrices(QStringLiteral("EUR/USD"), QStringLiteral("1.2000"), QStringLiteral("1.2222"));
    const int eurUsdOffer = 6765;
    page.truncateQuoteLine(eurUsdOffer + 2);

    RateTable rates;
    const QuoteLineOutcome outcome = readQuoteLine(quoteLine(page), rates);
    QCOMPARE(rateOf(rates, "EUR/USD"), "1.2000");
    QCOMPARE(outcome.pairsStored, 2);
    QCOMPARE(outcome.failure->text, QString());
    QCOMPARE(cutField(u"abc", 3, 6), u"c");
    QVERIFY(cutField(u"abc", 4, 6).isEmpty());
}

QTEST_APPLESS_MAIN(TestQuoteLineParser)
#include "tst_quote_line_parser.moc"
