// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "page/source_legs.h"

#include <chrono>
#include <set>

namespace vantrel::feed {

// Keeps prices that cannot be right out of the page: a leg that is zero, negative or not a number, or
// that jumps further from its last good value than a market moves in a minute, is refused and its
// last good value used instead.
class LegGuard
{
public:
    explicit LegGuard(double largestJump = 0.20, std::chrono::seconds jumpWindow = std::chrono::seconds(60));

    // The legs of `received` to use now, each refused one replaced by its last good value or left out
    // when it has none; `refusals` gets one line for every leg newly refused.
    Legs screen(const Legs &received, const QDateTime &now, QStringList &refusals);

private:
    struct GoodLeg {
        LegQuote quote;
        QDateTime at;
    };

    std::optional<QString> whyRefused(const QString &pair, const LegQuote &leg, const QDateTime &now) const;

    double m_largestJump;
    std::chrono::seconds m_jumpWindow;
    std::map<QString, GoodLeg> m_lastGood;
    std::set<QString> m_refusing;
};

} // namespace vantrel::feed
