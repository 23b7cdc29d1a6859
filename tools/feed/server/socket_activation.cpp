// SPDX-License-Identifier: GPL-3.0-or-later
#include "server/socket_activation.h"

#include "server/feed_server.h"

#include <QCoreApplication>

#include <systemd/sd-daemon.h>
#include <sys/socket.h>

#include <cstring>

namespace vantrel::feed {

std::optional<qintptr> takeActivationSocket(QString &error)
{
    const int count = sd_listen_fds(1);
    if (count < 0) {
        error = QStringLiteral("cannot take the sockets systemd passed: %1")
                    .arg(QString::fromLocal8Bit(std::strerror(-count)));
        return std::nullopt;
    }
    if (count == 0)
        return std::nullopt;
    if (count > 1) {
        error = QStringLiteral("systemd passed %1 sockets, the quote server serves on one").arg(count);
        return std::nullopt;
    }
    const int socket = SD_LISTEN_FDS_START;
    if (sd_is_socket_unix(socket, SOCK_STREAM, 1, nullptr, 0) <= 0
        && sd_is_socket_inet(socket, AF_UNSPEC, SOCK_STREAM, 1, 0) <= 0) {
        error = QStringLiteral("the socket systemd passed is neither a listening Unix nor TCP stream socket");
        return std::nullopt;
    }
    return socket;
}

bool startedBySystemd()
{
    return sd_listen_fds(0) > 0;
}

bool startServing(FeedServer &server, const QString &unixPath, const QHostAddress &address, quint16 port,
                  QString &error)
{
    const std::optional<qintptr> socket = takeActivationSocket(error);
    if (!error.isEmpty())
        return false;
    if (socket) {
        if (!server.serveOn(*socket)) {
            error = QStringLiteral("cannot serve on the socket systemd passed: %1").arg(server.errorString());
            return false;
        }
        server.reportIdleAfter(kActivatedIdleLimit);
        QObject::connect(&server, &FeedServer::idle, QCoreApplication::instance(), &QCoreApplication::quit);
        return true;
    }
    const bool listening = unixPath.isEmpty() ? server.listen(address, port) : server.listenOnUnixSocket(unixPath);
    if (!listening)
        error = server.errorString();
    return listening;
}

} // namespace vantrel::feed
