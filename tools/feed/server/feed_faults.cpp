// SPDX-License-Identifier: GPL-3.0-or-later
#include "server/feed_faults.h"

#include "quotes/quote_layout.h"

#include <array>

namespace vantrel::feed {
namespace {

struct NamedMode {
    const char *name;
    FaultMode mode;
    const char *description; // for --help
};

constexpr std::array<NamedMode, 9> kModes{{
    {"none", FaultMode::None, "the quote page"},
    {"error", FaultMode::Error, "status 500 with a short error page"},
    {"empty", FaultMode::Empty, "status 200 with no body"},
    {"truncated", FaultMode::Truncated, "the page cut in the middle of the quote line, sent with its own length"},
    {"garbage", FaultMode::Garbage, "random bytes about the size of a page"},
    {"stall", FaultMode::Stall, "the whole page's length, part of the page, then silence"},
    {"cut", FaultMode::Cut, "the whole page's length, part of the page, then the connection closes"},
    {"trickle", FaultMode::Trickle, "the page one byte a second"},
    {"huge", FaultMode::Huge, "the page padded to 5 MiB"},
}};

// Offset just past the end of the line that starts at `start`, by Vantrel's line rule: a line ends
// at CR or CR LF, a lone LF stays inside it.
qsizetype nextLineStart(QByteArrayView page, qsizetype start)
{
    qsizetype end = page.indexOf('\r', start);
    if (end < 0)
        return page.size();
    ++end;
    if (end < page.size() && page[end] == '\n')
        ++end;
    return end;
}

} // namespace

std::optional<FaultMode> faultModeFromName(QStringView name)
{
    for (const NamedMode &named : kModes) {
        if (name == QLatin1StringView(named.name))
            return named.mode;
    }
    return std::nullopt;
}

QStringList faultModeNames()
{
    QStringList names;
    for (const NamedMode &named : kModes)
        names << QLatin1StringView(named.name);
    return names;
}

QStringList faultModeDescriptions()
{
    QStringList lines;
    for (const NamedMode &named : kModes)
        lines << QStringLiteral("%1 %2").arg(QLatin1StringView(named.name), -10).arg(QLatin1StringView(named.description));
    return lines;
}

qsizetype quoteLineMiddle(QByteArrayView page)
{
    qsizetype start = 0;
    for (int line = 1; line < kQuoteLineNumber && start < page.size(); ++line)
        start = nextLineStart(page, start);
    if (start >= page.size())
        return page.size() / 2;
    qsizetype end = page.indexOf('\r', start);
    if (end < 0)
        end = page.size();
    return start + (end - start) / 2;
}

QByteArray garbageBytes(qsizetype size, std::mt19937_64 &random)
{
    std::uniform_int_distribution<int> byte(0, 255);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char &c : bytes)
        c = static_cast<char>(byte(random));
    return bytes;
}

QByteArray hugePage(const QByteArray &page)
{
    static const QByteArray filler =
        QByteArrayLiteral("<!-- ") + QByteArray(90, '=') + QByteArrayLiteral(" -->\r\n");
    QByteArray body = page;
    body.reserve(kHugePageSize);
    while (body.size() + filler.size() <= kHugePageSize)
        body += filler;
    body += QByteArray(kHugePageSize - body.size(), ' ');
    return body;
}

} // namespace vantrel::feed
