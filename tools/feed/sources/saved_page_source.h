// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sources/quote_source.h"

namespace vantrel::feed {

// A saved page served byte for byte. It is read once, so that editing the file while serving changes
// nothing half-way.
class SavedPageSource : public QuoteSource
{
    Q_OBJECT

public:
    SavedPageSource(QByteArray page, SourceContext context, QObject *parent = nullptr);

    QByteArray page() override { return m_page; }

private:
    QByteArray m_page;
};

} // namespace vantrel::feed
