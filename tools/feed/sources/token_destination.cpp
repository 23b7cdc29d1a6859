// SPDX-License-Identifier: GPL-3.0-or-later
#include "sources/token_destination.h"

#include "platform/socket_owner.h"

#include <QHostAddress>
#include <QList>

#include <unistd.h>

namespace vantrel::feed {

QString whyNoSecretTo(const QUrl &url)
{
    if (url.scheme() == QLatin1StringView("https"))
        return {};
    const QList<QHostAddress> addresses = url.host() == QLatin1StringView("localhost")
                                              ? QList<QHostAddress>{QHostAddress::LocalHost, QHostAddress::LocalHostIPv6}
                                              : QList<QHostAddress>{QHostAddress(url.host())};
    // Every address the name may be reached at: a name's other address, free now, could be taken
    // between this look and the connection.
    const quint16 port = quint16(url.port(80));
    for (const QHostAddress &address : addresses) {
        const std::optional<uid_t> owner = tcpSocketOwner(address, port);
        if (owner && *owner != ::getuid()) {
            return QStringLiteral("the token goes over https, or over http only to a server of your own; port %1 "
                                  "of %2 is another user's (uid %3), so it was not sent")
                .arg(port)
                .arg(address.toString())
                .arg(*owner);
        }
        if (!owner)
            return QStringLiteral("nothing of yours listens on port %1 of %2, so the token was not sent%3")
                .arg(port)
                .arg(address.toString(),
                     addresses.size() > 1 ? QStringLiteral(" (name the address rather than localhost)") : QString());
    }
    return {};
}

} // namespace vantrel::feed
