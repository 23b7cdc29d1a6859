// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "page/quote_line_writer.h"

#include <QByteArray>
#include <QDateTime>

namespace vantrel::feed {

// The whole quote page as the bank serves it: Latin-1 HTML, lines ending CR LF, the page head on
// lines 1-105, the quote line on line 106 and the closing markup after it. `quotedAt` is the time
// the heading shows.
QByteArray writeQuotePage(const QuotedPairs &pairs, const QDateTime &quotedAt);

} // namespace vantrel::feed
