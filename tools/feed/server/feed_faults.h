// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QStringList>
#include <QStringView>

#include <optional>
#include <random>

namespace vantrel::feed {

// The ways vantrel-feed can misbehave on purpose, so that users and tests see how Vantrel copes.
enum class FaultMode {
    None,      // the quote page
    Error,     // status 500 with a short error page
    Empty,     // status 200, no body
    Truncated, // the page cut in the middle of the quote line, with a matching length
    Garbage,   // random bytes about the size of a page
    Stall,     // the head and the first part of the page, then silence until the client gives up
    Cut,       // the head announcing the whole page, its first part, then the connection closes
    Trickle,   // the page one byte a second
    Huge,      // a real page followed by filler lines, 5 MiB in all
};

// The size of the body in Huge mode: beyond the 4 MiB Vantrel accepts.
inline constexpr qsizetype kHugePageSize = 5 * 1024 * 1024;

// The name a user gives on the command line ("stall"), and back.
std::optional<FaultMode> faultModeFromName(QStringView name);
QStringList faultModeNames();
// One line for each mode: its name and what it does.
QStringList faultModeDescriptions();

// Where Truncated, Stall and Cut cut the page: in the middle of the quote line, or in the middle of the
// page when it has no quote line.
qsizetype quoteLineMiddle(QByteArrayView page);

// `size` random bytes of every value, line ends included.
QByteArray garbageBytes(qsizetype size, std::mt19937_64 &random);

// The page followed by filler lines up to kHugePageSize bytes.
QByteArray hugePage(const QByteArray &page);

} // namespace vantrel::feed
