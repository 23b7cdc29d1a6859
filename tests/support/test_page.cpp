// SPDX-License-Identifier: GPL-3.0-or-later
#include "test_page.h"

#include "quotes/pair_catalogue.h"
#include "quotes/quote_layout.h"

#include <QStringList>

namespace vantrel::test {
namespace {

const QuoteFieldLayout &layoutOf(const QString &pair)
{
    for (const QuoteFieldLayout &field : quotePageLayout()) {
        if (QLatin1String(pairCatalogue()[field.catalogueIndex].name) == pair)
            return field;
    }
    qFatal("no such pair in the page layout: %s", qPrintable(pair));
}

} // namespace

TestPage::TestPage(const QString &price)
    : m_quoteLine(quoteLineMinimumLength() + 40, QLatin1Char('x'))
{
    for (const QuoteFieldLayout &field : quotePageLayout()) {
        const QString pair = QLatin1String(pairCatalogue()[field.catalogueIndex].name);
        setPrices(pair, price.left(field.width), price.left(field.width));
    }
}

void TestPage::setField(const QString &pair, int which, const QString &text)
{
    const QuoteFieldLayout &field = layoutOf(pair);
    const int start = which == 0 ? field.firstStart : field.secondStart();
    writeAt(start, text.leftJustified(field.width, QLatin1Char(' ')));
}

void TestPage::setPrices(const QString &pair, const QString &first, const QString &second)
{
    setField(pair, 0, first);
    setField(pair, 1, second);
}

void TestPage::writeAt(int position, const QString &text)
{
    if (m_quoteLine.size() < position - 1 + text.size())
        m_quoteLine.resize(position - 1 + text.size(), QLatin1Char('x'));
    m_quoteLine.replace(position - 1, text.size(), text);
}

QByteArray TestPage::bytes(LineEnd lineEnd) const
{
    const QByteArray end = lineEnd == LineEnd::CrLf ? "\r\n" : lineEnd == LineEnd::Cr ? "\r" : "\n";
    QByteArray page;
    for (int line = 1; line <= m_lineCount; ++line) {
        if (line == kQuoteLineNumber)
            page += m_quoteLine.toLatin1();
        else
            page += "<p class=\"line" + QByteArray::number(line) + "\">&nbsp;</p>";
        page += end;
    }
    return page;
}

} // namespace vantrel::test
