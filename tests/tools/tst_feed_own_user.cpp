// SPDX-License-Identifier: GPL-3.0-or-later
// The feed is its own user's alone: it answers its own names only, sends a token to no one else's
// listener, and a client holding many connections open cannot keep another out.
#include "loopback_http_server.h"
#include "server/feed_responder.h"
#include "server/feed_server.h"
#include "server/http_messages.h"
#include "sources/market_simulation.h"
#include "sources/oanda_source.h"

#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>
#include <unistd.h>

using namespace vantrel::feed;
using namespace std::chrono_literals;

namespace {

// A feed of the simulated market on a Unix socket of its own or a free loopback port, counting the
// pages its source was asked for.
struct CountingFeed {
    QTemporaryDir folder;
    int pagesAsked = 0;
    FeedServer server{FeedResponder(FaultMode::None,
                                    [this, market = MarketSimulation(1)]() mutable {
                                        ++pagesAsked;
                                        market.step();
                                        return market.renderPage();
                                    },
                                    1),
                      0};

    explicit CountingFeed(bool unixSocket)
    {
        const bool listening = unixSocket ? server.listenOnUnixSocket(socketPath())
                                          : server.listen(QHostAddress::LocalHost, 0);
        if (!listening)
            qFatal("cannot listen: %s", qPrintable(server.errorString()));
    }
    QString socketPath() const { return folder.filePath(QStringLiteral("feed.sock")); }
};

// The whole answer to `request`, sent on the feed's own socket.
QByteArray exchange(CountingFeed &feed, bool unixSocket, const QByteArray &request)
{
    QLocalSocket local;
    QTcpSocket tcp;
    QIODevice *socket = unixSocket ? static_cast<QIODevice *>(&local) : &tcp;
    if (unixSocket)
        local.connectToServer(feed.socketPath());
    else
        tcp.connectToHost(QHostAddress::LocalHost, feed.server.port());
    socket->write(request);
    QByteArray received;
    QObject::connect(socket, &QIODevice::readyRead, [&] { received += socket->readAll(); });
    const bool closed = QTest::qWaitFor([&] {
        return unixSocket ? local.state() == QLocalSocket::UnconnectedState
                          : tcp.state() == QAbstractSocket::UnconnectedState;
    }, 5000);
    return closed ? received + socket->readAll() : QByteArray("(still open after 5 s) ") + received;
}

QByteArray pageRequest(const QByteArray &host)
{
    return QByteArray("GET ") + kQuotePageTarget + " HTTP/1.1\r\n"
           + (host.isNull() ? QByteArray() : "Host: " + host + "\r\n") + "\r\n";
}

QString tokenFile(const QTemporaryDir &folder)
{
    QFile file(folder.filePath(QStringLiteral("oanda-token")));
    if (!file.open(QIODevice::WriteOnly) || file.write("secret-token\n") <= 0
        || !file.setPermissions(QFile::ReadOwner | QFile::WriteOwner))
        qFatal("cannot write the token file");
    return file.fileName();
}

// A process of ours holding `count` connections to `socketPath` open without a word; started once
// they are all open.
std::unique_ptr<QProcess> holdConnections(const QString &socketPath, int count)
{
    auto siege = std::make_unique<QProcess>();
    siege->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    siege->start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import resource, socket, sys\n"
                                 "hard = resource.getrlimit(resource.RLIMIT_NOFILE)[1]\n"
                                 "resource.setrlimit(resource.RLIMIT_NOFILE, (hard, hard))\n"
                                 "held = []\n"
                                 "for _ in range(int(sys.argv[2])):\n"
                                 "    s = socket.socket(socket.AF_UNIX)\n"
                                 "    s.connect(sys.argv[1])\n"
                                 "    held.append(s)\n"
                                 "print('held', flush=True)\n"
                                 "sys.stdin.read()\n"),
                  socketPath, QString::number(count)});
    return siege;
}

// `script` run by Python as the user nobody, with `arguments` after it; needs root.
void startAsNobody(QProcess &process, const QString &script, const QStringList &arguments = {})
{
    const QStringList asNobody{QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                               QStringLiteral("--clear-groups"), QStringLiteral("/usr/bin/python3"),
                               QStringLiteral("-c"), script};
    process.start(QStringLiteral("setpriv"), asNobody + arguments);
}

} // namespace

