// SPDX-License-Identifier: GPL-3.0-or-later
#include "server/feed_server.h"

#include "server/feed_connection.h"
#include "server/http_messages.h"
#include "server/socket_end.h"

#include "platform/socket_owner.h"

#include <QLocalSocket>
#include <QSocketNotifier>
#include <QTcpSocket>

#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace vantrel::feed {
namespace {

// How long accepting rests when the process has no descriptor left and no silent client to drop:
// a pause, not a loop on the same error.
constexpr int kOutOfDescriptorsPauseMs = 250;

} // namespace

FeedServer::FeedServer(FeedResponder responder, int delayMs, QObject *parent)
    : QObject(parent)
    , m_responder(std::move(responder))
    , m_delayMs(delayMs)
{
    m_acceptAgain.setSingleShot(true);
    connect(&m_acceptAgain, &QTimer::timeout, this, [this] {
        if (m_accepting)
            m_accepting->setEnabled(true);
    });
    m_idleClock.setSingleShot(true);
    connect(&m_idleClock, &QTimer::timeout, this, &FeedServer::idleClockRanOut);
}

FeedServer::~FeedServer()
{
    // The connections go before the socket they came in on.
    qDeleteAll(findChildren<FeedConnection *>(Qt::FindDirectChildrenOnly));
}

bool FeedServer::listenOnUnixSocket(const QString &path)
{
    return serveOn(ListeningSocket::onUnixPath(path, m_error));
}

bool FeedServer::listen(const QHostAddress &address, quint16 port)
{
    return serveOn(ListeningSocket::onTcp(address, port, m_error));
}

bool FeedServer::serveOn(qintptr listeningSocket)
{
    return serveOn(ListeningSocket::adopt(int(listeningSocket), m_error));
}

bool FeedServer::serveOn(std::unique_ptr<ListeningSocket> socket)
{
    if (!socket)
        return false;
    m_listening = std::move(socket);
    m_responder.setHostNames(m_listening->hostNames());
    m_accepting = std::make_unique<QSocketNotifier>(m_listening->descriptor(), QSocketNotifier::Read);
    connect(m_accepting.get(), &QSocketNotifier::activated, this, &FeedServer::acceptClients);
    return true;
}

QString FeedServer::pageUrl() const
{
    return m_listening ? m_listening->pageLocation(kQuotePageTarget) : QString();
}

quint16 FeedServer::port() const
{
    return m_listening ? m_listening->port() : 0;
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
    bool taken = false;
    // A bounded round, so that a flood of clients cannot keep the event loop from the others.
    for (int round = 0; round < 64; ++round) {
        const int client = ::accept4(m_listening->descriptor(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (client < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            if ((errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) && dropOldestWaiting())
                continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK) {
                m_accepting->setEnabled(false);
                m_acceptAgain.start(kOutOfDescriptorsPauseMs);
            }
            break;
        }
        if (!isOwnUser(client)) {
            ::close(client);
            continue;
        }
        if (openConnections() >= kMaxConnections && !dropOldestWaiting()) {
            ::close(client); // every one of them is being answered: this one waits its turn elsewhere
            continue;
        }
        taken = take(client) || taken;
    }
    // Only the user's own clients keep a feed started by systemd running.
    if (taken)
        restartIdleClock();
}

// Only the user's own programs are answered; a Unix socket tells its peer, a TCP connection's other
// end is looked up in the kernel (and is no one when it is on another machine).
bool FeedServer::isOwnUser(int client)
{
    if (m_listening->isUnix()) {
        ucred peer{};
        socklen_t length = sizeof peer;
        if (::getsockopt(client, SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0 && peer.uid == ::getuid())
            return true;
        sayRefused(QStringLiteral("user %1").arg(peer.uid));
        return false;
    }
    sockaddr_storage local{}, remote{};
    socklen_t localLength = sizeof local, remoteLength = sizeof remote;
    ::getsockname(client, reinterpret_cast<sockaddr *>(&local), &localLength);
    ::getpeername(client, reinterpret_cast<sockaddr *>(&remote), &remoteLength);
    // The client's socket is bound where this connection's other end is, and connected to this end.
    const SocketEnd here = socketEndOf(local);
    const SocketEnd there = socketEndOf(remote);
    const std::optional<uid_t> owner = tcpSocketOwner(there.address, there.port, here.address, here.port);
    if (owner == ::getuid())
        return true;
    sayRefused(owner ? QStringLiteral("user %1").arg(*owner)
                     : QStringLiteral("%1 port %2, which the kernel knows of no program of this machine at")
                           .arg(there.address.toString())
                           .arg(there.port));
    return false;
}

bool FeedServer::take(int client)
{
    const auto answer = [this](const RequestHead &request) { return m_responder.answer(request); };
    FeedConnection *connection = nullptr;
    if (m_listening->isUnix()) {
        auto *socket = new QLocalSocket;
        if (socket->setSocketDescriptor(client, QLocalSocket::ConnectedState, QIODevice::ReadWrite))
            connection = new FeedConnection(socket, m_delayMs, answer, this);
        else
            delete socket;
    } else {
        auto *socket = new QTcpSocket;
        if (socket->setSocketDescriptor(client, QAbstractSocket::ConnectedState, QIODevice::ReadWrite))
            connection = new FeedConnection(socket, m_delayMs, answer, this);
        else
            delete socket;
    }
    if (!connection) {
        ::close(client);
        return false;
    }
    connect(connection, &QObject::destroyed, this, &FeedServer::restartIdleClock);
    return true;
}

bool FeedServer::dropOldestWaiting()
{
    // Children are kept in the order they were made: the first found is the oldest.
    for (FeedConnection *connection : findChildren<FeedConnection *>(Qt::FindDirectChildrenOnly)) {
        if (connection->waitingForRequest()) {
            connection->drop();
            delete connection; // its descriptor is needed now, not at the next turn of the loop
            return true;
        }
    }
    return false;
}

// Once for each, so that a client trying again and again does not fill the log.
void FeedServer::sayRefused(const QString &who)
{
    if (m_refusedSaid.contains(who))
        return;
    m_refusedSaid.insert(who);
    std::fprintf(stderr, "vantrel-feed: refused a client of %s: this feed is its own user's only\n",
                 qPrintable(who));
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

void raiseDescriptorLimit()
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
}

} // namespace vantrel::feed
