// SPDX-License-Identifier: GPL-3.0-or-later
#include "server/feed_responder.h"
#include "server/feed_server.h"
#include "feed_test_client.h"
#include "server/http_messages.h"
#include "sources/market_simulation.h"

#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTest>

#include <algorithm>
#include <memory>
#include <vector>

using namespace vantrel::feed;
using namespace feed_test;

Q_DECLARE_METATYPE(vantrel::feed::RequestHead::State)

class TestFeedServer : public QObject
{
    Q_OBJECT

private slots:
    void readsRequestHeads_data();
    void readsRequestHeads();
    void clientsAreAnsweredSideBySide();
};

void TestFeedServer::readsRequestHeads_data()
{
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<RequestHead::State>("state");
    QTest::addColumn<QByteArray>("target");

    using S = RequestHead::State;
    QTest::newRow("page") << kPageRequest << S::Complete << QByteArray(kQuotePageTarget);
    QTest::newRow("not ended yet") << QByteArray("GET / HTTP/1.1\r\nHost: x\r\n") << S::Incomplete << QByteArray();
    QTest::newRow("bare line feeds") << QByteArray("GET /a HTTP/1.0\n\n") << S::Complete << QByteArray("/a");
    QTest::newRow("no version") << QByteArray("GET /\r\n\r\n") << S::Malformed << QByteArray();
    QTest::newRow("not HTTP/1") << QByteArray("GET / HTTP/2.0\r\n\r\n") << S::Malformed << QByteArray();
    QTest::newRow("field without colon") << QByteArray("GET / HTTP/1.1\r\nHost\r\n\r\n") << S::Malformed << QByteArray();
    QTest::newRow("oversized") << "GET / HTTP/1.1\r\nX: " + QByteArray(kMaxRequestHeadSize, 'a') << S::Malformed
                               << QByteArray();
}

void TestFeedServer::readsRequestHeads()
{
    QFETCH(QByteArray, received);
    QFETCH(RequestHead::State, state);
    QFETCH(QByteArray, target);

    const RequestHead head = parseRequestHead(received);
    QCOMPARE(head.state, state);
    QCOMPARE(head.target, target);
}

void TestFeedServer::clientsAreAnsweredSideBySide()
{
    FeedResponder responder(FaultMode::None, [market = MarketSimulation(1)]() mutable {
        market.step();
        return market.renderPage();
    }, 1);
    FeedServer server(std::move(responder), 500);
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));

    Client silent(server.port(), QByteArray("GET / HTTP/1.1\r\n")); // never ends its head
    QElapsedTimer elapsed;
    elapsed.start();
    std::vector<std::unique_ptr<Client>> clients;
    for (int i = 0; i < 10; ++i)
        clients.push_back(std::make_unique<Client>(server.port(), kPageRequest));
    QVERIFY(QTest::qWaitFor([&] {
        return std::all_of(clients.begin(), clients.end(), [](const auto &client) {
            return client->socket.state() == QAbstractSocket::UnconnectedState;
        });
    }, 5000));
    // Each waits out the delay, none waits for another or for the silent client (one after another
    // would take five seconds).
    QVERIFY2(elapsed.elapsed() >= 480 && elapsed.elapsed() < 3000, QByteArray::number(elapsed.elapsed()));
    for (const auto &client : clients)
        QVERIFY(client->received.startsWith("HTTP/1.1 200 OK"));

    // Clients that have gone are no longer held; the silent one is until it goes too.
    QVERIFY(QTest::qWaitFor([&] { return server.openConnections() == 1; }, 5000));
    silent.socket.abort();
    QVERIFY(QTest::qWaitFor([&] { return server.openConnections() == 0; }, 5000));
}

QTEST_GUILESS_MAIN(TestFeedServer)
#include "tst_feed_server.moc"
