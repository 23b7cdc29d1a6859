// SPDX-License-Identifier: GPL-3.0-or-later
#include "sources/ecb_calendar.h"

namespace vantrel::feed {

const QTimeZone &frankfurtTime()
{
    static const QTimeZone frankfurt = [] {
        const QTimeZone zone("Europe/Berlin");
        return zone.isValid() ? zone : QTimeZone(3600);
    }();
    return frankfurt;
}

// The anonymous Gregorian algorithm (Meeus/Jones/Butcher).
QDate easterSunday(int year)
{
    const int a = year % 19, b = year / 100, c = year % 100, d = b / 4, e = b % 4;
    const int f = (b + 8) / 25, g = (b - f + 1) / 3, h = (19 * a + b - d - g + 15) % 30;
    const int i = c / 4, k = c % 4, l = (32 + 2 * e + 2 * i - h - k) % 7;
    const int m = (a + 11 * h + 22 * l) / 451;
    const int month = (h + l - 7 * m + 114) / 31, day = (h + l - 7 * m + 114) % 31 + 1;
    return QDate(year, month, day);
}

bool isEcbFixDay(const QDate &day)
{
    if (day.dayOfWeek() > 5)
        return false;
    const int month = day.month(), date = day.day();
    if ((month == 1 && date == 1) || (month == 5 && date == 1) || (month == 12 && (date == 25 || date == 26)))
        return false;
    const QDate easter = easterSunday(day.year());
    return day != easter.addDays(-2) && day != easter.addDays(1);
}

QDateTime ecbFixCurrentUntil(const QDate &fixDay)
{
    if (!fixDay.isValid())
        return QDateTime();
    QDate next = fixDay.addDays(1);
    while (!isEcbFixDay(next))
        next = next.addDays(1);
    return QDateTime(next.addDays(1), QTime(0, 0), frankfurtTime());
}

} // namespace vantrel::feed
