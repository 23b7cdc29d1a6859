// SPDX-License-Identifier: GPL-3.0-or-later
#include "quote_page.h"

#include "quote_layout.h"

namespace vantrel {
namespace {

// Calls visit(lineNumber, text) for each line in order until visit returns false.
template<typename Visit>
void walkLines(QByteArrayView page, Visit visit)
{
    qsizetype start = 0;
    for (int line = 1; start < page.size(); ++line) {
        qsizetype end = page.indexOf('\r', start);
        if (end < 0)
            end = page.size();
        if (!visit(line, page.sliced(start, end - start)))
            return;
        start = end + 1;
        if (start < page.size() && page[start] == '\n')
            ++start;
    }
}

} // namespace

std::optional<QString> pageLine(QByteArrayView page, int lineNumber)
{
    std::optional<QString> found;
    walkLines(page, [&](int line, QByteArrayView text) {
        if (line != lineNumber)
            return true;
        found = QString::fromLatin1(text);
        return false;
    });
    return found;
}

std::optional<QString> quoteLineOf(QByteArrayView page)
{
    return pageLine(page, kQuoteLineNumber);
}

int pageLineCount(QByteArrayView page)
{
    int lines = 0;
    walkLines(page, [&](int line, QByteArrayView) {
        lines = line;
        return true;
    });
    return lines;
}

} // namespace vantrel
