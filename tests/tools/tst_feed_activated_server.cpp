// SPDX-License-Identifier: GPL-3.0-or-later
// The quote server as it runs when systemd started it: on a socket already listening, and telling when
// it has had no client for a while.
#include "server/feed_responder.h"
#include "server/feed_server.h"
#include "feed_test_client.h"
#include "server/http_messages.h"
#include "sources/market_simulation.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace vantrel::feed;
using namespace feed_test;

namespace {

FeedResponder simulatedMarket()
{
    return FeedResponder(FaultMode::None, [market = MarketSimulation(1)]() mutable {
        market.step();
        return market.renderPage();
    }, 1);
}

// A socket listening on a free loopback port, as systemd would pass one; -1 when none could be made.
int listeningSocket()
{
    const int socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (socket < 0 || ::bind(socket, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0
        || ::listen(socket, 16) != 0) {
        if (socket >= 0)
            ::close(socket);
        return -1;
    }
    return socket;
}

} // namespace

class TestFeedActivatedServer : public QObject
{
    Q_OBJECT

private slots:
    void servesOnAListeningSocket();
    void reportsIdleOnlyWithoutClients();
};

void TestFeedActivatedServer::servesOnAListeningSocket()
{
    const int socket = listeningSocket();
    QVERIFY(socket >= 0);
    sockaddr_in address{};
    socklen_t length = sizeof address;
    QCOMPARE(::getsockname(socket, reinterpret_cast<sockaddr *>(&address), &length), 0);

    FeedServer server(simulatedMarket(), 0);
    QVERIFY2(server.serveOn(socket), qPrintable(server.errorString()));
    QCOMPARE(server.port(), ntohs(address.sin_port));
    QCOMPARE(server.pageUrl(), QStringLiteral("http://127.0.0.1:%1%2").arg(server.port()).arg(kQuotePageTarget));
    Client client(server.port(), kPageRequest);
    QVERIFY(client.waitUntilClosed());
    QVERIFY(client.received.startsWith("HTTP/1.1 200 OK"));
}

void TestFeedActivatedServer::reportsIdleOnlyWithoutClients()
{
    FeedServer server(simulatedMarket(), 0);
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    QSignalSpy idle(&server, &FeedServer::idle);
    server.reportIdleAfter(std::chrono::milliseconds(300));

    // Clients coming more often than the limit keep it busy, and so does one that stays connected.
    for (int i = 0; i < 4; ++i) {
        Client client(server.port(), kPageRequest);
        QVERIFY(client.waitUntilClosed());
        QTest::qWait(150);
    }
    Client silent(server.port(), QByteArray("GET / HTTP/1.1\r\n")); // never ends its head
    QTest::qWait(800);
    QCOMPARE(idle.count(), 0);

    silent.socket.abort();
    QElapsedTimer sinceLastClient;
    sinceLastClient.start();
    QVERIFY(idle.wait(5000));
    QVERIFY2(sinceLastClient.elapsed() >= 250, QByteArray::number(sinceLastClient.elapsed()));
    // Once told, it says it again only after another client.
    QTest::qWait(700);
    QCOMPARE(idle.count(), 1);
    Client late(server.port(), kPageRequest);
    QVERIFY(late.waitUntilClosed());
    QVERIFY(idle.wait(5000));
}

QTEST_GUILESS_MAIN(TestFeedActivatedServer)
#include "tst_feed_activated_server.moc"
