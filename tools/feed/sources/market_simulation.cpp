// SPDX-License-Identifier: GPL-3.0-or-later
#include "sources/market_simulation.h"

#include "page/quote_page_writer.h"

#include <QLatin1StringView>
#include <QTimeZone>

#include <cmath>

namespace vantrel::feed {
namespace {

struct CurrencyModel {
    const char *code;
    double startValue; // in USD
    double volatility; // standard deviation of one step of log value
    double reversion;  // share of the distance to the start value recovered per step
};

// Volatilities give EUR/USD a pip or two per step and about thirty pips an hour; HKD is held close to
// its peg. Reversion this gentle barely shows within an hour but keeps a day-long run near the start.
constexpr std::array<CurrencyModel, MarketSimulation::kCurrencyCount> kCurrencies{{
    {"USD", 1.0, 0.0, 0.0},
    {"EUR", 1.0850, 1.5e-4, 1e-3},
    {"GBP", 1.2700, 1.6e-4, 1e-3},
    {"AUD", 0.6600, 1.8e-4, 1e-3},
    {"CAD", 1.0 / 1.3600, 1.2e-4, 1e-3},
    {"CHF", 1.0 / 0.8800, 1.4e-4, 1e-3},
    {"HKD", 1.0 / 7.8100, 1.0e-5, 2e-2},
    {"JPY", 1.0 / 150.20, 1.6e-4, 1e-3},
    {"SGD", 1.0 / 1.3450, 1.0e-4, 1e-3},
}};

constexpr double kMajorSpread = 2e-4; // of the mid rate, offer minus bid
constexpr double kCrossSpread = 4e-4;
constexpr int kSecondsPerStep = 3;    // Vantrel refreshes every three seconds

int currencyIndex(QLatin1StringView code)
{
    for (int i = 0; i < MarketSimulation::kCurrencyCount; ++i) {
        if (code == QLatin1StringView(kCurrencies[i].code))
            return i;
    }
    Q_UNREACHABLE();
    return 0;
}

struct PairCurrencies {
    int base;
    int quote;
};

const std::array<PairCurrencies, kPairCount> &pairCurrencies()
{
    static const std::array<PairCurrencies, kPairCount> pairs = [] {
        std::array<PairCurrencies, kPairCount> result{};
        for (int i = 0; i < kPairCount; ++i) {
            const QLatin1StringView name(pairCatalogue()[i].name);
            result[i] = {currencyIndex(name.first(3)), currencyIndex(name.last(3))};
        }
        return result;
    }();
    return pairs;
}

// Rounded to the pair's own decimals first, as a dealer quotes it.
PriceUnits toPriceUnits(double price, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    const auto quoted = static_cast<PriceUnits>(std::llround(price * scale));
    PriceUnits units = quoted;
    for (int d = decimals; d < 4; ++d)
        units *= 10;
    return units;
}

} // namespace

MarketSimulation::MarketSimulation(quint64 seed)
    : m_random(seed)
{
    for (int i = 0; i < kCurrencyCount; ++i)
        m_logValue[i] = std::log(kCurrencies[i].startValue);
}

void MarketSimulation::step()
{
    for (int i = 0; i < kCurrencyCount; ++i) {
        const CurrencyModel &model = kCurrencies[i];
        const double shock = m_normal(m_random);
        const double pull = model.reversion * (std::log(model.startValue) - m_logValue[i]);
        m_logValue[i] += pull + model.volatility * shock;
    }
    ++m_steps;
}

double MarketSimulation::midRate(int catalogueIndex) const
{
    const PairCurrencies &pair = pairCurrencies().at(catalogueIndex);
    return std::exp(m_logValue[pair.base] - m_logValue[pair.quote]);
}

QuotedPairs MarketSimulation::quotedPairs() const
{
    QuotedPairs quoted{};
    for (int i = 0; i < kPairCount; ++i) {
        const PairInfo &info = pairCatalogue()[i];
        const double halfSpread = (info.type == PairType::Major ? kMajorSpread : kCrossSpread) / 2;
        const double mid = midRate(i);
        quoted[i] = {toPriceUnits(mid * (1 - halfSpread), info.decimals),
                     toPriceUnits(mid * (1 + halfSpread), info.decimals)};
    }
    return quoted;
}

QDateTime MarketSimulation::marketTime() const
{
    static const QDateTime sessionStart(QDate(2024, 3, 4), QTime(9, 0), QTimeZone::utc());
    return sessionStart.addSecs(m_steps * kSecondsPerStep);
}

QByteArray MarketSimulation::renderPage() const
{
    return writeQuotePage(quotedPairs(), marketTime());
}

} // namespace vantrel::feed
