// SPDX-License-Identifier: GPL-3.0-or-later
#include "price.h"

namespace vantrel {
namespace {

// A price field is padded with spaces and tabs to its width.
bool isPadding(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); }

// Beyond this many integer digits a price means nothing and would overflow the exact arithmetic.
constexpr int kMaxIntegerDigits = 12;

} // namespace

std::int64_t divideRounded(std::int64_t value, std::int64_t divisor)
{
    const std::int64_t magnitude = value < 0 ? -value : value;
    const std::int64_t rounded = (magnitude + divisor / 2) / divisor;
    return value < 0 ? -rounded : rounded;
}

std::optional<PriceUnits> parsePriceField(QStringView field)
{
    qsizetype begin = 0;
    qsizetype end = field.size();
    while (begin < end && isPadding(field[begin]))
        ++begin;
    while (end > begin && isPadding(field[end - 1]))
        --end;
    const QStringView text = field.mid(begin, end - begin);

    qsizetype pos = 0;
    bool negative = false;
    if (pos < text.size() && (text[pos] == QLatin1Char('+') || text[pos] == QLatin1Char('-'))) {
        negative = text[pos] == QLatin1Char('-');
        ++pos;
    }

    std::int64_t integerPart = 0;
    int integerDigits = 0;
    for (; pos < text.size(); ++pos) {
        const QChar c = text[pos];
        if (c.isDigit() && c.unicode() < 128) {
            if (++integerDigits > kMaxIntegerDigits)
                return std::nullopt;
            integerPart = integerPart * 10 + (c.unicode() - '0');
        } else if (c == QLatin1Char(',') && integerDigits > 0) {
            continue; // a group separator, only after the first digit
        } else {
            break;
        }
    }

    // Five decimals decide how the fourth is rounded: with halves away from zero, later digits never
    // change the result.
    std::int64_t fraction = 0; // in 1e-5
    int fractionDigits = 0;
    if (pos < text.size() && text[pos] == QLatin1Char('.')) {
        for (++pos; pos < text.size(); ++pos) {
            const QChar c = text[pos];
            if (!(c.isDigit() && c.unicode() < 128))
                break;
            if (fractionDigits < 5)
                fraction = fraction * 10 + (c.unicode() - '0');
            ++fractionDigits;
        }
        for (int d = fractionDigits; d < 5; ++d)
            fraction *= 10;
    }

    if (pos != text.size() || integerDigits + fractionDigits == 0)
        return std::nullopt;

    const std::int64_t magnitude = divideRounded(integerPart * 100000 + fraction, 10);
    return negative ? -magnitude : magnitude;
}

QString formatRate(MidRateUnits midRate, int decimals)
{
    std::int64_t scale = 1; // 1e-5 units per unit of the last written decimal
    for (int d = decimals; d < 5; ++d)
        scale *= 10;
    const std::int64_t rounded = divideRounded(midRate, scale);
    const std::int64_t magnitude = rounded < 0 ? -rounded : rounded;

    std::int64_t perUnit = 1;
    for (int d = 0; d < decimals; ++d)
        perUnit *= 10;

    const QString integerDigits = QString::number(magnitude / perUnit);
    QString text;
    if (rounded < 0)
        text += QLatin1Char('-');
    for (qsizetype i = 0; i < integerDigits.size(); ++i) {
        if (i > 0 && (integerDigits.size() - i) % 3 == 0)
            text += QLatin1Char(',');
        text += integerDigits[i];
    }
    if (decimals > 0) {
        text += QLatin1Char('.');
        text += QString::number(magnitude % perUnit).rightJustified(decimals, QLatin1Char('0'));
    }
    return text;
}

} // namespace vantrel
