// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

namespace vantrel::test {

// A quote page built for a test: 105 lines of markup, then the quote line with every price field
// filled, then a closing line. Prices are written left-aligned in their fields.
class TestPage
{
public:
    enum class LineEnd { CrLf, Cr, Lf };

    // Every pair starts with both prices at `price` (formatted to fit its field).
    explicit TestPage(const QString &price = QStringLiteral("1.0000"));

    // The text of one price field of a pair; the rest of the field is filled with blanks.
    void setField(const QString &pair, int which, const QString &text);
    void setPrices(const QString &pair, const QString &first, const QString &second);
    // Writes raw text at a 1-based position of the quote line, past the field if need be.
    void writeAt(int position, const QString &text);
    void setLineCount(int lines) { m_lineCount = lines; }
    void truncateQuoteLine(int length) { m_quoteLine.truncate(length); }

    QByteArray bytes(LineEnd lineEnd = LineEnd::CrLf) const;

private:
    QString m_quoteLine;
    int m_lineCount = 107;
};

} // namespace vantrel::test
