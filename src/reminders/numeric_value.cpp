// SPDX-License-Identifier: GPL-3.0-or-later
#include "numeric_value.h"

#include <QString>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace vantrel {
namespace {

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r');
}

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

double radixValue(const QString &digits, int radix)
{
    double value = 0;
    for (QChar c : digits) {
        const int digit = c.isDigit() ? c.unicode() - '0' : c.toLower().unicode() - 'a' + 10;
        if (c.unicode() > 127 || digit < 0 || digit >= radix)
            break;
        value = value * radix + digit;
    }
    return value;
}

// The power of ten of a number's leading digit ("123.4" is 2, "0.05" is -2, "1E-9" is -9), enough to
// tell a number too large for a double from one too small.
long long decimalExponent(const QByteArray &number)
{
    const qsizetype e = std::max(number.indexOf('E'), number.indexOf('e'));
    long long exponent = 0;
    if (e >= 0) {
        for (qsizetype i = e + 1; i < number.size(); ++i) {
            if (number.at(i) >= '0' && number.at(i) <= '9')
                exponent = std::min(exponent * 10 + (number.at(i) - '0'), 1'000'000'000LL);
        }
        if (number.at(e + 1) == '-')
            exponent = -exponent;
    }
    QByteArray mantissa = e >= 0 ? number.left(e) : number;
    if (mantissa.startsWith('-') || mantissa.startsWith('+'))
        mantissa.remove(0, 1);
    const qsizetype point = mantissa.indexOf('.');
    const QByteArray integer = point >= 0 ? mantissa.left(point) : mantissa;
    const QByteArray fraction = point >= 0 ? mantissa.mid(point + 1) : QByteArray();

    for (qsizetype i = 0; i < integer.size(); ++i) {
        if (integer.at(i) != '0')
            return exponent + (integer.size() - i - 1);
    }
    qsizetype zeros = 0;
    while (zeros < fraction.size() && fraction.at(zeros) == '0')
        ++zeros;
    return exponent - zeros - 1;
}

} // namespace

double numericValue(QStringView text)
{
    QString s;
    s.reserve(text.size());
    for (QChar c : text) {
        if (!isBlank(c))
            s += c;
    }

    if (s.size() >= 2 && s[0] == QLatin1Char('&')) {
        const QChar kind = s[1].toUpper();
        if (kind == QLatin1Char('H'))
            return radixValue(s.mid(2), 16);
        if (kind == QLatin1Char('O'))
            return radixValue(s.mid(2), 8);
        return 0;
    }

    // Find the longest leading part that is a number, then let the standard library convert it.
    qsizetype pos = 0;
    if (pos < s.size() && (s[pos] == QLatin1Char('+') || s[pos] == QLatin1Char('-')))
        ++pos;
    qsizetype digits = 0;
    while (pos < s.size() && isDigit(s[pos])) {
        ++pos;
        ++digits;
    }
    if (pos < s.size() && s[pos] == QLatin1Char('.')) {
        ++pos;
        while (pos < s.size() && isDigit(s[pos])) {
            ++pos;
            ++digits;
        }
    }
    if (digits == 0)
        return 0;
    qsizetype end = pos;
    if (pos < s.size() && (s[pos].toUpper() == QLatin1Char('E') || s[pos].toUpper() == QLatin1Char('D'))) {
        qsizetype exponent = pos + 1;
        if (exponent < s.size() && (s[exponent] == QLatin1Char('+') || s[exponent] == QLatin1Char('-')))
            ++exponent;
        if (exponent < s.size() && isDigit(s[exponent])) {
            while (exponent < s.size() && isDigit(s[exponent]))
                ++exponent;
            end = exponent;
        }
    }

    QByteArray number = s.left(end).toLatin1();
    number.replace('D', 'E').replace('d', 'e');
    const char *first = number.constData();
    if (*first == '+')
        ++first; // from_chars takes no plus sign
    double value = 0;
    const auto [rest, error] = std::from_chars(first, number.constData() + number.size(), value);
    if (error == std::errc::result_out_of_range) {
        const bool negative = number.startsWith('-');
        if (decimalExponent(number) < 0)
            return negative ? -0.0 : 0.0;
        return negative ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
    }
    Q_UNUSED(rest)
    return value;
}

} // namespace vantrel
