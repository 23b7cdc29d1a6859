// SPDX-License-Identifier: GPL-3.0-or-later
#include "page/leg_guard.h"

#include <cmath>

namespace vantrel::feed {
namespace {

QString shown(const LegQuote &leg)
{
    return QString::number(leg.bid, 'g', 10) + QLatin1Char(' ') + QString::number(leg.offer, 'g', 10);
}

QString timeOfDay(const QDateTime &time)
{
    return time.toUTC().toString(QStringLiteral("HH:mm:ss")) + QLatin1Char('Z');
}

double mid(const LegQuote &leg)
{
    return (leg.bid + leg.offer) / 2;
}

} // namespace

LegGuard::LegGuard(GuardSettings settings)
    : m_settings(settings)
{
}

// Given on enough reads in a row, or for the window: from its first read to its last (a source that read
// nothing meanwhile said nothing of it), which for a file that still says it is now.
bool LegGuard::confirmed(const Level &level) const
{
    return level.reads >= m_settings.confirmingReads || level.since.secsTo(level.last) >= m_settings.window.count();
}

std::optional<QString> LegGuard::insanity(const LegQuote &leg) const
{
    const auto positive = [](double price) { return std::isfinite(price) && price > 0; };
    if (!positive(leg.bid) || !positive(leg.offer))
        return QStringLiteral("not a positive price");
    if (leg.bid > leg.offer)
        return QStringLiteral("bid above offer");
    if ((leg.offer - leg.bid) / mid(leg) > m_settings.widestSpread)
        return QStringLiteral("spread wider than %1 % of the price").arg(qRound(m_settings.widestSpread * 100));
    return std::nullopt;
}

// How far the leg is from the level, when further than a market moves in a minute.
std::optional<double> LegGuard::jump(const LegQuote &leg, const Level &from) const
{
    const double change = std::abs(mid(leg) / mid(from.quote) - 1);
    return change > m_settings.largestJump ? std::optional(change) : std::nullopt;
}

// The leg goes on at `level` when it is near it, read once more; otherwise a new level starts with it.
void LegGuard::follow(std::optional<Level> &level, const LegQuote &leg, const QDateTime &now) const
{
    if (level && !jump(leg, *level)) {
        level->quote = leg;
        level->last = now;
        ++level->reads;
    } else {
        level = Level{leg, now, now, 1};
    }
}

ScreenedLegs LegGuard::screen(const Legs &received, const QDateTime &now)
{
    ScreenedLegs result;
    for (const auto &[pair, leg] : received) {
        LegState &state = m_legs[pair];
        // A file said its level until this read, if it said it at the read before.
        if (m_settings.levelsHoldUntilChanged && state.accepted && state.acceptedSaidLast)
            state.accepted->last = now;
        state.acceptedSaidLast = false;
        QString refusal;
        if (const std::optional<QString> insane = insanity(leg)) {
            state.candidate.reset();
            refusal = QStringLiteral("refused %1 %2: %3").arg(pair, shown(leg), *insane);
        } else if (!state.accepted || !jump(leg, *state.accepted)) {
            // The first level, or a level near the accepted one.
            follow(state.accepted, leg, now);
            state.candidate.reset();
            state.acceptedSaidLast = true;
            if (!state.contested || confirmed(*state.accepted)) {
                state.contested = false;
                if (!state.refusal.isEmpty())
                    result.said << QStringLiteral("%1 %2 accepted again").arg(pair, shown(leg));
                state.refusal.clear();
                result.usable[pair] = leg;
                continue;
            }
            // Back at the level the jump came from, which has not held long enough yet to tell which of
            // the two was the slip: still withheld, as said at the jump.
            refusal = state.refusal;
            const QDateTime due = state.accepted->since.addSecs(m_settings.window.count());
            if (!result.recheckAt.isValid() || due < result.recheckAt)
                result.recheckAt = due;
        } else {
            const Level &from = *state.accepted;
            // A level given once or briefly is no reference: the jump may be the slip or its correction.
            if (!confirmed(from))
                state.contested = true;
            follow(state.candidate, leg, now);
            if (confirmed(*state.candidate)) {
                result.said << QStringLiteral("%1 %2 accepted: given since %3, %4 % away from %5")
                                   .arg(pair, shown(leg), timeOfDay(state.candidate->since))
                                   .arg(qRound(*jump(leg, from) * 100))
                                   .arg(shown(from.quote));
                state.accepted = state.candidate;
                state.candidate.reset();
                state.acceptedSaidLast = true;
                state.contested = false;
                state.refusal.clear();
                result.usable[pair] = leg;
                continue;
            }
            refusal = QStringLiteral("refused %1 %2: %3 % away from %4, the level since %5")
                          .arg(pair, shown(leg))
                          .arg(qRound(*jump(leg, from) * 100))
                          .arg(shown(from.quote), timeOfDay(from.since));
            const QDateTime due = state.candidate->since.addSecs(m_settings.window.count());
            if (!result.recheckAt.isValid() || due < result.recheckAt)
                result.recheckAt = due;
        }

        // Refused: the last good price stands in while it is recent enough to pass for current, unless
        // it is itself in doubt.
        const bool keep = state.accepted && !state.contested
                          && state.accepted->last.secsTo(now) <= m_settings.keepFor.count();
        if (state.refusal.isEmpty()) {
            const QString keptFor = QStringLiteral(", for %1 s at most").arg(m_settings.keepFor.count());
            const QString standIn = state.contested
                ? QStringLiteral("that level was given only briefly, so neither is served until one of them "
                                 "holds for %1 s or %2 reads")
                      .arg(m_settings.window.count())
                      .arg(m_settings.confirmingReads)
                : !keep ? QStringLiteral("no recent price to keep")
                : state.candidate ? QStringLiteral("keeping it until the new level holds for %1 s or %2 reads%3")
                                        .arg(m_settings.window.count())
                                        .arg(m_settings.confirmingReads)
                                        .arg(keptFor)
                                  : QStringLiteral("keeping %1%2").arg(shown(state.accepted->quote), keptFor);
            result.said << refusal + QStringLiteral("; ") + standIn;
            state.refusal = refusal;
        }
        if (keep) {
            result.usable[pair] = state.accepted->quote;
            result.standingIn << pair;
            if (!result.keptSince.isValid() || state.accepted->last < result.keptSince)
                result.keptSince = state.accepted->last;
        } else {
            result.lapsed << pair;
        }
    }
    return result;
}

} // namespace vantrel::feed
