// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "feed_responder.h"

#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QTcpServer>

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
    QString errorString() const;

    // The address of the quote page on this server, with the port actually listened on.
    QString pageUrl() const;
    quint16 port() const;

    // Clients still connected; a client that has gone must not stay counted.
    int openConnections() const;

private:
    void acceptClients();

    QTcpServer m_server;
    FeedResponder m_responder;
    int m_delayMs;
};

} // namespace vantrel::feed
