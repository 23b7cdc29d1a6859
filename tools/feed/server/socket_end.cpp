// SPDX-License-Identifier: GPL-3.0-or-later
#include "server/socket_end.h"

#include <netinet/in.h>

namespace vantrel::feed {

SocketEnd socketEndOf(const sockaddr_storage &storage)
{
    SocketEnd end;
    end.address.setAddress(reinterpret_cast<const sockaddr *>(&storage));
    if (storage.ss_family == AF_INET)
        end.port = ntohs(reinterpret_cast<const sockaddr_in &>(storage).sin_port);
    else if (storage.ss_family == AF_INET6)
        end.port = ntohs(reinterpret_cast<const sockaddr_in6 &>(storage).sin6_port);
    return end;
}

} // namespace vantrel::feed