class TestFeedOwnUser : public QObject
{
    Q_OBJECT

private slots:
    void answersItsOwnNamesOnly_data();
    void answersItsOwnNamesOnly();
    void refusesAnotherUsersClients_data();
    void refusesAnotherUsersClients();
    void tokenGoesToItsOwnUsersListenerOnly_data();
    void tokenGoesToItsOwnUsersListenerOnly();
    void holdsUnderASiege_data();
    void holdsUnderASiege();
};

void TestFeedOwnUser::answersItsOwnNamesOnly_data()
{
    QTest::addColumn<bool>("unixSocket");
    QTest::addColumn<QByteArray>("host"); // PORT stands for the feed's port
    QTest::addColumn<int>("status");

    QTest::newRow("Unix socket, localhost") << true << QByteArray("localhost") << 200;
    QTest::newRow("Unix socket, another name") << true << QByteArray("quotes.example") << 421;
    QTest::newRow("TCP, the address and port") << false << QByteArray("127.0.0.1:PORT") << 200;
    QTest::newRow("TCP, localhost") << false << QByteArray("LocalHost:PORT") << 200;
    QTest::newRow("TCP, IPv6 loopback") << false << QByteArray("[::1]:PORT") << 200;
    // A web page whose name was pointed at 127.0.0.1 sends that name.
    QTest::newRow("TCP, DNS rebinding") << false << QByteArray("rebind.attacker.example:PORT") << 421;
    QTest::newRow("TCP, no Host") << false << QByteArray() << 421;
}

void TestFeedOwnUser::answersItsOwnNamesOnly()
{
    QFETCH(bool, unixSocket);
    QFETCH(QByteArray, host);
    QFETCH(int, status);

    CountingFeed feed(unixSocket);
    host.replace("PORT", QByteArray::number(feed.server.port()));
    const QByteArray answer = exchange(feed, unixSocket, pageRequest(host));
    QVERIFY2(answer.startsWith("HTTP/1.1 " + QByteArray::number(status) + ' '), answer.left(100).constData());
    // A request refused for its name costs the source nothing.
    QCOMPARE(feed.pagesAsked, status == 200 ? 1 : 0);
}

void TestFeedOwnUser::refusesAnotherUsersClients_data()
{
    QTest::addColumn<bool>("unixSocket");

    QTest::newRow("Unix socket opened to everyone") << true;
    QTest::newRow("TCP") << false;
}

