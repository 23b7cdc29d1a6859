// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "server/feed_responder.h"
#include "server/http_messages.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>

#include <functional>

class QIODevice;
class QLocalSocket;
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

    // A client that has not finished its request head by then is dropped: Vantrel sends its head at
    // once, and a client that holds a connection open without asking only keeps another one out.
    static constexpr int kRequestTimeoutMs = 5'000;

    // Takes the socket over.
    FeedConnection(QTcpSocket *socket, int delayMs, Responder responder, QObject *parent = nullptr);
    FeedConnection(QLocalSocket *socket, int delayMs, Responder responder, QObject *parent = nullptr);

    // Whether the client has not yet sent its whole request: the first to go when there are too many.
    bool waitingForRequest() const { return !m_requestRead; }
    // Drops the client at once.
    void drop();

private:
    FeedConnection(QIODevice *socket, int delayMs, Responder responder, QObject *parent);
    void start();
    void readRequest();
    void respond(const RequestHead &request);
    void sendNextTrickledByte();

    QIODevice *m_socket;
    // What differs between a TCP and a Unix socket.
    std::function<bool()> m_connected;
    std::function<void()> m_closeAfterWriting;
    std::function<void()> m_abort;
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
