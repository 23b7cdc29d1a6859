// SPDX-License-Identifier: GPL-3.0-or-later
#include "server/feed_server.h"

#include "server/feed_connection.h"
#include "server/http_messages.h"

#include <QTcpSocket>

namespace vantrel::feed {

FeedServer::FeedServer(FeedResponder responder, int delayMs, QObject *parent)
    : QObject(parent)
    , m_responder(std::move(responder))
    , m_delayMs(delayMs)
{
    connect(&m_server, &QTcpServer::newConnection, this, &FeedServer::acceptClients);
    m_idleClock.setSingleShot(true);
    connect(&m_idleClock, &QTimer::timeout, this, &FeedServer::idleClockRanOut);
}

bool FeedServer::listen(const QHostAddress &address, quint16 port)
{
    return m_server.listen(address, port);
}

bool FeedServer::serveOn(qintptr listeningSocket)
{
    return m_server.setSocketDescriptor(listeningSocket);
}

QString FeedServer::errorString() const
{
    return m_server.errorString();
}

quint16 FeedServer::port() const
{
    return m_server.serverPort();
}

QString FeedServer::pageUrl() const
{
    const QHostAddress address = m_server.serverAddress();
    QString host = address.toString();
    if (address.protocol() == QAbstractSocket::IPv6Protocol)
        host = QLatin1Char('[') + host + QLatin1Char(']');
    return QStringLiteral("http://%1:%2%3").arg(host).arg(port()).arg(QLatin1StringView(kQuotePageTarget));
}

int FeedServer::openConnections() const
{
    return int(findChildren<FeedConnection *>(Qt::FindDirectChildrenOnly).size());
}

void FeedServer::reportIdleAfter(std::chrono::milliseconds limit)
{
    m_reportsIdle = true;
    m_idleClock.setInterval(limit);
    m_idleClock.start();
}

void FeedServer::acceptClients()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        auto *connection = new FeedConnection(
            socket, m_delayMs, [this](const RequestHead &request) { return m_responder.answer(request); }, this);
        connect(connection, &QObject::destroyed, this, &FeedServer::restartIdleClock);
    }
    restartIdleClock();
}

void FeedServer::restartIdleClock()
{
    if (m_reportsIdle)
        m_idleClock.start();
}

// The clock only restarts as clients come and go, so a client that stays connected longer than the
// limit is still there when it runs out.
void FeedServer::idleClockRanOut()
{
    if (openConnections() > 0)
        m_idleClock.start();
    else
        emit idle();
}

} // namespace vantrel::feed
