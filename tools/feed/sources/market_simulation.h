// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "page/quote_line_writer.h"

#include <QByteArray>
#include <QDateTime>

#include <array>
#include <random>

namespace vantrel::feed {

// A foreign exchange market that moves like a real one, for the quote pages vantrel-feed serves.
// Each currency's value in USD follows a random walk in log space that drifts gently back to where it
// started, so an hour of pages stays in realistic ranges; every pair's mid rate is derived from the two
// values, so the crosses always agree with the majors. The same seed gives the same pages.
class MarketSimulation
{
public:
    explicit MarketSimulation(quint64 seed);

    // The movement between two pages, one refresh interval of market time.
    void step();

    // The whole quote page for the current rates.
    QByteArray renderPage() const;

    // The mid rate of a catalogue pair: value of its base currency over value of its quote currency.
    double midRate(int catalogueIndex) const;

    // The bid and offer the page shows for each pair, before they are written into their fields.
    QuotedPairs quotedPairs() const;

    // The market time the page heading shows: a fixed session start plus one refresh per step.
    QDateTime marketTime() const;

    static constexpr int kCurrencyCount = 9;

private:
    std::mt19937_64 m_random;
    std::normal_distribution<double> m_normal{0.0, 1.0};
    std::array<double, kCurrencyCount> m_logValue{}; // natural log of the value in USD
    qint64 m_steps = 0;
};

} // namespace vantrel::feed
