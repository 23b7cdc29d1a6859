// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "server/feed_responder.h"
#include "server/http_messages.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>

#include <functional>

class QTcpSocket;

namespace vantrel::feed {

// One client of the quote server, from its request to the last byte of the answer. Everything runs on
// signals and timers, so a slow or stalled client never holds up another. The connection deletes itself
// once the client has gone.
class FeedConnection : public QObject
{
    Q_OBJECT

public:
    using Responder = std::function<Answer(const RequestHead &)>;

    // A client that has not finished its request head by then is dropped.
    static constexpr int kRequestTimeoutMs = 30'000;

    // Takes the socket over.
    FeedConnection(QTcpSocket *socket, int delayMs, Responder responder, QObject *parent = nullptr);

private:
    void readRequest();
    void respond(const RequestHead &request);
    void sendNextTrickledByte();
    bool connected() const;

    QTcpSocket *m_socket;
    int m_delayMs;
    Responder m_responder;
    QByteArray m_received;
    bool m_requestRead = false;
    Answer m_answer;
    qsizetype m_sent = 0;
    QTimer m_requestTimeout;
    QTimer m_trickle;
};

} // namespace vantrel::feed
