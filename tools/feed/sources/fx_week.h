// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QTimeZone>

#include <chrono>

namespace vantrel::feed {

// New York's time, by which the FX week opens and closes; invalid where the system has no time zone
// data, and then no live source is started: a close guessed an hour off would serve Friday's prices as
// current, or silence the first hour of the week.
const QTimeZone &newYorkTime();

// The FX market trades from Sunday 17:00 to Friday 17:00 New York time, its summer time included.
bool fxMarketClosedAt(const QDateTime &time);
// The last Friday 17:00 New York at or before `time`.
QDateTime fxCloseBefore(const QDateTime &time);
// The Sunday 17:00 New York that ends the weekend after the close at or before `time`.
QDateTime fxOpenAfter(const QDateTime &time);

// The week's last quotes may be stamped a moment after the close.
inline constexpr qint64 kFxCloseGraceSeconds = 60;

// Until when a price set at `quotedAt` is current: `staleAfter` later, unless the market closes before
// then (or closed no more than kFxCloseGraceSeconds before it), when the week's last price stays current
// until the market opens again.
QDateTime fxCurrentUntil(const QDateTime &quotedAt, std::chrono::milliseconds staleAfter);

} // namespace vantrel::feed
