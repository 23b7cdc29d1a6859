// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sources/market_simulation.h"
#include "sources/quote_source.h"

namespace vantrel::feed {

// The simulated market, one step for every page, so that each request sees the market move.
class SimulatedSource : public QuoteSource
{
    Q_OBJECT

public:
    SimulatedSource(quint64 seed, SourceContext context, QObject *parent = nullptr);

    QByteArray page() override;

private:
    MarketSimulation m_market;
};

} // namespace vantrel::feed
