// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QUrl>

namespace vantrel::feed {

// Why a secret may not go to `url` now, or nothing when it may: over https it may; over plain http
// (allowed to this machine, for stand-ins) only to a server of this user's own, as the kernel says who
// listens on the port, since any user can listen on a free loopback port. Asked before every request,
// as the port may change hands.
QString whyNoSecretTo(const QUrl &url);

} // namespace vantrel::feed
