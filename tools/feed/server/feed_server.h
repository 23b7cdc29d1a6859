// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "server/feed_responder.h"
#include "server/listening_socket.h"

#include <QHostAddress>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>

#include <chrono>
#include <memory>

class QSocketNotifier;

namespace vantrel::feed {

class FeedConnection;

// The quote server: accepts its own user's clients and gives each a connection of its own, all
// answered by one responder so that every request moves the same market. A client of another user is
// dropped unanswered; past kMaxConnections, the oldest client still silent about its request goes first.
class FeedServer : public QObject
{
    Q_OBJECT

public:
    // Far above what Vantrel needs (one at a time) and far below the descriptor limit, which start-up
    // raises (raiseDescriptorLimit()), so that the clients of one program cannot keep another out.
    static constexpr int kMaxConnections = 512;

    FeedServer(FeedResponder responder, int delayMs, QObject *parent = nullptr);
    ~FeedServer() override;

    // False, with errorString() saying why, when the socket cannot be listened on.
    bool listenOnUnixSocket(const QString &path);
    bool listen(const QHostAddress &address, quint16 port);
    // Serves on a socket that is already listening, such as one systemd passed; false, with
    // errorString() saying why, when it cannot be served on. The server takes the socket over.
    bool serveOn(qintptr listeningSocket);
    QString errorString() const { return m_error; }

    // Emits idle() whenever no client has been connected for `limit`.
    void reportIdleAfter(std::chrono::milliseconds limit);

    // Where the quote page is on this server, with the port actually listened on.
    QString pageUrl() const;
    quint16 port() const;

    // Clients still connected; a client that has gone must not stay counted.
    int openConnections() const;

signals:
    void idle();

private:
    bool serveOn(std::unique_ptr<ListeningSocket> socket);
    void acceptClients();
    bool isOwnUser(int client);
    bool take(int client);
    bool dropOldestWaiting();
    void sayRefused(const QString &who);
    void restartIdleClock();
    void idleClockRanOut();

    std::unique_ptr<ListeningSocket> m_listening;
    std::unique_ptr<QSocketNotifier> m_accepting;
    QTimer m_acceptAgain;
    FeedResponder m_responder;
    int m_delayMs;
    QString m_error;
    QSet<QString> m_refusedSaid;
    QTimer m_idleClock;
    bool m_reportsIdle = false;
};

// Raises this process's soft limit on open descriptors to its hard limit, so that many held
// connections meet the connection cap long before the limit.
void raiseDescriptorLimit();

} // namespace vantrel::feed
