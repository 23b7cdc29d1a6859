// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/socket_owner.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <unistd.h>

using namespace vantrel;

class TestSocketOwner : public QObject
{
    Q_OBJECT

private slots:
    void ownerOfWhatIsAskedFor_data();
    void ownerOfWhatIsAskedFor();
};

enum class Asked { Listener, MappedListener, ClientEnd, ClientEndNotThere, FreePort };
Q_DECLARE_METATYPE(Asked)

void TestSocketOwner::ownerOfWhatIsAskedFor_data()
{
    QTest::addColumn<Asked>("asked");
    QTest::addColumn<bool>("found");

    QTest::newRow("a listener of ours") << Asked::Listener << true;
    QTest::newRow("the same, its address mapped into IPv6") << Asked::MappedListener << true;
    QTest::newRow("the client end of a connection of ours") << Asked::ClientEnd << true;
    // The kernel's lookup falls back to a listener on the port: a client on another machine whose port
    // is one we listen on must not pass for one of ours.
    QTest::newRow("no such connection, from a port we listen on") << Asked::ClientEndNotThere << false;
    QTest::newRow("a port no one listens on") << Asked::FreePort << false;
}

void TestSocketOwner::ownerOfWhatIsAskedFor()
{
    QFETCH(Asked, asked);
    QFETCH(bool, found);

    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, server.serverPort());
    QVERIFY(client.waitForConnected(5000));
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost));
    const quint16 freePort = closed.serverPort();
    closed.close();

    const QHostAddress loopback(QHostAddress::LocalHost);
    std::optional<uid_t> owner;
    switch (asked) {
    case Asked::Listener:
        owner = tcpSocketOwner(loopback, server.serverPort());
        break;
    case Asked::MappedListener:
        owner = tcpSocketOwner(QHostAddress(QStringLiteral("::ffff:127.0.0.1")), server.serverPort());
        break;
    case Asked::ClientEnd:
        owner = tcpSocketOwner(client.localAddress(), client.localPort(), client.peerAddress(), client.peerPort());
        break;
    case Asked::ClientEndNotThere:
        owner = tcpSocketOwner(loopback, server.serverPort(), loopback, freePort);
        break;
    case Asked::FreePort:
        owner = tcpSocketOwner(loopback, freePort);
        break;
    }
    QCOMPARE(owner.has_value(), found);
    if (found)
        QCOMPARE(*owner, ::getuid());
}

QTEST_GUILESS_MAIN(TestSocketOwner)
#include "tst_socket_owner.moc"
