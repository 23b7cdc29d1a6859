// SPDX-License-Identifier: GPL-3.0-or-later
#include "sources/quote_source.h"

#include "page/cross_rates.h"
#include "page/quote_page_writer.h"
#include "sources/source_answer_text.h"

namespace vantrel::feed {
namespace {

} // namespace

QuoteSource::QuoteSource(QString description, SourceContext context, QObject *parent, GuardSettings guard)
    : QObject(parent)
    , m_description(std::move(description))
    , m_context(std::move(context))
    , m_guard(guard)
{
    m_staleness.setSingleShot(true);
    m_staleness.setTimerType(Qt::PreciseTimer);
    connect(&m_staleness, &QTimer::timeout, this, [this] {
        sayWhatIsServed();
        watchStaleness();
    });
}

QuoteSource::~QuoteSource() = default;

QuoteSource::State QuoteSource::state() const
{
    if (!m_pairs)
        return State::Waiting;
    if (!m_withdrawn.isEmpty() || (m_freshUntil.isValid() && now() >= m_freshUntil))
        return State::Stale;
    return State::Fresh;
}

QString QuoteSource::reason() const
{
    const QString lastFailure = m_failure.isEmpty() ? QString() : QStringLiteral(" (") + m_failure + QLatin1Char(')');
    switch (state()) {
    case State::Fresh:
        return QString();
    case State::Waiting:
        return QStringLiteral("waiting for the first prices from ") + m_description + lastFailure;
    case State::Stale:
        if (!m_withdrawn.isEmpty())
            return QStringLiteral("no current prices: %1: %2").arg(m_description, m_withdrawn);
        if (!m_standingIn.isEmpty() && m_freshUntil == m_standInUntil)
            return QStringLiteral("no current prices: %1 refused from %2, its last good price older than %3 s, too "
                                  "old to stand in%4")
                .arg(m_standingIn.join(QStringLiteral(", ")), m_description)
                .arg(m_guard.settings().keepFor.count())
                .arg(lastFailure);
        return QStringLiteral("no current prices: the last from %1 are of %2, too old to serve%3")
            .arg(m_description, timeText(m_quotedAt), lastFailure);
    }
    return QString();
}

QString QuoteSource::unavailableReason() const
{
    const QString why = reason();
    return why.isEmpty() ? why : kUnavailablePrefix + why;
}

QByteArray QuoteSource::page()
{
    return m_pairs ? writeQuotePage(*m_pairs, m_quotedAt) : QByteArray();
}

std::optional<QString> QuoteSource::publish(const SourceReading &reading, QLatin1StringView pivot,
                                            const QDateTime &freshUntil)
{
    // A source polled every few seconds repeats what is wrong with it in every answer.
    for (const QString &warning : reading.warnings) {
        if (!m_warned.contains(warning))
            report(warning);
    }
    m_warned = reading.warnings;
    m_recheckAt = QDateTime();
    if (!reading.error.isEmpty())
        return reading.error;
    if (reading.quotedAt.isValid() && now().secsTo(reading.quotedAt) > kLargestClockLeadSeconds)
        return QStringLiteral("its prices are dated %1, ahead of this machine's clock")
            .arg(timeText(reading.quotedAt));

    const ScreenedLegs screened = m_guard.screen(reading.legs, now());
    for (const QString &line : screened.said)
        report(m_description + QStringLiteral(": ") + line);
    m_recheckAt = screened.recheckAt;

    // A refused leg with no recent good price is not served, nor crossed from other legs in its place:
    // the source said something else of it. The page served before holds that leg's old price, so it is
    // taken back too.
    if (!screened.lapsed.isEmpty()) {
        const QString why = QStringLiteral("%1 refused, with no sure good price of the last %2 s to stand in")
                                .arg(screened.lapsed.join(QStringLiteral(", ")))
                                .arg(m_guard.settings().keepFor.count());
        withdraw(why);
        return why;
    }
    const DerivedPairs derived = deriveCataloguePairs(screened.usable, pivot);
    if (!derived.pairs)
        return derived.missing;
    m_failure.clear();
    m_withdrawn.clear();
    m_pairs = derived.pairs;
    m_legs = screened.usable;
    m_quotedAt = reading.quotedAt.isValid() ? reading.quotedAt : now();
    m_freshUntil = freshUntil;
    // A refused leg's older price stands in: the page is only as current as that price.
    m_standingIn = screened.standingIn;
    m_standInUntil = screened.keptSince.isValid() ? screened.keptSince.addSecs(m_guard.settings().keepFor.count())
                                                  : QDateTime();
    if (m_standInUntil.isValid() && (!m_freshUntil.isValid() || m_standInUntil < m_freshUntil))
        m_freshUntil = m_standInUntil;
    watchStaleness();
    sayWhatIsServed();
    emit pricesChanged();
    return std::nullopt;
}

void QuoteSource::noteFailure(const QString &why)
{
    m_failure = why;
    sayWhatIsServed();
    emit failed();
}

void QuoteSource::withdraw(const QString &why)
{
    if (state() == State::Waiting) {
        noteFailure(why); // nothing was served to take back: still waiting, and why
        return;
    }
    m_withdrawn = why;
    sayWhatIsServed();
    emit failed();
}

void QuoteSource::markAlwaysFresh()
{
    m_pairs = QuotedPairs{};
    m_placeholderPairs = true;
    m_freshUntil = QDateTime();
    m_servedBefore = true; // main() says what it serves from the start
    m_said = QStringLiteral("serving");
}

void QuoteSource::serveAgain()
{
    m_withdrawn.clear();
    sayWhatIsServed();
}

void QuoteSource::watchStaleness()
{
    // In steps of an hour at most: a daily fix holds for days, longer than a timer counts.
    const qint64 left = m_freshUntil.isValid() ? now().msecsTo(m_freshUntil) : -1;
    if (left >= 0)
        m_staleness.start(std::min<qint64>(left + 1, 3600 * 1000));
    else
        m_staleness.stop();
}

// One line whenever what is served changes, or why it is not: the first prices, a failure while the
// last prices are still served, no prices (in the words of the 503 answer), prices again.
void QuoteSource::sayWhatIsServed()
{
    const State now = state();
    QString line;
    if (now != State::Fresh) {
        // Nothing to say before the first answer; after it, each new reason for the 503, once.
        line = now == State::Waiting && m_failure.isEmpty() ? QString() : reason();
    } else if (!m_failure.isEmpty()) {
        line = m_description + QStringLiteral(": ") + m_failure + QStringLiteral("; still serving the prices of ")
               + timeText(m_quotedAt)
               + (m_freshUntil.isValid() ? QStringLiteral(" until ") + timeText(m_freshUntil) : QString());
    } else {
        const QString what = m_placeholderPairs
            ? m_description
            : QStringLiteral("the prices of %1 from %2").arg(timeText(m_quotedAt), m_description);
        line = QStringLiteral("serving ") + what + (m_servedBefore ? QStringLiteral(" again") : QString());
    }
    // Fresh prices replacing fresh prices change nothing worth a line; any other change does.
    const QString said = now == State::Fresh && m_failure.isEmpty() ? QStringLiteral("serving") : line;
    if (said == m_said)
        return;
    m_said = said;
    if (now == State::Fresh)
        m_servedBefore = true;
    if (!line.isEmpty())
        report(line);
    if (now != State::Fresh)
        becameUnavailable();
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
