// SPDX-License-Identifier: GPL-3.0-or-later
#include "sources/polled_source.h"

namespace vantrel::feed {

PolledSource::PolledSource(QString description, PollingSettings settings, SourceContext context, QObject *parent)
    : QuoteSource(std::move(description), std::move(context), parent)
    , m_settings(std::move(settings))
    , m_fetcher(m_settings.limits)
{
    connect(&m_timer, &QTimer::timeout, this, &PolledSource::poll);
}

void PolledSource::start()
{
    m_timer.start(m_settings.interval);
    poll();
}

void PolledSource::poll()
{
    if (m_fetcher.busy())
        return;
    m_fetcher.get(request(), [this](const FetchResult &result) {
        if (result.error.isEmpty())
            takeAnswer(result.body);
        else
            noteFailure(failureOf(result));
    });
}

} // namespace vantrel::feed
