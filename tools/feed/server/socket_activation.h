// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHostAddress>
#include <QString>

#include <chrono>
#include <optional>

namespace vantrel::feed {

class FeedServer;

// How long a server started by systemd for a client waits for the next one before it ends: systemd
// goes on listening and starts it again when one comes, so it need not run while Vantrel is closed.
inline constexpr std::chrono::minutes kActivatedIdleLimit{10};

// The listening socket systemd passed when it started the program for a client of a socket it listens
// on (socket activation); nothing when the program was started some other way. Taken, so that no
// child process takes it too. Sets `error` when what systemd passed cannot be served on.
std::optional<qintptr> takeActivationSocket(QString &error);

// Whether systemd started the program for a client of a socket it listens on, until startServing()
// takes the socket.
bool startedBySystemd();

// Serves on the socket systemd passed, ending the application once the server has been idle for
// kActivatedIdleLimit, or else listens on the Unix socket `unixPath`, or with none, on the TCP address
// and port. False, with `error` saying why, when it cannot be served on.
bool startServing(FeedServer &server, const QString &unixPath, const QHostAddress &address, quint16 port,
                  QString &error);

} // namespace vantrel::feed
