// SPDX-License-Identifier: GPL-3.0-or-later
#include "sources/live_source.h"

#include "sources/fx_week.h"
#include "sources/source_answer_text.h"

namespace vantrel::feed {

LiveSource::LiveSource(QString description, PollingSettings settings, SourceContext context,
                       std::shared_ptr<EcbDollarLegs> dollarLegs, QObject *parent)
    : PolledSource(std::move(description), std::move(settings), std::move(context), parent)
    , m_dollarLegs(std::move(dollarLegs))
{
    // The first fix, or the next day's, need not wait for the next planned request.
    if (m_dollarLegs)
        connect(m_dollarLegs.get(), &EcbDollarLegs::fixChanged, this, [this] {
            if (state() != State::Fresh)
                askNow();
        });
}

void LiveSource::start()
{
    if (!m_dollarLegs) {
        PolledSource::start();
        return;
    }
    m_dollarLegs->start();
    // Live prices before the fix's two legs could not be served yet: asking first would only fail once.
    if (m_dollarLegs->answered())
        PolledSource::start();
    else if (!m_startOnFix)
        m_startOnFix = connect(m_dollarLegs.get(), &EcbDollarLegs::answeredFirst, this, [this] {
            disconnect(std::exchange(m_startOnFix, {}));
            PolledSource::start();
        });
}

void LiveSource::stop()
{
    disconnect(std::exchange(m_startOnFix, {}));
    PolledSource::stop();
}

QString LiveSource::whyNotAsk()
{
    const QDateTime at = now();
    const bool closed = fxMarketClosedAt(at);
    if (closed != std::exchange(m_saidClosed, closed)) {
        report(closed ? QStringLiteral("the FX market is closed from %1 until %2 (Friday to Sunday 17:00 New York): "
                                       "only the week's last prices from %3 are served until it opens")
                            .arg(timeText(fxCloseBefore(at)), timeText(fxOpenAfter(at)), description())
                      : QStringLiteral("the FX market is open again since %1").arg(timeText(fxOpenAfter(at))));
    }
    return QString();
}

bool LiveSource::takeAnswer(const QByteArray &body)
{
    const std::optional<QString> failure = takeReading(read(body));
    if (failure)
        noteFailure(*failure);
    return !failure;
}

std::optional<QString> LiveSource::takeReading(SourceReading reading)
{
    const QDateTime at = now();
    const bool closed = fxMarketClosedAt(at);
    const QDateTime lastClose = fxCloseBefore(at);
    const qint64 staleSeconds = std::chrono::duration_cast<std::chrono::seconds>(settings().staleAfter).count();
    Legs current;
    QDateTime oldest, currentUntil;
    bool givenWhileClosed = false;
    for (const auto &[pair, received] : reading.legs) {
        LegQuote leg = received;
        if (!leg.quotedAt.isValid())
            leg.quotedAt = at; // the source says nothing of its own time: as old as its answer
        if (at.secsTo(leg.quotedAt) > kLargestClockLeadSeconds) {
            reading.warnings << QStringLiteral("%1 refused: it is dated more than %2 s ahead of this machine's clock")
                                    .arg(pair)
                                    .arg(kLargestClockLeadSeconds);
            continue;
        }
        if (closed && leg.quotedAt > lastClose.addSecs(kFxCloseGraceSeconds)) {
            givenWhileClosed = true;
            continue;
        }
        if (!closed && reading.notTradeable.contains(pair)) {
            reading.warnings << QStringLiteral("%1 is not tradeable now, the source says: not current").arg(pair);
            continue;
        }
        const QDateTime until = fxCurrentUntil(leg.quotedAt, settings().staleAfter);
        if (until <= at) {
            reading.warnings << QStringLiteral("%1 is of %2, more than %3 s old: not current")
                                    .arg(pair, timeText(leg.quotedAt))
                                    .arg(staleSeconds);
            continue;
        }
        if (!oldest.isValid() || leg.quotedAt < oldest)
            oldest = leg.quotedAt;
        if (!currentUntil.isValid() || until < currentUntil)
            currentUntil = until;
        current[pair] = leg;
    }
    if (reading.error.isEmpty() && current.empty()) {
        reading.error = givenWhileClosed
            ? QStringLiteral("the FX market is closed until %1 (Sunday 17:00 New York), and prices given while it is "
                             "closed are not the market's")
                  .arg(timeText(fxOpenAfter(at)))
            : QStringLiteral("none of its prices is current");
    }
    if (reading.error.isEmpty() && m_dollarLegs) {
        if (const std::optional<EcbDollarLegs::Fix> fix = m_dollarLegs->fix()) {
            current.insert(fix->legs.begin(), fix->legs.end());
            currentUntil = std::min(currentUntil, fix->currentUntil);
        } else {
            reading.error = QStringLiteral("no USD/HKD and USD/SGD: ") + m_dollarLegs->whyNone();
        }
    }
    reading.legs = std::move(current);
    reading.quotedAt = oldest;
    return publish(reading, QLatin1StringView("USD"), currentUntil);
}

} // namespace vantrel::feed
