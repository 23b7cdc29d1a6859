// SPDX-License-Identifier: GPL-3.0-or-later
#include "sources/fx_week.h"

namespace vantrel::feed {
namespace {

constexpr int kFriday = 5;
const QTime kCloseAndOpen(17, 0);

} // namespace

const QTimeZone &newYorkTime()
{
    static const QTimeZone newYork("America/New_York");
    return newYork;
}

bool fxMarketClosedAt(const QDateTime &time)
{
    return time < fxOpenAfter(time);
}

QDateTime fxCloseBefore(const QDateTime &time)
{
    const QDateTime local = time.toTimeZone(newYorkTime());
    const QDate friday = local.date().addDays(-((local.date().dayOfWeek() - kFriday + 7) % 7));
    QDateTime close(friday, kCloseAndOpen, newYorkTime());
    if (close > time)
        close = QDateTime(friday.addDays(-7), kCloseAndOpen, newYorkTime());
    return close;
}

QDateTime fxOpenAfter(const QDateTime &time)
{
    return QDateTime(fxCloseBefore(time).toTimeZone(newYorkTime()).date().addDays(2), kCloseAndOpen, newYorkTime());
}

QDateTime fxCurrentUntil(const QDateTime &quotedAt, std::chrono::milliseconds staleAfter)
{
    const QDateTime stale = quotedAt.addMSecs(staleAfter.count());
    const QDateTime nextClose = fxCloseBefore(stale);
    return nextClose >= quotedAt.addSecs(-kFxCloseGraceSeconds) ? fxOpenAfter(stale) : stale;
}

} // namespace vantrel::feed
