// SPDX-License-Identifier: GPL-3.0-or-later
#include "quote_socket.h"

#include "vantrel_config.h"

#include <QStandardPaths>

namespace vantrel {

QString quoteSocketPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) + QLatin1Char('/')
           + QStringLiteral(VANTREL_QUOTE_SOCKET);
}

} // namespace vantrel
