// SPDX-License-Identifier: GPL-3.0-or-later
#include "server/listening_socket.h"

#include "server/socket_end.h"

#include <QDir>
#include <QFileInfo>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstring>

namespace vantrel::feed {
namespace {

QString lastError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

bool unixAddressOf(const QString &path, sockaddr_un &address, QString &error)
{
    const QByteArray bytes = QFile::encodeName(path);
    address = {};
    address.sun_family = AF_UNIX;
    if (bytes.isEmpty() || size_t(bytes.size()) >= sizeof address.sun_path) {
        error = QStringLiteral("the socket path %1 is longer than %2 bytes").arg(path).arg(sizeof address.sun_path - 1);
        return false;
    }
    std::memcpy(address.sun_path, bytes.constData(), size_t(bytes.size()));
    return true;
}

// Whether a server listens at `address`: only then is its socket file not ours to replace. Never
// waits: a listener too busy to take the probe (EAGAIN) listens all the same.
bool someoneListensAt(const sockaddr_un &address)
{
    const int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    const bool listening = ::connect(probe, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0
                           || errno == EAGAIN || errno == EINPROGRESS;
    ::close(probe);
    return listening;
}

} // namespace

ListeningSocket::ListeningSocket(int descriptor, bool unix, QString path, QHostAddress address, quint16 port, int lock)
    : m_descriptor(descriptor)
    , m_unix(unix)
    , m_path(std::move(path))
    , m_address(std::move(address))
    , m_port(port)
    , m_lock(lock)
{
}

ListeningSocket::~ListeningSocket()
{
    if (m_lock >= 0) {
        ::unlink(QFile::encodeName(m_path).constData()); // still ours: the lock kept any other away
        ::close(m_lock);
    }
    ::close(m_descriptor);
}

std::unique_ptr<ListeningSocket> ListeningSocket::onUnixPath(const QString &path, QString &error)
{
    sockaddr_un address;
    if (!unixAddressOf(path, address, error))
        return nullptr;
    const QString folder = QFileInfo(path).absolutePath();
    if (::mkdir(QFile::encodeName(folder).constData(), 0700) != 0 && errno != EEXIST) {
        error = QStringLiteral("cannot make the folder %1: %2").arg(folder, lastError());
        return nullptr;
    }
    const int lock = ::open(QFile::encodeName(path + QStringLiteral(".lock")).constData(),
                            O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lock < 0) {
        error = QStringLiteral("cannot listen on %1: %2").arg(path, lastError());
        return nullptr;
    }
    if (::flock(lock, LOCK_EX | LOCK_NB) != 0 || someoneListensAt(address)) {
        error = QStringLiteral("another quote server already listens on %1").arg(path);
        ::close(lock);
        return nullptr;
    }
    ::unlink(address.sun_path); // a socket left by a server that ended without removing it

    const int descriptor = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    // Private from its first moment: bound under a umask that leaves the owner alone, never chmod'ed after.
    const mode_t umaskBefore = ::umask(0177);
    const bool bound = ::bind(descriptor, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0;
    ::umask(umaskBefore);
    if (!bound || ::listen(descriptor, SOMAXCONN) != 0) {
        error = QStringLiteral("cannot listen on %1: %2").arg(path, lastError());
        ::close(descriptor);
        ::close(lock);
        return nullptr;
    }
    return std::unique_ptr<ListeningSocket>(new ListeningSocket(descriptor, true, path, {}, 0, lock));
}

std::unique_ptr<ListeningSocket> ListeningSocket::onTcp(const QHostAddress &address, quint16 port, QString &error)
{
    sockaddr_storage storage{};
    socklen_t length = 0;
    if (address.protocol() == QAbstractSocket::IPv6Protocol) {
        auto &in6 = reinterpret_cast<sockaddr_in6 &>(storage);
        in6.sin6_family = AF_INET6;
        in6.sin6_port = htons(port);
        const Q_IPV6ADDR bytes = address.toIPv6Address();
        std::memcpy(&in6.sin6_addr, bytes.c, sizeof bytes.c);
        length = sizeof in6;
    } else {
        auto &in = reinterpret_cast<sockaddr_in &>(storage);
        in.sin_family = AF_INET;
        in.sin_port = htons(port);
        in.sin_addr.s_addr = htonl(address.toIPv4Address());
        length = sizeof in;
    }
    const int descriptor = ::socket(storage.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    const int on = 1;
    ::setsockopt(descriptor, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on); // a restart need not wait out TIME_WAIT
    if (::bind(descriptor, reinterpret_cast<const sockaddr *>(&storage), length) != 0
        || ::listen(descriptor, SOMAXCONN) != 0) {
        error = QStringLiteral("cannot listen on %1 port %2: %3").arg(address.toString()).arg(port).arg(lastError());
        ::close(descriptor);
        return nullptr;
    }
    return adopt(descriptor, error);
}

std::unique_ptr<ListeningSocket> ListeningSocket::adopt(int descriptor, QString &error)
{
    sockaddr_storage storage{};
    socklen_t length = sizeof storage;
    int listening = 0;
    socklen_t flagLength = sizeof listening;
    if (::getsockname(descriptor, reinterpret_cast<sockaddr *>(&storage), &length) != 0
        || ::getsockopt(descriptor, SOL_SOCKET, SO_ACCEPTCONN, &listening, &flagLength) != 0 || !listening) {
        error = QStringLiteral("the socket passed is not a listening socket");
        return nullptr;
    }
    ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) | O_NONBLOCK);
    ::fcntl(descriptor, F_SETFD, FD_CLOEXEC);
    if (storage.ss_family == AF_UNIX) {
        const auto &address = reinterpret_cast<const sockaddr_un &>(storage);
        const qsizetype nameLength = qsizetype(length) - qsizetype(offsetof(sockaddr_un, sun_path));
        const bool abstract = nameLength > 0 && address.sun_path[0] == '\0';
        const QByteArray name = abstract ? QByteArray(address.sun_path + 1, nameLength - 1)
                                         : QByteArray(address.sun_path, qstrnlen(address.sun_path, sizeof address.sun_path));
        const QString path = (abstract ? QStringLiteral("@") : QString()) + QFile::decodeName(name);
        return std::unique_ptr<ListeningSocket>(new ListeningSocket(descriptor, true, path, {}, 0));
    }
    if (storage.ss_family != AF_INET && storage.ss_family != AF_INET6) {
        error = QStringLiteral("the socket passed is neither a Unix nor a TCP socket");
        return nullptr;
    }
    const SocketEnd end = socketEndOf(storage);
    return std::unique_ptr<ListeningSocket>(new ListeningSocket(descriptor, false, {}, end.address, end.port));
}

// The loopback names, with the port or without: a name only this machine gives itself, never one a
// web page's server could point here.
QByteArrayList ListeningSocket::hostNames() const
{
    if (isUnix())
        return {"localhost", "localhost:80"};
    QStringList hosts{QStringLiteral("localhost"), QStringLiteral("127.0.0.1"), QStringLiteral("[::1]")};
    if (m_address.protocol() == QAbstractSocket::IPv6Protocol)
        hosts << QLatin1Char('[') + m_address.toString().toLower() + QLatin1Char(']');
    else
        hosts << m_address.toString();
    QByteArrayList names;
    for (const QString &host : hosts) {
        names << host.toLatin1() << (host + QLatin1Char(':') + QString::number(m_port)).toLatin1();
    }
    return names;
}

QString ListeningSocket::pageLocation(const char *target) const
{
    if (isUnix())
        return QStringLiteral("http://localhost%1 on %2").arg(QLatin1StringView(target), m_path);
    QString host = m_address.toString();
    if (m_address.protocol() == QAbstractSocket::IPv6Protocol)
        host = QLatin1Char('[') + host + QLatin1Char(']');
    return QStringLiteral("http://%1:%2%3").arg(host).arg(m_port).arg(QLatin1StringView(target));
}

} // namespace vantrel::feed
