// SPDX-License-Identifier: GPL-3.0-or-later
// vantrel-feed started the way systemd starts it for the first client of the socket it listens on,
// through systemd-socket-activate, which passes its sockets the same way.
#include "quotes/quote_line_parser.h"
#include "quotes/quote_page.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>

using namespace vantrel;

namespace {

const QByteArray kTarget = "/interesthq/market.dll?getexmarket_5l?branch=0755";

quint16 freePort()
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

QString listenAddress(quint16 port)
{
    return QStringLiteral("127.0.0.1:%1").arg(port);
}

// systemd-socket-activate listening with `listenArguments`, to start vantrel-feed with `feedArguments`.
struct Activator {
    QProcess process;
    ~Activator() { process.kill(), process.waitForFinished(2000); }
};

std::unique_ptr<Activator> startActivator(const QStringList &listenArguments, const QStringList &feedArguments,
                                          const QString &configHome = {})
{
    const QString activate = QStandardPaths::findExecutable(QStringLiteral("systemd-socket-activate"));
    auto activator = std::make_unique<Activator>();
    // Passed on as systemd passes the user's environment.
    const QStringList environment = configHome.isEmpty() ? QStringList() : QStringList{"-E", "XDG_CONFIG_HOME=" + configHome};
    activator->process.start(activate, listenArguments + environment + QStringList{QStringLiteral(VANTREL_FEED_PROGRAM)}
                                           + feedArguments);
    return activator->process.waitForStarted(5000) ? std::move(activator) : nullptr;
}

// The answer to a page request, tried until the activator listens or the time is up.
QByteArray getPageOnceListening(quint16 port)
{
    for (QDeadlineTimer deadline(10'000); !deadline.hasExpired(); QTest::qWait(50)) {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, port);
        if (!socket.waitForConnected(1000))
            continue;
        socket.write("GET " + kTarget + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
        QByteArray received;
        while (socket.state() == QAbstractSocket::ConnectedState && !deadline.hasExpired()) {
            socket.waitForReadyRead(int(deadline.remainingTime()));
            received += socket.readAll();
        }
        return received + socket.readAll();
    }
    return {};
}

} // namespace

class TestFeedSocketActivation : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void servesOnThePassedSocket();
    void refusesSocketsItCannotServeOn_data();
    void refusesSocketsItCannotServeOn();
    void saysAFeedConfTypoUntilItIsMended();
};

void TestFeedSocketActivation::initTestCase()
{
    if (QStandardPaths::findExecutable(QStringLiteral("systemd-socket-activate")).isEmpty())
        QSKIP("systemd-socket-activate is not installed (Debian package systemd): socket activation not tested");
}

void TestFeedSocketActivation::servesOnThePassedSocket()
{
    const quint16 port = freePort();
    QVERIFY(port != 0);
    // The same port as the passed socket: had the feed tried to listen on it, it would have failed.
    const auto activator = startActivator({"--listen", listenAddress(port)},
                                          {"--source", "simulated", "--seed", "5", "--port", QString::number(port)});
    QVERIFY(activator);

    const QByteArray response = getPageOnceListening(port);
    QVERIFY2(response.startsWith("HTTP/1.1 200 OK"), response.left(200).constData());
    const std::optional<QString> line = quoteLineOf(response.mid(response.indexOf("\r\n\r\n") + 4));
    QVERIFY(line);
    RateTable rates;
    QCOMPARE(readQuoteLine(*line, rates).pairsStored, 35);

    QVERIFY(QTest::qWaitFor([&] { return activator->process.canReadLine(); }, 5000));
    QCOMPARE(activator->process.readLine(),
             "vantrel-feed: serving http://" + listenAddress(port).toLatin1() + kTarget + "\n");
    QCOMPARE(activator->process.state(), QProcess::Running);
}

void TestFeedSocketActivation::refusesSocketsItCannotServeOn_data()
{
    QTest::addColumn<QStringList>("listenArguments");
    QTest::addColumn<bool>("datagram");
    QTest::addColumn<QByteArray>("reason");

    const QString first = listenAddress(freePort());
    QTest::newRow("two sockets") << QStringList{"--listen", first, "--listen", listenAddress(freePort())} << false
                                 << QByteArray("systemd passed 2 sockets, the quote server serves on one");
    QTest::newRow("datagram socket") << QStringList{"--datagram", "--listen", first} << true
                                     << QByteArray("the socket systemd passed is neither a listening Unix nor TCP stream socket");
}

void TestFeedSocketActivation::refusesSocketsItCannotServeOn()
{
    QFETCH(QStringList, listenArguments);
    QFETCH(bool, datagram);
    QFETCH(QByteArray, reason);

    const auto activator = startActivator(listenArguments, {});
    QVERIFY(activator);
    const quint16 port = quint16(listenArguments.at(listenArguments.indexOf("--listen") + 1).section(':', 1).toUInt());
    // The feed starts with the first client; it must then end at once, saying why.
    QVERIFY(QTest::qWaitFor([&] {
        if (datagram) {
            QUdpSocket client;
            client.writeDatagram("x", QHostAddress::LocalHost, port);
        } else {
            QTcpSocket client;
            client.connectToHost(QHostAddress::LocalHost, port);
            client.waitForConnected(200);
        }
        return activator->process.waitForFinished(200);
    }, 10'000));
    QCOMPARE(activator->process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(activator->process.exitCode(), 1);
    const QByteArray err = activator->process.readAllStandardError();
    QVERIFY2(err.contains("vantrel-feed: " + reason), err.constData());
}

// Ending at once would only have systemd start it again and again, until it gave up on the socket.
void TestFeedSocketActivation::saysAFeedConfTypoUntilItIsMended()
{
    QTemporaryDir configHome;
    QVERIFY(QDir(configHome.path()).mkpath("vantrel"));
    QFile config(configHome.filePath("vantrel/feed.conf"));
    QVERIFY(config.open(QIODevice::WriteOnly) && config.write("sorce = truefx\n") > 0);
    config.close();
    const quint16 port = freePort();
    const auto activator = startActivator({"--listen", listenAddress(port)}, {"--default-source", "simulated"},
                                          configHome.path());
    QVERIFY(activator);
    const QByteArray response = getPageOnceListening(port);
    QVERIFY2(response.startsWith("HTTP/1.1 503 ") && response.contains("\r\n\r\nvantrel-feed: " + config.fileName().toUtf8()
                                                                       + " line 1: unknown option 'sorce'"),
             response.constData());

    // Another file of the folder, such as a token, is not feed.conf.
    QFile token(configHome.filePath("vantrel/oanda-token"));
    QVERIFY(token.open(QIODevice::WriteOnly) && token.write("0123-abcd\n") > 0);
    token.close();
    QVERIFY(!activator->process.waitForFinished(700));
    QVERIFY(config.open(QIODevice::WriteOnly | QIODevice::Truncate) && config.write("source = simulated\n") > 0);
    config.close();
    QVERIFY(activator->process.waitForFinished(5000));
    QCOMPARE(activator->process.exitCode(), 0);
    QVERIFY(activator->process.readAllStandardError().contains("feed.conf changed; ending, to start again with it"));
}

QTEST_GUILESS_MAIN(TestFeedSocketActivation)
#include "tst_feed_socket_activation.moc"
