// SPDX-License-Identifier: GPL-3.0-or-later
#include "server/http_messages.h"

#include <QByteArrayList>

namespace vantrel::feed {
namespace {

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200: return QByteArrayLiteral("OK");
    case 400: return QByteArrayLiteral("Bad Request");
    case 404: return QByteArrayLiteral("Not Found");
    case 405: return QByteArrayLiteral("Method Not Allowed");
    case 421: return QByteArrayLiteral("Misdirected Request");
    case 500: return QByteArrayLiteral("Internal Server Error");
    case 503: return QByteArrayLiteral("Service Unavailable");
    default: return QByteArrayLiteral("Unknown");
    }
}

bool isToken(QByteArrayView text)
{
    if (text.isEmpty())
        return false;
    for (char c : text) {
        if (c <= ' ' || c >= 127 || QByteArrayView("()<>@,;:\\\"/[]?={}").contains(c))
            return false;
    }
    return true;
}

// Offset just past the blank line that ends the head, or -1 while it has not come. Clients end header
// lines with CR LF; a bare LF is tolerated, as most servers do.
qsizetype headEnd(QByteArrayView received)
{
    const qsizetype crLf = received.indexOf("\r\n\r\n");
    const qsizetype lf = received.indexOf("\n\n");
    if (crLf >= 0 && (lf < 0 || crLf < lf))
        return crLf + 4;
    return lf >= 0 ? lf + 2 : -1;
}

} // namespace

RequestHead parseRequestHead(QByteArrayView received)
{
    RequestHead head;
    const qsizetype end = headEnd(received);
    if (end < 0) {
        if (received.size() >= kMaxRequestHeadSize)
            head.state = RequestHead::State::Malformed;
        return head;
    }
    head.state = RequestHead::State::Malformed;
    if (end > kMaxRequestHeadSize)
        return head;

    const QByteArrayList lines = received.first(end).trimmed().toByteArray().split('\n');
    const QList<QByteArray> parts = lines.first().trimmed().split(' ');
    if (parts.size() != 3 || !isToken(parts[0]) || parts[1].isEmpty() || !parts[2].startsWith("HTTP/1."))
        return head;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon < 0)
            return head;
        if (lines[i].first(colon).compare("Host", Qt::CaseInsensitive) == 0) {
            if (head.host)
                return head; // two Host fields: a request no server may answer (RFC 9112)
            head.host = lines[i].sliced(colon + 1).trimmed().toLower();
        }
    }
    head.state = RequestHead::State::Complete;
    head.method = parts[0];
    head.target = parts[1];
    return head;
}

QByteArray responseHead(int status, qsizetype contentLength)
{
    return "HTTP/1.1 " + QByteArray::number(status) + ' ' + reasonPhrase(status)
        + "\r\nContent-Type: text/html; charset=ISO-8859-1"
          "\r\nContent-Length: " + QByteArray::number(contentLength)
        + (status == 405 ? QByteArrayLiteral("\r\nAllow: GET") : QByteArray())
        + "\r\nCache-Control: no-store"
          "\r\nServer: vantrel-feed"
          "\r\nConnection: close\r\n\r\n";
}

QByteArray statusPage(int status)
{
    const QByteArray title = QByteArray::number(status) + ' ' + reasonPhrase(status);
    QByteArray explanation;
    switch (status) {
    case 404:
    case 405:
        explanation = QByteArrayLiteral("The quote page is served for GET at ") + kQuotePageTarget + '.';
        break;
    case 421:
        explanation = QByteArrayLiteral("This server serves its own user's quote page under its own name only.");
        break;
    case 500:
        explanation = QByteArrayLiteral("The quote service is temporarily unavailable. Please try again later.");
        break;
    default:
        explanation = QByteArrayLiteral("The request could not be read.");
    }
    return "<html><head><title>" + title + "</title></head>\r\n<body><h1>" + title + "</h1><p>"
        + explanation + "</p></body></html>\r\n";
}

} // namespace vantrel::feed
