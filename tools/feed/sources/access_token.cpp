// SPDX-License-Identifier: GPL-3.0-or-later
#include "sources/access_token.h"

#include "sources/bounded_file.h"

#include <algorithm>

namespace vantrel::feed {

AccessToken readAccessToken(const QString &path)
{
    const FileContents contents = readBoundedFile(path, 4096);
    if (!contents.error.isEmpty())
        return {QByteArray(), QStringLiteral("cannot read the token file %1: %2").arg(path, contents.error)};
    // The mode of the file that was read, not of whatever the name points to a moment later.
    if ((contents.mode & 077) != 0) {
        return {QByteArray(), QStringLiteral("the token file %1 is open to others (mode %2); chmod 600 %1")
                                  .arg(path)
                                  .arg(contents.mode & 0777, 3, 8, QLatin1Char('0'))};
    }
    // Printable, with no blank inside: it goes into a header field as it is.
    const QByteArray token = contents.bytes.trimmed();
    const bool printable = std::all_of(token.cbegin(), token.cend(), [](char c) { return c > ' ' && c < 127; });
    if (token.isEmpty() || !printable)
        return {QByteArray(), QStringLiteral("the token file %1 must hold the access token alone").arg(path)};
    return {token, QString()};
}

} // namespace vantrel::feed
