// SPDX-License-Identifier: GPL-3.0-or-later
#include "program_files.h"

#include <QCoreApplication>

namespace vantrel {

QString programDirectory()
{
    return QCoreApplication::applicationDirPath();
}

} // namespace vantrel
