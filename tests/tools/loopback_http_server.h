// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

// Stands in for a source's server on the loopback interface: every request gets the reply set last.
class LoopbackHttpServer : public QObject
{
public:
    struct Reply {
        int status = 200;
        QByteArray body;
        bool withhold = false; // never answer, as a server that hangs
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

    void setReply(const Reply &reply) { m_reply = reply; }
    QByteArray lastRequest() const { return m_lastRequest; }

private:
    void answer(QTcpSocket *socket)
    {
        QByteArray &received = m_received[socket];
        received += socket->readAll();
        if (!received.contains("\r\n\r\n"))
            return;
        m_lastRequest = received;
        if (m_reply.withhold)
            return;
        static const QHash<int, QByteArray> reasons{{200, "OK"}, {401, "Unauthorized"}, {500, "Internal Server Error"}};
        socket->write("HTTP/1.1 " + QByteArray::number(m_reply.status) + " " + reasons.value(m_reply.status, "Status") + "\r\nContent-Length: "
                      + QByteArray::number(m_reply.body.size()) + "\r\nConnection: close\r\n\r\n" + m_reply.body);
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    Reply m_reply;
    QByteArray m_lastRequest;
    QHash<QTcpSocket *, QByteArray> m_received;
};
