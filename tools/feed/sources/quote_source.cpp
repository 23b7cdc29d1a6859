// SPDX-License-Identifier: GPL-3.0-or-later
#include "sources/quote_source.h"

#include "page/cross_rates.h"
#include "page/quote_page_writer.h"

namespace vantrel::feed {
namespace {

QString timeText(const QDateTime &time)
{
    return time.toUTC().toString(Qt::ISODate);
}

} // namespace

QuoteSource::QuoteSource(QString description, SourceContext context, QObject *parent)
    : QObject(parent)
    , m_description(std::move(description))
    , m_context(std::move(context))
{
}

QuoteSource::~QuoteSource() = default;

QuoteSource::State QuoteSource::state() const
{
    if (!m_pairs)
        return State::Waiting;
    if (!m_withdrawn.isEmpty() || (m_freshUntil.isValid() && now() > m_freshUntil))
        return State::Stale;
    return State::Fresh;
}

QString QuoteSource::unavailableReason() const
{
    const QString lastFailure = m_failure.isEmpty() ? QString() : QStringLiteral(" (") + m_failure + QLatin1Char(')');
    switch (state()) {
    case State::Fresh:
        return QString();
    case State::Waiting:
        return QStringLiteral("vantrel-feed is waiting for the first prices from ") + m_description + lastFailure;
    case State::Stale:
        if (!m_withdrawn.isEmpty())
            return QStringLiteral("vantrel-feed has no current prices: %1: %2%3").arg(m_description, m_withdrawn, lastFailure);
        return QStringLiteral("vantrel-feed has no current prices: the last from %1 are of %2, too old to serve%3")
            .arg(m_description, timeText(m_quotedAt), lastFailure);
    }
    return QString();
}

QByteArray QuoteSource::page()
{
    return m_pairs ? writeQuotePage(*m_pairs, m_quotedAt) : QByteArray();
}

bool QuoteSource::publish(const SourceReading &reading, QLatin1StringView pivot, const QDateTime &freshUntil)
{
    for (const QString &warning : reading.warnings)
        report(warning);
    if (!reading.error.isEmpty()) {
        noteFailure(reading.error);
        return false;
    }
    QStringList refusals;
    const Legs legs = m_guard.screen(reading.legs, now(), refusals);
    for (const QString &refusal : refusals)
        report(m_description + QStringLiteral(": ") + refusal);

    const DerivedPairs derived = deriveCataloguePairs(legs, pivot);
    if (!derived.pairs) {
        noteFailure(derived.missing);
        return false;
    }
    if (!m_failure.isEmpty() || !m_withdrawn.isEmpty())
        report(m_description + QStringLiteral(": prices again"));
    m_failure.clear();
    m_withdrawn.clear();
    m_pairs = derived.pairs;
    m_quotedAt = reading.quotedAt.isValid() ? reading.quotedAt : now();
    m_freshUntil = freshUntil;
    emit pricesChanged();
    return true;
}

void QuoteSource::noteFailure(const QString &why)
{
    if (m_failure.isEmpty()) {
        report(m_description + QStringLiteral(": ") + why
               + (m_pairs ? QStringLiteral("; still serving the prices of ") + timeText(m_quotedAt)
                          : QStringLiteral("; no prices to serve yet")));
    }
    m_failure = why;
}

void QuoteSource::withdraw(const QString &why)
{
    if (m_withdrawn.isEmpty() && m_failure.isEmpty())
        report(m_description + QStringLiteral(": ") + why + QStringLiteral("; answering 503 until it is back"));
    m_withdrawn = why;
}

void QuoteSource::markAlwaysFresh()
{
    m_pairs = QuotedPairs{};
    m_freshUntil = QDateTime();
}

QDateTime QuoteSource::now() const
{
    return m_context.clock();
}

void QuoteSource::report(const QString &line) const
{
    if (m_context.report)
        m_context.report(line);
}

} // namespace vantrel::feed
