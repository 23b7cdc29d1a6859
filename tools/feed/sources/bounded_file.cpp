// SPDX-License-Identifier: GPL-3.0-or-later
#include "sources/bounded_file.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantrel::feed {

QString sizeText(qsizetype bytes)
{
    return bytes % (1024 * 1024) == 0 ? QStringLiteral("%1 MiB").arg(bytes / (1024 * 1024))
                                      : QStringLiteral("%1 bytes").arg(bytes);
}

FileContents readBoundedFile(const QString &path, qsizetype maxBytes)
{
    // O_NONBLOCK so that opening a FIFO returns at once; the type is then checked on what was opened,
    // not on the name, which another program may point elsewhere in between.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return {QByteArray(), QString::fromLocal8Bit(std::strerror(errno))};
    FileContents contents;
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        contents.error = QString::fromLocal8Bit(std::strerror(errno));
    } else if (!S_ISREG(status.st_mode)) {
        contents.error = QStringLiteral("not a regular file");
    } else {
        contents.mode = status.st_mode & 07777;
        QByteArray buffer(maxBytes + 1, Qt::Uninitialized);
        qsizetype size = 0;
        while (size < buffer.size()) {
            const ssize_t got = ::read(fd, buffer.data() + size, size_t(buffer.size() - size));
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0) {
                contents.error = QString::fromLocal8Bit(std::strerror(errno));
                break;
            }
            if (got == 0)
                break;
            size += got;
        }
        if (contents.error.isEmpty() && size > maxBytes)
            contents.error = QStringLiteral("over the %1 limit").arg(sizeText(maxBytes));
        else if (contents.error.isEmpty())
            contents.bytes = buffer.first(size);
    }
    ::close(fd);
    return contents;
}

} // namespace vantrel::feed
