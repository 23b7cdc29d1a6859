// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <chrono>
#include <functional>

class QNetworkReply;

namespace vantrel::feed {

// How long and how big an answer a source may give.
struct FetchLimits {
    // Our own deadline for the whole answer: Qt's transfer timeout only notices a transfer that stops,
    // not one that trickles on for ever.
    std::chrono::milliseconds timeout{20000};
    qsizetype maxBytes = 1024 * 1024;
};

// One answer of a source, or why there is none.
struct FetchResult {
    QByteArray body;
    int status = 0; // the HTTP status, 0 when none came
    QString error;  // empty when the body is the source's answer
};

// Fetches a source's answers one at a time, within the limits.
class HttpFetcher : public QObject
{
    Q_OBJECT

public:
    using Done = std::function<void(const FetchResult &)>;

    explicit HttpFetcher(FetchLimits limits, QObject *parent = nullptr);

    // True while an answer is awaited; a new request is not started before it is in.
    bool busy() const { return !m_reply.isNull(); }

    void get(QNetworkRequest request, Done done);
    // Drops the request in flight, if any, without calling its Done.
    void cancel();

private:
    void checkSize();
    void finishReceived();
    void finish(const FetchResult &result);

    FetchLimits m_limits;
    QNetworkAccessManager m_network;
    QPointer<QNetworkReply> m_reply;
    QTimer m_deadline;
    Done m_done;
};

} // namespace vantrel::feed
