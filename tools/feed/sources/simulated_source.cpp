// SPDX-License-Identifier: GPL-3.0-or-later
#include "sources/simulated_source.h"

namespace vantrel::feed {

SimulatedSource::SimulatedSource(quint64 seed, SourceContext context, QObject *parent)
    : QuoteSource(QStringLiteral("the simulated market"), std::move(context), parent)
    , m_market(seed)
{
    markAlwaysFresh();
}

QByteArray SimulatedSource::page()
{
    m_market.step();
    return m_market.renderPage();
}

} // namespace vantrel::feed
