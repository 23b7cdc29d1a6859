// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

namespace vantrel {

// One line of a saved quote page, numbered from 1. A line ends at CR or at CR LF; a lone LF does not
// end a line and stays part of its text. Bytes are read as Latin-1, so positions are byte positions.
// Nothing when the page has fewer lines.
std::optional<QString> pageLine(QByteArrayView page, int lineNumber);

// The line that carries the prices.
std::optional<QString> quoteLineOf(QByteArrayView page);

// How many lines the page has by the same rule (a last line without its end counts).
int pageLineCount(QByteArrayView page);

} // namespace vantrel
