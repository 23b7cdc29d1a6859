// SPDX-License-Identifier: GPL-3.0-or-later
#include "quotes/pair_catalogue.h"
#include "quotes/quote_layout.h"
#include "quotes/quote_line_parser.h"
#include "quotes/quote_page.h"
#include "support/test_page.h"

#include <QTest>

#include <iterator>
#include <utility>

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
    void readsEveryPairAtItsPlace_data();
    void readsEveryPairAtItsPlace();
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
    QVERIFY(outcome.failure.has_value());
    QCOMPARE(outcome.failure->parseIndex, 2);
    QCOMPARE(QLatin1String(pairCatalogue()[outcome.failure->catalogueIndex].name), "GBP/USD");
    QCOMPARE(outcome.failure->start, 11818);
    QCOMPARE(outcome.failure->text, QString());
    QCOMPARE(cutField(u"abc", 3, 6), u"c");
    QVERIFY(cutField(u"abc", 4, 6).isEmpty());
}

namespace {

// The bank's page as measured, in parse order: where each pair's two prices stand and how wide they
// are, with two prices that fill their fields and the rate they make.
struct MeasuredField {
    const char *pair;
    int first;
    int second;
    int width;
    const char *firstPrice;
    const char *secondPrice;
    const char *rate;
};

constexpr MeasuredField kMeasuredPage[] = {
    {"AUD/USD", 608, 652, 6, "0.7345", "0.7347", "0.7346"},
    {"EUR/USD", 6721, 6765, 6, "1.1823", "1.1825", "1.1824"},
    {"GBP/USD", 11818, 11862, 6, "1.3517", "1.3519", "1.3518"},
    {"USD/CAD", 3666, 3710, 6, "1.2641", "1.2643", "1.2642"},
    {"USD/CHF", 5194, 5238, 6, "0.9156", "0.9158", "0.9157"},
    {"USD/HKD", 3156, 3200, 6, "7.7531", "7.7533", "7.7532"},
    {"USD/SGD", 4684, 4728, 6, "1.3472", "1.3474", "1.3473"},
    {"USD/JPY", 4174, 4218, 6, "108.12", "108.14", "108.13"},
    {"AUD/CAD", 1121, 1165, 6, "0.9285", "0.9287", "0.9286"},
    {"AUD/CHF", 2648, 2692, 6, "0.6725", "0.6727", "0.6726"},
    {"AUD/HKD", 97, 141, 6, "5.6947", "5.6949", "5.6948"},
    {"AUD/JPY", 1632, 1675, 5, "79.41", "79.43", "79.42"},
    {"AUD/SGD", 2135, 2179, 6, "0.9895", "0.9897", "0.9896"},
    {"CAD/HKD", 9269, 9313, 6, "6.1331", "6.1333", "6.1332"},
    {"CAD/JPY", 9779, 9822, 5, "85.53", "85.55", "85.54"},
    {"CAD/SGD", 10281, 10325, 6, "1.0657", "1.0659", "1.0658"},
    {"CHF/CAD", 16904, 16948, 6, "1.3807", "1.3809", "1.3808"},
    {"CHF/HKD", 16392, 16436, 6, "8.4677", "8.4679", "8.4678"},
    {"CHF/JPY", 17414, 17457, 5, "118.1", "118.3", "118.20"},
    {"CHF/SGD", 17916, 17960, 6, "1.4713", "1.4715", "1.4714"},
    {"EUR/AUD", 6213, 6257, 6, "1.6095", "1.6097", "1.6096"},
    {"EUR/CAD", 7231, 7275, 6, "1.4945", "1.4947", "1.4946"},
    {"EUR/CHF", 8759, 8803, 6, "1.0825", "1.0827", "1.0826"},
    {"EUR/HKD", 5702, 5746, 6, "9.1667", "9.1669", "9.1668"},
    {"EUR/JPY", 7739, 7783, 6, "127.83", "127.85", "127.84"},
    {"EUR/SGD", 8249, 8293, 6, "1.5931", "1.5933", "1.5932"},
    {"GBP/AUD", 11310, 11354, 6, "1.8403", "1.8405", "1.8404"},
    {"GBP/CAD", 12836, 12880, 6, "1.7087", "1.7089", "1.7088"},
    {"GBP/CHF", 14364, 14408, 6, "1.2377", "1.2379", "1.2378"},
    {"GBP/EUR", 12326, 12370, 6, "1.1433", "1.1435", "1.1434"},
    {"GBP/HKD", 10789, 10834, 7, "10.4801", "10.4803", "10.4802"},
    {"GBP/JPY", 13344, 13388, 6, "146.15", "146.17", "146.16"},
    {"GBP/SGD", 13854, 13898, 6, "1.8211", "1.8213", "1.8212"},
    {"SGD/HKD", 15382, 15426, 6, "5.7549", "5.7551", "5.7550"},
    {"SGD/JPY", 15892, 15935, 5, "80.25", "80.27", "80.26"},
};

// Where the last price of the page ends: a line of exactly this length carries all 35 pairs.
constexpr int kMeasuredLineLength = 17965;

// A quote line written straight from the measured positions, markup ('x') everywhere else, so that a
// field read one character early, late, short or long is not a number or gives another rate.
QString measuredQuoteLine()
{
    QString line(kMeasuredLineLength, QLatin1Char('x'));
    for (const MeasuredField &field : kMeasuredPage) {
        for (const auto &[start, price] : {std::pair{field.first, field.firstPrice},
                                           std::pair{field.second, field.secondPrice}}) {
            if (qstrlen(price) != uint(field.width) || start - 1 + field.width > line.size())
                qFatal("%s: a measured price does not fill its field", field.pair);
            line.replace(start - 1, field.width, QLatin1String(price));
        }
    }
    return line;
}

} // namespace

void TestQuoteLineParser::readsEveryPairAtItsPlace_data()
{
    QTest::addColumn<int>("parseIndex");
    QTest::addColumn<QString>("pair");
    QTest::addColumn<QString>("rate");

    for (int i = 0; i < int(std::size(kMeasuredPage)); ++i) {
        const MeasuredField &field = kMeasuredPage[i];
        QTest::newRow(field.pair) << i << QString::fromLatin1(field.pair) << QString::fromLatin1(field.rate);
    }
}

void TestQuoteLineParser::readsEveryPairAtItsPlace()
{
    QFETCH(int, parseIndex);
    QFETCH(QString, pair);
    QFETCH(QString, rate);

    RateTable rates;
    const QuoteLineOutcome outcome = readQuoteLine(measuredQuoteLine(), rates);
    QVERIFY2(outcome.complete(), qPrintable(outcome.failure ? outcome.failure->describe() : QString()));
    QCOMPARE(outcome.pairsStored, 35);
    QCOMPARE(*rates.rateOf(pair), rate);

    // The same line with this pair's first price spoiled stops the reading at this pair's place.
    QString spoiled = measuredQuoteLine();
    spoiled[kMeasuredPage[parseIndex].first - 1] = QLatin1Char('#');
    RateTable partial;
    const QuoteLineOutcome stopped = readQuoteLine(spoiled, partial);
    QCOMPARE(stopped.pairsStored, parseIndex);
    QVERIFY(stopped.failure.has_value());
    QCOMPARE(stopped.failure->start, kMeasuredPage[parseIndex].first);
}

QTEST_APPLESS_MAIN(TestQuoteLineParser)
#include "tst_quote_line_parser.moc"
