// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayList>
#include <QHostAddress>
#include <QString>

#include <memory>

namespace vantrel::feed {

// The socket the quote server accepts its clients on: a Unix socket (the user's own, in a folder only
// they can enter), or a TCP port on an address. Closed, and a Unix socket's file removed, with it.
class ListeningSocket
{
public:
    // Listens at `path`, making its folder (mode 0700) when missing; the socket itself is mode 0600.
    // A socket file no one listens on any more is replaced; one another server answers on is not, and
    // of two feeds starting at once at the same path, one listens and the other says so (a lock file
    // beside the socket keeps them apart).
    static std::unique_ptr<ListeningSocket> onUnixPath(const QString &path, QString &error);
    static std::unique_ptr<ListeningSocket> onTcp(const QHostAddress &address, quint16 port, QString &error);
    // A socket that is already listening, as systemd passes it; taken over.
    static std::unique_ptr<ListeningSocket> adopt(int descriptor, QString &error);

    ~ListeningSocket();
    ListeningSocket(const ListeningSocket &) = delete;
    ListeningSocket &operator=(const ListeningSocket &) = delete;

    int descriptor() const { return m_descriptor; }
    bool isUnix() const { return m_unix; }
    QString path() const { return m_path; } // an abstract socket's name after an @
    QHostAddress address() const { return m_address; }
    quint16 port() const { return m_port; }

    // What a request's Host field may say here, in lower case: the feed answers for its own names only,
    // so that a web page whose name was pointed at this address (DNS rebinding) gets no page.
    QByteArrayList hostNames() const;
    // "http://localhost/... on PATH", or the page's TCP address.
    QString pageLocation(const char *target) const;

private:
    ListeningSocket(int descriptor, bool unix, QString path, QHostAddress address, quint16 port, int lock = -1);

    int m_descriptor;
    bool m_unix;
    QString m_path;
    QHostAddress m_address;
    quint16 m_port;
    int m_lock; // held while this process listens at a path it made; -1 for a socket systemd passed

};

} // namespace vantrel::feed
