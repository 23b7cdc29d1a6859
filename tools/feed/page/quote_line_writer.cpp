// SPDX-License-Identifier: GPL-3.0-or-later
#include "page/quote_line_writer.h"

#include "quotes/quote_layout.h"

#include <algorithm>
#include <vector>

namespace vantrel::feed {
namespace {

// One of the 70 price fields, where it stands and whose price it holds.
struct PriceField {
    int start; // 1-based, as in the layout
    int width;
    int catalogueIndex;
    bool isBid;
};

std::vector<PriceField> fieldsInLineOrder()
{
    std::vector<PriceField> fields;
    for (const QuoteFieldLayout &pair : quotePageLayout()) {
        fields.push_back({pair.firstStart, pair.width, pair.catalogueIndex, true});
        fields.push_back({pair.secondStart(), pair.width, pair.catalogueIndex, false});
    }
    std::sort(fields.begin(), fields.end(),
              [](const PriceField &a, const PriceField &b) { return a.start < b.start; });
    return fields;
}

const QByteArray kPriceCell = QByteArrayLiteral("<td align=\"right\">");
const QByteArray kCellEnd = QByteArrayLiteral("</td>");

// Exactly `size` characters of markup: `head`, blanks, `tail`. Where both do not fit, the longest
// piece that does, so the characters beside a price stay markup or blanks and never run into it.
QByteArray fillGap(int size, const QByteArray &head, const QByteArray &tail)
{
    if (head.size() + tail.size() <= size)
        return head + QByteArray(size - head.size() - tail.size(), ' ') + tail;
    if (tail.size() <= size)
        return QByteArray(size - tail.size(), ' ') + tail;
    return QByteArray(size, ' ');
}

QByteArray openingOfRow(int catalogueIndex)
{
    return QByteArrayLiteral("<tr><td class=\"pair\">") + pairCatalogue()[catalogueIndex].name + kCellEnd
        + kPriceCell;
}

qint64 powerOfTen(int exponent)
{
    qint64 value = 1;
    while (exponent-- > 0)
        value *= 10;
    return value;
}

} // namespace

std::optional<QByteArray> formatPriceField(PriceUnits price, int decimals, int width)
{
    for (int shown = std::min(decimals, 4); shown >= 0; --shown) {
        const qint64 rounded = divideRounded(price, powerOfTen(4 - shown));
        const qint64 magnitude = rounded < 0 ? -rounded : rounded;
        const qint64 perUnit = powerOfTen(shown);
        QByteArray text = rounded < 0 ? QByteArrayLiteral("-") : QByteArray();
        text += QByteArray::number(magnitude / perUnit);
        if (shown > 0)
            text += '.' + QByteArray::number(magnitude % perUnit).rightJustified(shown, '0');
        if (text.size() <= width)
            return text.rightJustified(width, ' ');
    }
    return std::nullopt;
}

QByteArray writeQuoteLine(const QuotedPairs &pairs)
{
    static const std::vector<PriceField> fields = fieldsInLineOrder();
    QByteArray line;
    line.reserve(quoteLineMinimumLength() + 64);
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const PriceField &field = fields[i];
        const int gap = field.start - 1 - int(line.size());
        const QByteArray head = i == 0 ? QByteArrayLiteral("<table class=\"rates\">")
                                       : (field.isBid ? kCellEnd + QByteArrayLiteral("</tr>") : kCellEnd);
        const QByteArray tail = field.isBid ? openingOfRow(field.catalogueIndex) : kPriceCell;
        line += fillGap(gap, head, tail);

        const QuotedPair &pair = pairs[field.catalogueIndex];
        const std::optional<QByteArray> text = formatPriceField(
            field.isBid ? pair.bid : pair.offer, pairCatalogue()[field.catalogueIndex].decimals, field.width);
        line += text.value_or(QByteArray(field.width, ' '));
    }
    line += QByteArrayLiteral("</td></tr></table>");
    return line;
}

} // namespace vantrel::feed
