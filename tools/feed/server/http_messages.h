// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

namespace vantrel::feed {

// The one target that serves the quote page: path and query, both question marks included.
inline constexpr char kQuotePageTarget[] = "/interesthq/market.dll?getexmarket_5l?branch=0755";

// A request head, blank line included, bigger than this is refused; a real client sends a few hundred bytes.
inline constexpr qsizetype kMaxRequestHeadSize = 16 * 1024;

// What the bytes received so far say about the request.
struct RequestHead {
    enum class State { Incomplete, Complete, Malformed };

    State state = State::Incomplete;
    QByteArray method; // "GET"
    QByteArray target; // the path and query exactly as sent
    std::optional<QByteArray> host; // the Host field in lower case, when there is one
};

// Reads the request line from the bytes received so far; the head ends at the first blank line.
// Malformed when the head is not HTTP/1.x, or does not end within the size limit.
RequestHead parseRequestHead(QByteArrayView received);

// The status line and header fields of every answer: HTML in Latin-1, the body's length, and the
// connection closed afterwards.
QByteArray responseHead(int status, qsizetype contentLength);

// A small HTML page saying what went wrong, for answers other than the quote page.
QByteArray statusPage(int status);

} // namespace vantrel::feed
