// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "server/feed_responder.h"

#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QTcpServer>
#include <QTimer>

#include <chrono>

namespace vantrel::feed {

// The quote server: accepts clients and gives each a connection of its own, all answered by one
// responder so that every request moves the same market.
class FeedServer : public QObject
{
    Q_OBJECT

public:
    FeedServer(FeedResponder responder, int delayMs, QObject *parent = nullptr);

    // False, with errorString() saying why, when the address cannot be listened on.
    bool listen(const QHostAddress &address, quint16 port);
    // Serves on a socket that is already listening, such as one systemd passed; false, with
    // errorString() saying why, when it cannot be served on. The server takes the socket over.
    bool serveOn(qintptr listeningSocket);
    QString errorString() const;

    // Emits idle() whenever no client has been connected for `limit`.
    void reportIdleAfter(std::chrono::milliseconds limit);

    // The address of the quote page on this server, with the port actually listened on.
    QString pageUrl() const;
    quint16 port() const;

    // Clients still connected; a client that has gone must not stay counted.
    int openConnections() const;

signals:
    void idle();

private:
    void acceptClients();
    void restartIdleClock();
    void idleClockRanOut();

    QTcpServer m_server;
    FeedResponder m_responder;
    int m_delayMs;
    QTimer m_idleClock;
    bool m_reportsIdle = false;
};

} // namespace vantrel::feed
