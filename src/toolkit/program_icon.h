// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>

namespace vantrel {

// The windows' icon, "fd.ico" beside the executable; the default icon when it is missing or unreadable.
QIcon programIcon();

} // namespace vantrel
