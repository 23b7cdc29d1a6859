// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHostAddress>

#include <sys/socket.h>

namespace vantrel::feed {

// One end of a TCP connection, or a listening socket's address.
struct SocketEnd {
    QHostAddress address;
    quint16 port = 0;
};

SocketEnd socketEndOf(const sockaddr_storage &storage);

} // namespace vantrel::feed
