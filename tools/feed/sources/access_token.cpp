// SPDX-License-Identifier: GPL-3.0-or-later
#include "sources/access_token.h"

#include "sources/bounded_file.h"

#include <QFile>

#include <sys/stat.h>

namespace vantrel::feed {

AccessToken readAccessToken(const QString &path)
{
    const FileContents contents = readBoundedFile(path, 4096);
    if (!contents.error.isEmpty())
        return {QByteArray(), QStringLiteral("cannot read the token file %1: %2").arg(path, contents.error)};
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) == 0 && (status.st_mode & 077) != 0) {
        return {QByteArray(), QStringLiteral("the token file %1 is open to others (mode %2); chmod 600 %1")
                                  .arg(path)
                                  .arg(status.st_mode & 0777, 3, 8, QLatin1Char('0'))};
    }
    const QByteArray token = contents.bytes.trimmed();
    if (token.isEmpty() || token.contains('\n') || token.contains(' '))
        return {QByteArray(), QStringLiteral("the token file %1 must hold the access token alone").arg(path)};
    return {token, QString()};
}

} // namespace vantrel::feed
