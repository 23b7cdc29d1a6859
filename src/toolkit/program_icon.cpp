// SPDX-License-Identifier: GPL-3.0-or-later
#include "program_icon.h"

#include "platform/program_files.h"

#include <QImageReader>

namespace vantrel {

QIcon programIcon()
{
    const QString path = programDirectory() + QStringLiteral("/fd.ico");
    // QIcon accepts any path and only fails when painting; look at the file once here instead.
    if (!QImageReader(path).canRead())
        return {};
    return QIcon(path);
}

} // namespace vantrel
