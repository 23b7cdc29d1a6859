// SPDX-License-Identifier: GPL-3.0-or-later
#include "sources/ecb_dollar_legs.h"

namespace vantrel::feed {
namespace {

// The ECB's own lines, marked as being about these two legs alone.
SourceContext forTheTwoLegs(SourceContext context)
{
    if (context.report)
        context.report = [report = context.report](const QString &line) { report(QStringLiteral("for HKD and SGD: ") + line); };
    return context;
}

} // namespace

EcbDollarLegs::EcbDollarLegs(const PollingSettings &ecbSettings, SourceContext context, QObject *parent)
    : QObject(parent)
    , m_context(context)
    , m_ecb(ecbSettings, forTheTwoLegs(context))
{
    connect(&m_ecb, &QuoteSource::pricesChanged, this, &EcbDollarLegs::fixChanged);
    for (const auto signal : {&QuoteSource::pricesChanged, &QuoteSource::failed}) {
        connect(&m_ecb, signal, this, [this] {
            if (!std::exchange(m_answered, true))
                emit answeredFirst();
        });
    }
}

void EcbDollarLegs::start()
{
    if (std::exchange(m_started, true))
        return;
    if (m_context.report)
        m_context.report(QStringLiteral("USD/HKD and USD/SGD are taken from the ECB's daily reference rates (%1), which "
                                        "no keyless live source quotes, and crossed with the live dollar legs")
                             .arg(m_ecb.description()));
    m_ecb.start();
}

std::optional<EcbDollarLegs::Fix> EcbDollarLegs::fix() const
{
    if (m_ecb.state() != QuoteSource::State::Fresh)
        return std::nullopt;
    const Legs &legs = m_ecb.legs();
    const auto euroIn = [&legs](const char *currency) -> std::optional<LegQuote> {
        const auto found = legs.find(QStringLiteral("EUR/") + QLatin1StringView(currency));
        return found == legs.end() ? std::nullopt : std::optional(found->second);
    };
    const std::optional<LegQuote> dollar = euroIn("USD");
    if (!dollar)
        return std::nullopt;
    Fix fix{{}, m_ecb.currentUntil()};
    for (const char *currency : {"HKD", "SGD"}) {
        const std::optional<LegQuote> other = euroIn(currency);
        if (!other)
            return std::nullopt;
        // USD/XXX = EUR/XXX over EUR/USD, the dollar bought at EUR/USD's offer and sold at its bid.
        fix.legs[QStringLiteral("USD/") + QLatin1StringView(currency)] =
            LegQuote{other->bid / dollar->offer, other->offer / dollar->bid, dollar->quotedAt};
    }
    return fix;
}

QString EcbDollarLegs::whyNone() const
{
    const QString why = m_ecb.whyUnavailable();
    return why.isEmpty() ? QStringLiteral("the ECB's fix lacks USD, HKD or SGD") : why;
}

} // namespace vantrel::feed
