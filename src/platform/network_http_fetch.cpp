// SPDX-License-Identifier: GPL-3.0-or-later
#include "network_http_fetch.h"

#include <QNetworkReply>
#include <QNetworkRequest>

namespace vantrel {
namespace {

// Small enough that readyRead comes often, so an oversized reply is stopped soon after the limit.
constexpr qint64 kReadBufferSize = 64 * 1024;

// Whether the connection broke off before the whole body had come. Qt reports that as a network
// error, but when the close races with the end of its reading it reports the reply as complete, or
// only by the error its status line stands for; the announced length tells either way. (A body
// Qt unpacks has no length header left: what was announced counted the packed bytes.)
bool isCutShort(const QNetworkReply &reply, qint64 received)
{
    if (reply.error() > QNetworkReply::NoError && reply.error() < QNetworkReply::ProxyConnectionRefusedError)
        return true; // the network errors, numbered below the proxy ones
    const QVariant announced = reply.header(QNetworkRequest::ContentLengthHeader);
    return announced.isValid() && received < announced.toLongLong();
}

} // namespace

NetworkHttpFetch::NetworkHttpFetch(QObject *parent)
    : HttpFetch(parent)
{
    m_deadline.setSingleShot(true);
    // Never before its time: a coarse timer may fire 5 % early, and a download is given its whole minute.
    m_deadline.setTimerType(Qt::PreciseTimer);
    connect(&m_deadline, &QTimer::timeout, this, &NetworkHttpFetch::onDeadlinePassed);
}

NetworkHttpFetch::~NetworkHttpFetch()
{
    releaseReply();
}

void NetworkHttpFetch::setRequestTimeout(int seconds)
{
    m_timeoutMs = seconds * 1000;
}

void NetworkHttpFetch::fetch(const QUrl &url)
{
    cancel();
    m_body.clear();

    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Vantrel"));
    // Qt's own transfer timeout only measures silence; the deadline below bounds the whole request.
    request.setTransferTimeout(0);
    // The page comes from the quote address or not at all: a page sent on from elsewhere is no quote.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);

    m_reply = m_manager.get(request);
    m_reply->setReadBufferSize(kReadBufferSize);
    connect(m_reply, &QNetworkReply::readyRead, this, &NetworkHttpFetch::takeAvailableBytes);
    connect(m_reply, &QNetworkReply::finished, this, &NetworkHttpFetch::onReplyFinished);
    m_deadline.start(m_timeoutMs);
}

void NetworkHttpFetch::cancel()
{
    m_deadline.stop();
    releaseReply();
}

void NetworkHttpFetch::takeAvailableBytes()
{
    if (!m_reply)
        return;
    m_body += m_reply->readAll();
    if (m_body.size() > m_maximumPageSize) {
        finishWith({kFetchTooLarge, {},
                    QStringLiteral("the page is larger than %1 bytes").arg(m_maximumPageSize)});
    }
}

void NetworkHttpFetch::onReplyFinished()
{
    takeAvailableBytes();
    if (!m_reply)
        return; // the size limit ended it

    // An error status still comes with the page the server sent, and that page is what gets saved;
    // a page cut off in mid-body is no page, whatever its status line said.
    const QNetworkReply::NetworkError error = m_reply->error();
    const QVariant status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const bool serverAnswered = status.isValid();
    if (status.toInt() >= 300 && status.toInt() < 400)
        finishWith({int(QNetworkReply::InsecureRedirectError), {},
                    QStringLiteral("HTTP %1: the page was sent on elsewhere; not followed").arg(status.toInt())});
    else if (error != QNetworkReply::NoError && !serverAnswered)
        finishWith({int(error), {}, m_reply->errorString()});
    else if (isCutShort(*m_reply, m_body.size()))
        finishWith({int(QNetworkReply::RemoteHostClosedError), {},
                    QStringLiteral("the connection closed in the middle of the page")});
    else
        finishWith({0, m_body, {}});
}

void NetworkHttpFetch::onDeadlinePassed()
{
    finishWith({kFetchTimedOut, {}, QStringLiteral("the request timed out")});
}

void NetworkHttpFetch::finishWith(FetchResult result)
{
    m_deadline.stop();
    releaseReply();
    m_body.clear();
    emit finished(result);
}

void NetworkHttpFetch::releaseReply()
{
    if (!m_reply)
        return;
    QNetworkReply *reply = m_reply;
    m_reply = nullptr;
    // Aborting raises finished() at once; the reply must no longer reach us by then.
    disconnect(reply, nullptr, this, nullptr);
    reply->abort();
    reply->deleteLater();
}

} // namespace vantrel
