// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

// Stands in for a source's server on the loopback interface: each request gets the next reply set, the
// last one again once they are all used.
class LoopbackHttpServer : public QObject
{
public:
    struct Reply {
        Reply(int status = 200, QByteArray body = {}, bool withhold = false, QByteArray head = {})
            : status(status), body(std::move(body)), withhold(withhold), head(std::move(head))
        {
        }
        int status;
        QByteArray body;
        bool withhold; // never answer, as a server that hangs
        QByteArray head; // more header fields, each ending in \r\n
    };

    LoopbackHttpServer()
    {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                socket->setParent(this);
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { answer(socket); });
            }
        });
    }

    QUrl url(const QString &path) const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path));
    }

    void setReply(const Reply &reply) { m_replies = {reply}; }
    void setReplies(const QList<Reply> &replies) { m_replies = replies; }
    QByteArray lastRequest() const { return m_lastRequest; }
    int requests() const { return m_requests; }

private:
    void answer(QTcpSocket *socket)
    {
        QByteArray &received = m_received[socket];
        received += socket->readAll();
        if (!received.contains("\r\n\r\n"))
            return;
        m_lastRequest = received;
        ++m_requests;
        const Reply reply = m_replies.size() > 1 ? m_replies.takeFirst() : m_replies.value(0);
        if (reply.withhold)
            return;
        static const QHash<int, QByteArray> reasons{
            {200, "OK"}, {302, "Found"}, {401, "Unauthorized"}, {500, "Internal Server Error"}};
        socket->write("HTTP/1.1 " + QByteArray::number(reply.status) + " " + reasons.value(reply.status, "Status")
                      + "\r\nContent-Length: " + QByteArray::number(reply.body.size()) + "\r\n" + reply.head
                      + "Connection: close\r\n\r\n" + reply.body);
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    QList<Reply> m_replies{Reply{}};
    QByteArray m_lastRequest;
    int m_requests = 0;
    QHash<QTcpSocket *, QByteArray> m_received;
};
