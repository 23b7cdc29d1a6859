// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "server/http_messages.h"

#include <QAbstractSocket>
#include <QHostAddress>
#include <QTcpSocket>
#include <QTest>

namespace feed_test {

inline const QByteArray kPageRequest =
    QByteArray("GET ") + vantrel::feed::kQuotePageTarget + " HTTP/1.1\r\nHost: localhost\r\n\r\n";

// A client in this thread, so the server can answer while the test waits in the event loop.
struct Client {
    QTcpSocket socket;
    QByteArray received;

    Client(quint16 port, const QByteArray &request)
    {
        QObject::connect(&socket, &QTcpSocket::readyRead, [this] { received += socket.readAll(); });
        socket.connectToHost(QHostAddress::LocalHost, port);
        socket.write(request);
    }

    bool waitUntilClosed() const
    {
        return QTest::qWaitFor([this] { return socket.state() == QAbstractSocket::UnconnectedState; }, 5000);
    }
};

} // namespace feed_test
