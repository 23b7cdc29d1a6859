// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHostAddress>

#include <optional>

#include <sys/types.h>

namespace vantrel {

// The user who owns a TCP socket of this machine, as the kernel knows it (a sock_diag lookup, a few
// microseconds): the socket bound to `local` and connected to `remote`, or with `remote` null and
// port 0, the one listening on `local`. Nothing when no such socket is here (an end on another
// machine, a listener gone) or the kernel cannot be asked. IPv4 addresses may come mapped into IPv6.
std::optional<uid_t> tcpSocketOwner(const QHostAddress &local, quint16 localPort, const QHostAddress &remote = {},
                                    quint16 remotePort = 0);

} // namespace vantrel
