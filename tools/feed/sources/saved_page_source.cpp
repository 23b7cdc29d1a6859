// SPDX-License-Identifier: GPL-3.0-or-later
#include "sources/saved_page_source.h"

namespace vantrel::feed {

SavedPageSource::SavedPageSource(QByteArray page, SourceContext context, QObject *parent)
    : QuoteSource(QStringLiteral("the saved page"), std::move(context), parent)
    , m_page(std::move(page))
{
    markAlwaysFresh();
}

} // namespace vantrel::feed
