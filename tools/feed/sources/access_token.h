// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

namespace vantrel::feed {

// A broker's access token as its file holds it, or why it cannot be used.
struct AccessToken {
    QByteArray token;
    QString error;
};

// Reads the token, alone in a regular file that only its owner may read or write: like ssh with a key,
// a token that others could have read is refused, with the command that mends it.
AccessToken readAccessToken(const QString &path);

} // namespace vantrel::feed
