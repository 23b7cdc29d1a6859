// SPDX-License-Identifier: GPL-3.0-or-later
#include "sources/market_simulation.h"
#include "page/quote_line_writer.h"

#include "quotes/pair_catalogue.h"
#include "quotes/price.h"
#include "quotes/quote_layout.h"
#include "quotes/quote_line_parser.h"
#include "quotes/quote_page.h"

#include <QTest>

using namespace vantrel;
using namespace vantrel::feed;

namespace {

double rateOf(const RateTable &rates, const char *pair)
{
    return double(parsePriceField(*rates.rateOf(QLatin1StringView(pair))).value_or(0)) / 1e4;
}

} // namespace

class TestFeedMarketSimulation : public QObject
{
    Q_OBJECT

private slots:
    void formatsPriceFields_data();
    void formatsPriceFields();
    void pagesReadWholeAndRealistic_data();
    void pagesReadWholeAndRealistic();
    void pricesStayInsideTheirFields();
    void stepsMoveTheRatesRepeatably();
};

void TestFeedMarketSimulation::formatsPriceFields_data()
{
    QTest::addColumn<qint64>("price"); // 1e-4
    QTest::addColumn<int>("decimals");
    QTest::addColumn<int>("width");
    QTest::addColumn<QByteArray>("field"); // null: does not fit

    QTest::newRow("major fills its field") << qint64(10850) << 4 << 6 << QByteArray("1.0850");
    QTest::newRow("padded on the left") << qint64(99187) << 4 << 7 << QByteArray(" 9.9187");
    QTest::newRow("one decimal less, rounded up") << qint64(1706500) << 2 << 5 << QByteArray("170.7");
    QTest::newRow("rounding carries into the integer") << qint64(99999) << 4 << 5 << QByteArray("10.00");
    QTest::newRow("wider than the field") << qint64(1234567) << 2 << 2 << QByteArray();
}

void TestFeedMarketSimulation::formatsPriceFields()
{
    QFETCH(qint64, price);
    QFETCH(int, decimals);
    QFETCH(int, width);
    QFETCH(QByteArray, field);

    const std::optional<QByteArray> text = formatPriceField(price, decimals, width);
    QCOMPARE(text.has_value(), !field.isNull());
    if (text)
        QCOMPARE(*text, field);
}

void TestFeedMarketSimulation::pagesReadWholeAndRealistic_data()
{
    QTest::addColumn<quint64>("seed");
    QTest::addColumn<int>("steps");

    for (quint64 seed : {1ull, 42ull, 20240304ull, ~0ull}) {
        QTest::addRow("seed %llu, first page", seed) << seed << 1;
        QTest::addRow("seed %llu, after an hour", seed) << seed << 1200;
    }
}

void TestFeedMarketSimulation::pagesReadWholeAndRealistic()
{
    QFETCH(quint64, seed);
    QFETCH(int, steps);

    MarketSimulation market(seed);
    for (int i = 0; i < steps; ++i)
        market.step();
    const QByteArray page = market.renderPage();
    QVERIFY2(page.size() > 16 * 1024 && page.size() < 64 * 1024, QByteArray::number(page.size()));
    const std::optional<QString> line = quoteLineOf(page);
    QVERIFY(line && line->size() >= quoteLineMinimumLength());
    RateTable rates;
    const QuoteLineOutcome outcome = readQuoteLine(*line, rates);
    QVERIFY2(outcome.complete(), qPrintable(outcome.failure ? outcome.failure->describe() : QString()));

    const double eurUsd = rateOf(rates, "EUR/USD");
    const double usdJpy = rateOf(rates, "USD/JPY");
    const double gbpJpy = rateOf(rates, "GBP/JPY");
    QVERIFY2(eurUsd > 1.05 && eurUsd < 1.20, QByteArray::number(eurUsd));
    QVERIFY2(usdJpy > 140 && usdJpy < 160, QByteArray::number(usdJpy));
    QVERIFY2(gbpJpy > 180 && gbpJpy < 200, QByteArray::number(gbpJpy));

    // Each cross against the product of its two legs through USD.
    const auto agree = [](double cross, double implied) { return std::abs(cross / implied - 1) < 0.003; };
    QVERIFY(agree(rateOf(rates, "EUR/JPY"), eurUsd * usdJpy));
    QVERIFY(agree(gbpJpy, rateOf(rates, "GBP/USD") * usdJpy));
    QVERIFY(agree(rateOf(rates, "AUD/CAD"), rateOf(rates, "AUD/USD") * rateOf(rates, "USD/CAD")));
    QVERIFY(agree(rateOf(rates, "GBP/EUR"), rateOf(rates, "GBP/USD") / eurUsd));
    QVERIFY(agree(rateOf(rates, "CHF/HKD"), rateOf(rates, "USD/HKD") / rateOf(rates, "USD/CHF")));
    QVERIFY(agree(rateOf(rates, "SGD/JPY"), usdJpy / rateOf(rates, "USD/SGD")));
}

void TestFeedMarketSimulation::pricesStayInsideTheirFields()
{
    // A price running past its field would put a digit right beside it.
    const QByteArrayView numberCharacters("0123456789.,+-");
    MarketSimulation market(7);
    for (int page = 0; page < 50; ++page) {
        for (int i = 0; i < 60; ++i)
            market.step();
        const QString line = *quoteLineOf(market.renderPage());
        for (const QuoteFieldLayout &field : quotePageLayout()) {
            for (int start : {field.firstStart, field.secondStart()}) {
                const QChar before = line.at(start - 2);
                const QChar after = line.at(start - 1 + field.width);
                QVERIFY2(!numberCharacters.contains(before.toLatin1()) && !numberCharacters.contains(after.toLatin1()),
                         qPrintable(QStringLiteral("field at %1 in \"%2\"").arg(start).arg(line.mid(start - 3, field.width + 4))));
                QVERIFY(parsePriceField(line.mid(start - 1, field.width)).value_or(0) > 0);
            }
        }
    }
}

void TestFeedMarketSimulation::stepsMoveTheRatesRepeatably()
{
    const int eurUsd = *findPair(QStringLiteral("EUR/USD"));
    MarketSimulation market(3), twin(3), other(4);
    int eurUsdMoves = 0;
    for (int i = 0; i < 20; ++i) {
        const QByteArray before = market.renderPage();
        const double eurUsdBefore = market.midRate(eurUsd);
        market.step(), twin.step(), other.step();
        QVERIFY(market.renderPage() != before);
        QCOMPARE(market.renderPage(), twin.renderPage());
        QVERIFY(market.renderPage() != other.renderPage());
        eurUsdMoves += std::abs(market.midRate(eurUsd) - eurUsdBefore) >= 0.00005 ? 1 : 0;
    }
    // A pip or two most of the time, as a live page moves between two refreshes.
    QVERIFY2(eurUsdMoves >= 10, QByteArray::number(eurUsdMoves));
}

QTEST_APPLESS_MAIN(TestFeedMarketSimulation)
#include "tst_feed_market_simulation.moc"
