// SPDX-License-Identifier: GPL-3.0-or-later
#include "feed_server.h"

#include "feed_connection.h"
#include "http_messages.h"

#include <QTcpSocket>

namespace vantrel::feed {

FeedServer::FeedServer(FeedResponder responder, int delayMs, QObject *parent)
    : QObject(parent)
    , m_responder(std::move(responder))
    , m_delayMs(delayMs)
{
    connect(&m_server, &QTcpServer::newConnection, this, &FeedServer::acceptClients);
}

bool FeedServer::listen(const QHostAddress &address, quint16 port)
{
    return m_server.listen(address, port);
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

void FeedServer::acceptClients()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        new FeedConnection(socket, m_delayMs,
                           [this](const RequestHead &request) { return m_responder.answer(request); }, this);
    }
}

} // namespace vantrel::feed
