// SPDX-License-Identifier: GPL-3.0-or-later
#include "page/quote_page_writer.h"

#include "quotes/quote_layout.h"

#include <QByteArrayList>
#include <QLocale>

#include <iterator>

namespace vantrel::feed {
namespace {

const char *const kHeadLines[] = {
    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">",
    "<html lang=\"en\">",
    "<head>",
    "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\">",
    "<meta http-equiv=\"Pragma\" content=\"no-cache\">",
    "<meta http-equiv=\"Expires\" content=\"0\">",
    "<meta name=\"robots\" content=\"noindex, nofollow\">",
    "<meta name=\"description\" content=\"Indicative foreign exchange rates for interbank dealing\">",
    "<title>Harbourline Interest Bank - Foreign Exchange Market</title>",
    "<link rel=\"shortcut icon\" href=\"/interesthq/images/favicon.ico\">",
    "<style type=\"text/css\">",
    "<!--",
    "body {",
    "  margin: 0;",
    "  background-color: #ffffff;",
    "  font-family: Verdana, Arial, Helvetica, sans-serif;",
    "  font-size: 11px;",
    "  color: #1a1a1a;",
    "}",
    "a:link, a:visited {",
    "  color: #003366;",
    "  text-decoration: none;",
    "}",
    "a:hover {",
    "  text-decoration: underline;",
    "}",
    "#banner {",
    "  background-color: #003366;",
    "  color: #ffffff;",
    "  padding: 6px 12px;",
    "}",
    "#menu {",
    "  background-color: #e6ecf2;",
    "  border-bottom: 1px solid #99aabb;",
    "  padding: 4px 12px;",
    "}",
    "h1 {",
    "  font-size: 15px;",
    "  margin: 12px 12px 4px 12px;",
    "}",
    "h2.stamp {",
    "  margin: 0 12px 8px 12px;",
    "  font-size: 12px;",
    "  color: #555555;",
    "}",
    "table.rates {",
    "  margin: 0 12px;",
    "  border-collapse: collapse;",
    "}",
    "table.rates td, table.rates th {",
    "  border: 1px solid #c8d2dc;",
    "  padding: 2px 8px;",
    "}",
    "table.rates th {",
    "  background-color: #e6ecf2;",
    "}",
    "td.pair {",
    "  font-weight: bold;",
    "}",
    "p.note {",
    "  margin: 8px 12px;",
    "  font-size: 10px;",
    "  color: #777777;",
    "}",
    "-->",
    "</style>",
    "<script type=\"text/javascript\">",
    "<!--",
    "function reloadRates() {",
    "  window.location.reload();",
    "}",
    "//-->",
    "</script>",
    "</head>",
    "<body>",
    "<div id=\"banner\">",
    "  <b>Harbourline Interest Bank</b> &middot; Treasury and Markets",
    "</div>",
    "<div id=\"menu\">",
    "  <a href=\"/interesthq/index.html\">Home</a> |",
    "  <a href=\"/interesthq/market.dll?getexmarket_5l?branch=0755\">Foreign Exchange</a> |",
    "  <a href=\"/interesthq/market.dll?getmoneymarket?branch=0755\">Money Market</a> |",
    "  <a href=\"/interesthq/market.dll?getbullion?branch=0755\">Bullion</a> |",
    "  <a href=\"/interesthq/contact.html\">Dealing Room</a> |",
    "  <a href=\"javascript:reloadRates()\">Refresh</a>",
    "</div>",
    "<h1>Foreign Exchange Market</h1>",
};

const char *const kTailLines[] = {
    "<p class=\"note\">Rates are indicative only and may change without notice. Dealing rates are",
    "quoted by the dealing room on request. Bid is the first price, offer the second.</p>",
    "<p class=\"note\">&copy; Harbourline Interest Bank. All rights reserved.</p>",
    "</body>",
    "</html>",
};

// The head, the time stamp and the column headings must leave the quote line where Vantrel reads it.
static_assert(std::size(kHeadLines) + 4 <= kQuoteLineNumber - 1);

const QByteArray kLineEnd = QByteArrayLiteral("\r\n");

} // namespace

QByteArray writeQuotePage(const QuotedPairs &pairs, const QDateTime &quotedAt)
{
    QByteArrayList lines;
    for (const char *line : kHeadLines)
        lines << line;
    lines << "<h2 class=\"stamp\">Rates as at "
                 + QLocale::c().toString(quotedAt, QStringLiteral("dd MMM yyyy HH:mm:ss")).toLatin1() + "</h2>"
          << "<table class=\"rates\" summary=\"column headings\">"
          << "<tr><th>Currency</th><th>Bid</th><th>Offer</th></tr>"
          << "</table>";
    // Pages of this kind carry blank lines left by the template; they keep the quotes on their line.
    while (lines.size() < kQuoteLineNumber - 1)
        lines << QByteArray();
    Q_ASSERT(lines.size() == kQuoteLineNumber - 1);
    lines << writeQuoteLine(pairs);
    for (const char *line : kTailLines)
        lines << line;
    return lines.join(kLineEnd) + kLineEnd;
}

} // namespace vantrel::feed
