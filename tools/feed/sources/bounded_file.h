// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

namespace vantrel::feed {

// The contents of a file a source reads, or why there are none.
struct FileContents {
    QByteArray bytes;
    QString error;          // empty when `bytes` is the whole file
    unsigned int mode = 0;  // the permission bits of the file read, as stat gives them
};

// Reads a regular file of at most `maxBytes`, never waiting: a FIFO, a device or a folder is refused
// rather than read (a FIFO with no writer would block the server, /dev/zero never ends).
FileContents readBoundedFile(const QString &path, qsizetype maxBytes);

// "1 MiB" or "1000 bytes", for messages about a limit.
QString sizeText(qsizetype bytes);

} // namespace vantrel::feed
