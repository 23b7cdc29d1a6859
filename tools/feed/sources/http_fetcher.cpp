// SPDX-License-Identifier: GPL-3.0-or-later
#include "sources/http_fetcher.h"

#include "sources/bounded_file.h"

#include <QNetworkReply>

namespace vantrel::feed {

HttpFetcher::HttpFetcher(FetchLimits limits, QObject *parent)
    : QObject(parent)
    , m_limits(limits)
{
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        finish({QByteArray(), 0,
                QStringLiteral("no answer within %1 s")
                    .arg(std::chrono::duration_cast<std::chrono::duration<double>>(m_limits.timeout).count())});
    });
}

void HttpFetcher::get(QNetworkRequest request, Done done)
{
    Q_ASSERT(!busy());
    m_done = std::move(done);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    m_reply = m_network.get(request);
    connect(m_reply, &QNetworkReply::metaDataChanged, this, &HttpFetcher::checkSize);
    connect(m_reply, &QNetworkReply::readyRead, this, &HttpFetcher::checkSize);
    connect(m_reply, &QNetworkReply::finished, this, &HttpFetcher::finishReceived);
    m_deadline.start(m_limits.timeout);
}

void HttpFetcher::checkSize()
{
    const qint64 announced = m_reply->header(QNetworkRequest::ContentLengthHeader).toLongLong();
    if (announced > m_limits.maxBytes || m_reply->bytesAvailable() > m_limits.maxBytes)
        finish({QByteArray(), 0, QStringLiteral("the answer is over the %1 limit").arg(sizeText(m_limits.maxBytes))});
}

void HttpFetcher::finishReceived()
{
    const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status >= 400) {
        const QString reason = m_reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
        finish({m_reply->readAll(), status, QStringLiteral("HTTP %1 %2").arg(status).arg(reason).trimmed()});
    } else if (status >= 300 && status < 400) {
        // Only a request that must not follow one (it carries a secret) sees a redirection here.
        const QString reason = m_reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
        const QUrl target = m_reply->url().resolved(m_reply->header(QNetworkRequest::LocationHeader).toUrl());
        finish({QByteArray(), status, QStringLiteral("HTTP %1 %2: sent on to %3, not followed")
                                          .arg(status).arg(reason, target.toDisplayString())});
    } else if (m_reply->error() != QNetworkReply::NoError) {
        finish({QByteArray(), status, m_reply->errorString()});
    } else if (m_reply->bytesAvailable() > m_limits.maxBytes) {
        checkSize();
    } else {
        finish({m_reply->readAll(), status, QString()});
    }
}

void HttpFetcher::cancel()
{
    m_done = nullptr;
    finish({});
}

void HttpFetcher::finish(const FetchResult &result)
{
    m_deadline.stop();
    if (QNetworkReply *reply = m_reply) {
        m_reply.clear();
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
    if (Done done = std::exchange(m_done, nullptr))
        done(result);
}

} // namespace vantrel::feed
