// SPDX-License-Identifier: GPL-3.0-or-later
#include "sources/polled_source.h"

namespace vantrel::feed {

PolledSource::PolledSource(QString description, PollingSettings settings, SourceContext context, QObject *parent)
    : QuoteSource(std::move(description), std::move(context), parent)
    , m_settings(std::move(settings))
    , m_fetcher(m_settings.limits)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &PolledSource::poll);
}

void PolledSource::start()
{
    if (!std::exchange(m_started, true))
        poll();
}

QUrl PolledSource::onServer(const QString &path) const
{
    QUrl url = m_settings.url;
    QString base = url.path();
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    url.setPath(base + path);
    return url;
}

void PolledSource::stop()
{
    m_started = false;
    m_timer.stop();
    m_fetcher.cancel();
    m_askWhenAnswered = false;
}

void PolledSource::askNow()
{
    if (!m_started)
        return;
    if (m_fetcher.busy()) {
        m_askWhenAnswered = true;
        return;
    }
    m_timer.stop();
    poll();
}

// Nothing can be served now: a long pause planned while the prices were still current is cut short.
void PolledSource::becameUnavailable()
{
    if (!m_refused && m_timer.isActive() && m_timer.remainingTimeAsDuration() > m_settings.longestRetry)
        m_timer.start(m_settings.longestRetry);
}

void PolledSource::poll()
{
    if (const QString why = whyNotAsk(); !why.isEmpty()) {
        noteFailure(why);
        planNext(nullptr);
        return;
    }
    m_fetcher.get(request(), [this](const FetchResult &result) {
        if (!result.error.isEmpty())
            noteFailure(failureOf(result));
        const bool priced = result.error.isEmpty() && takeAnswer(result.body);
        if (priced)
            m_failuresInARow = 0;
        planNext(priced ? nullptr : &result);
    });
}

void PolledSource::planNext(const FetchResult *failed)
{
    using namespace std::chrono;
    milliseconds delay = m_settings.interval;
    m_refused = failed && (failed->status == 401 || failed->status == 403) && !failed->error.isEmpty();
    if (std::exchange(m_askWhenAnswered, false)) {
        delay = 0ms; // the credentials changed while the request was out
    } else if (m_refused) {
        delay = m_settings.afterRefusal; // not shortened when the prices turn old: it would be refused again
    } else {
        if (failed)
            delay = std::min(m_settings.firstRetry * (1 << std::min(m_failuresInARow++, 16)), m_settings.interval);
        if (state() != State::Fresh) // nothing to serve: the first good answer is wanted soon
            delay = std::min(delay, m_settings.longestRetry);
    }
    m_timer.start(delay);
}

} // namespace vantrel::feed
