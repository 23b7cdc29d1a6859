// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "page/source_legs.h"

#include <chrono>
#include <map>

namespace vantrel::feed {

// What the guard accepts. A market moves less than `largestJump` of a price in a minute, quotes no
// spread wider than `widestSpread` of it, and a level a source keeps giving for `window`, or on
// `confirmingReads` reads in a row, is what the source means.
struct GuardSettings {
    double largestJump = 0.20;
    double widestSpread = 0.05;
    std::chrono::seconds window{60};
    int confirmingReads = 3;
    // How long a refused leg's last good price may stand in for it; past that the leg is left out, and
    // the pairs that need it are unavailable.
    std::chrono::seconds keepFor{120};
    // For a source read only when it changes (a file): what it said last, it says until the next read.
    bool levelsHoldUntilChanged = false;
};

// What one answer's legs come to after the guard.
struct ScreenedLegs {
    Legs usable;
    QStringList said;   // one line for every leg newly refused, or accepted after being refused
    QStringList lapsed;     // refused legs with no good price recent enough to stand in
    QStringList standingIn; // refused legs whose last good price stands in
    QDateTime keptSince;    // when the oldest last good price that stands in was given; invalid if none does
    QDateTime recheckAt; // when a refused level, if still given, will be accepted; invalid if none waits
};

// Keeps prices that cannot be right out of the page, without ever deciding for good on what a source
// said once. A quote that is zero, negative, not a number, crossed (bid above offer) or wider than a sane
// spread is refused. A leg that jumps from the level the source has been giving is refused too, and that
// level kept, until the source has given the new one for the window or on several reads in a row. A
// jump from a level given only once or briefly is no reference either way: it may be the slip or its
// correction, so the leg is served again only once one of the two levels has held.
class LegGuard
{
public:
    explicit LegGuard(GuardSettings settings = {});

    ScreenedLegs screen(const Legs &received, const QDateTime &now);

    const GuardSettings &settings() const { return m_settings; }

private:
    // A level of one leg: the quote given last, since when and on how many reads in a row.
    struct Level {
        LegQuote quote;
        QDateTime since;
        QDateTime last;
        int reads = 1;
    };
    struct LegState {
        std::optional<Level> accepted;
        std::optional<Level> candidate; // a level far from the accepted one, waiting to be confirmed
        QString refusal;                // what is said while the leg is refused; empty when it is not
        bool contested = false; // a jump came while the accepted level was not yet confirmed
        bool acceptedSaidLast = false; // the last read gave the accepted level
    };

    bool confirmed(const Level &level) const;
    std::optional<QString> insanity(const LegQuote &leg) const;
    std::optional<double> jump(const LegQuote &leg, const Level &from) const;
    void follow(std::optional<Level> &level, const LegQuote &leg, const QDateTime &now) const;

    GuardSettings m_settings;
    std::map<QString, LegState> m_legs;
};

} // namespace vantrel::feed
