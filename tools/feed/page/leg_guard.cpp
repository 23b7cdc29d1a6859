// SPDX-License-Identifier: GPL-3.0-or-later
#include "page/leg_guard.h"

#include <cmath>

namespace vantrel::feed {
namespace {

QString shown(const LegQuote &leg)
{
    return QString::number(leg.bid, 'g', 10) + QLatin1Char(' ') + QString::number(leg.offer, 'g', 10);
}

bool isPositivePrice(double price)
{
    return std::isfinite(price) && price > 0;
}

} // namespace

LegGuard::LegGuard(double largestJump, std::chrono::seconds jumpWindow)
    : m_largestJump(largestJump)
    , m_jumpWindow(jumpWindow)
{
}

std::optional<QString> LegGuard::whyRefused(const QString &pair, const LegQuote &leg, const QDateTime &now) const
{
    if (!isPositivePrice(leg.bid) || !isPositivePrice(leg.offer))
        return QStringLiteral("not a positive price");
    const auto last = m_lastGood.find(pair);
    if (last == m_lastGood.end() || last->second.at.secsTo(now) > m_jumpWindow.count())
        return std::nullopt;
    const double lastMid = (last->second.quote.bid + last->second.quote.offer) / 2;
    const double change = std::abs((leg.bid + leg.offer) / 2 / lastMid - 1);
    if (change <= m_largestJump)
        return std::nullopt;
    return QStringLiteral("%1 % away from %2 of %3 s before")
        .arg(qRound(change * 100))
        .arg(shown(last->second.quote))
        .arg(last->second.at.secsTo(now));
}

Legs LegGuard::screen(const Legs &received, const QDateTime &now, QStringList &refusals)
{
    Legs usable;
    for (const auto &[pair, leg] : received) {
        if (const std::optional<QString> why = whyRefused(pair, leg, now)) {
            const auto last = m_lastGood.find(pair);
            const bool kept = last != m_lastGood.end();
            // Said when a leg starts being refused, not again on every answer that repeats it.
            if (m_refusing.insert(pair).second)
                refusals << QStringLiteral("refused %1 %2: %3; %4")
                            .arg(pair, shown(leg), *why,
                                 kept ? QStringLiteral("keeping ") + shown(last->second.quote)
                                      : QStringLiteral("no earlier price to keep"));
            if (kept)
                usable[pair] = last->second.quote;
            continue;
        }
        m_refusing.erase(pair);
        m_lastGood[pair] = {leg, now};
        usable[pair] = leg;
    }
    return usable;
}

} // namespace vantrel::feed
