#include "feed_faults.h"

#include "quotes/quote_layout.h"

#include <array>

namespace vantrel::feed {
namespace {

struct NamedMode {
    const char *name;
    FaultMode mode;
};

constexpr std::array<NamedMode, 8> kModes{{
    {"none", FaultMode::None},
    {"error", FaultMode::Error},
    {"empty", FaultMode::Empty},
    {"truncated", FaultMode::Truncated},
    {"garbage", FaultMode::Garbage},
    {"stall", FaultMode::Stall},
    {"trickle", FaultMode::Trickle},
    {"huge", FaultMode::Huge},
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
