// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDate>
#include <QDateTime>
#include <QTimeZone>

namespace vantrel::feed {

// Frankfurt's time, in which the ECB fixes its reference rates.
const QTimeZone &frankfurtTime();

// Easter Sunday of a Gregorian year.
QDate easterSunday(int year);

// Whether the ECB fixes reference rates on `day`: every weekday but the TARGET closing days (New Year's
// Day, Good Friday, Easter Monday, 1 May, 25 and 26 December).
bool isEcbFixDay(const QDate &day);

// Until when the fix of `fixDay` is the current one: to the end of the next day the ECB fixes rates
// (Frankfurt time), which leaves that day's publication, and our asking for it, the whole afternoon.
// Over Easter a Thursday's fix so holds until Tuesday night.
QDateTime ecbFixCurrentUntil(const QDate &fixDay);

} // namespace vantrel::feed
