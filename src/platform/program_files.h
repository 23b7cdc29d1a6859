// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QString>

namespace vantrel {

// The directory that holds the executable, with `sound/` and `fd.ico` beside it.
QString programDirectory();

// The windows' icon, "fd.ico" beside the executable; the default icon when it is missing or unreadable.
QIcon programIcon();

} // namespace vantrel