// Asked by a process of the user nobody, the feed closes without a word and asks its source nothing.
void TestFeedOwnUser::refusesAnotherUsersClients()
{
    QFETCH(bool, unixSocket);
    if (::geteuid() != 0)
        QSKIP("only root can start a client of another user");

    CountingFeed feed(unixSocket);
    if (unixSocket) { // past the folder's and the socket's modes, the feed's own check is what is left
        QVERIFY(QFile::setPermissions(feed.folder.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                              | QFile::ReadOther | QFile::ExeOther));
        QVERIFY(QFile::setPermissions(feed.socketPath(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther
                                                             | QFile::WriteOther));
    }
    QProcess nobody;
    startAsNobody(nobody,
                  QStringLiteral("import socket, sys\n"
                                 "where = sys.argv[1]\n"
                                 "s = socket.socket(socket.AF_UNIX) if where.startswith('/') else socket.socket()\n"
                                 "s.settimeout(5)\n"
                                 "s.connect(where if where.startswith('/') else ('127.0.0.1', int(where)))\n"
                                 "s.sendall(sys.argv[2].encode())\n"
                                 "try:\n"
                                 "    print(repr(s.recv(100)), flush=True)\n"
                                 "except ConnectionResetError:\n"
                                 "    print('reset', flush=True)\n"),
                  {unixSocket ? feed.socketPath() : QString::number(feed.server.port()),
                   QString::fromLatin1(pageRequest("localhost"))});
    QVERIFY(QTest::qWaitFor([&] { return nobody.state() == QProcess::NotRunning; }, 10'000));
    const QByteArray said = nobody.readAllStandardOutput().trimmed();
    // Closed unread, a TCP connection may be reset rather than ended; either way, no answer.
    QVERIFY2(said == "b''" || said == "reset", said.constData());
    QCOMPARE(feed.pagesAsked, 0);
    QCOMPARE(feed.server.openConnections(), 0);
}

void TestFeedOwnUser::tokenGoesToItsOwnUsersListenerOnly_data()
{
    QTest::addColumn<QString>("listener"); // ours, another user's, none
    QTest::addColumn<QString>("reason");   // of the source's failure; empty when the token went

    QTest::newRow("ours") << "ours" << QString();
    QTest::newRow("another user's") << "another user's" << "is another user's (uid 65534), so it was not sent";
    QTest::newRow("nothing listens") << "none" << "nothing of yours listens on port";
}

void TestFeedOwnUser::tokenGoesToItsOwnUsersListenerOnly()
{
    QFETCH(QString, listener);
    QFETCH(QString, reason);

    LoopbackHttpServer ours;
    QProcess theirs; // a listener of the user nobody, reporting anything it receives
    quint16 port = 0;
    if (listener == QLatin1StringView("ours")) {
        port = quint16(ours.url(QString()).port());
    } else if (listener == QLatin1StringView("another user's")) {
        if (::geteuid() != 0)
            QSKIP("only root can start a listener of another user");
        startAsNobody(theirs, QStringLiteral("import socket\n"
                                             "s = socket.socket()\n"
                                             "s.bind(('127.0.0.1', 0))\n"
                                             "s.listen()\n"
                                             "print(s.getsockname()[1], flush=True)\n"
                                             "c, _ = s.accept()\n"
                                             "print(c.recv(4096), flush=True)\n"));
        QVERIFY(theirs.waitForReadyRead(5000));
        port = quint16(theirs.readLine().trimmed().toUInt());
    } else {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        port = closed.serverPort();
    }
    QVERIFY(port != 0);

    QTemporaryDir folder;
    QStringList lines;
    PollingSettings settings = OandaSource::defaultSettings();
    settings.url = QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(port));
    settings.interval = 100ms;
    settings.limits.timeout = 300ms;
    OandaSource source(settings, QStringLiteral("101-004-1234567-001"), tokenFile(folder),
                       {[] { return QDateTime::currentDateTimeUtc(); }, [&lines](const QString &line) { lines << line; }});
    source.start();
    if (reason.isEmpty()) {
        QVERIFY(QTest::qWaitFor([&] { return ours.requests() > 0; }, 5000));
        // Qt 6.8 sends header names in lower case.
        QVERIFY(ours.lastRequest().toLower().contains("\r\nauthorization: bearer secret-token\r\n"));
        return;
    }
    QVERIFY2(QTest::qWaitFor([&] { return source.failure().contains(reason); }, 5000), qPrintable(source.failure()));
    QTest::qWait(300); // a few more asks
    if (theirs.state() == QProcess::Running) {
        QVERIFY2(!theirs.waitForReadyRead(100), theirs.readAll().constData()); // it never heard a word
        theirs.kill();
        theirs.waitForFinished();
    }
}

void TestFeedOwnUser::holdsUnderASiege_data()
{
    QTest::addColumn<int>("descriptorLimit"); // 0: as the process has it

    QTest::newRow("past the connection cap") << 0;
    // The process runs out of descriptors before the cap: a silent client makes room.
    QTest::newRow("past the descriptor limit") << 256;
}

void TestFeedOwnUser::holdsUnderASiege()
{
    QFETCH(int, descriptorLimit);

    CountingFeed feed(true);
    rlimit before{};
    ::getrlimit(RLIMIT_NOFILE, &before);
    if (descriptorLimit > 0) {
        rlimit lower = before;
        lower.rlim_cur = rlim_t(descriptorLimit);
        QCOMPARE(::setrlimit(RLIMIT_NOFILE, &lower), 0);
    } else {
        raiseDescriptorLimit();
    }

    const std::unique_ptr<QProcess> siege = holdConnections(feed.socketPath(), 1100);
    const bool held = QTest::qWaitFor([&] { return siege->canReadLine(); }, 20'000);
    const QByteArray answer = exchange(feed, true, pageRequest("localhost"));
    const int open = feed.server.openConnections();
    siege->closeWriteChannel();
    siege->waitForFinished();
    ::setrlimit(RLIMIT_NOFILE, &before);

    QVERIFY(held);
    QVERIFY2(answer.startsWith("HTTP/1.1 200 OK"), answer.left(100).constData());
    QVERIFY2(open <= FeedServer::kMaxConnections, qPrintable(QString::number(open)));
}

QTEST_GUILESS_MAIN(TestFeedOwnUser)
#include "tst_feed_own_user.moc"
