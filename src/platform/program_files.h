// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace vantrel {

// The directory that holds the executable, with `sound/` and `fd.ico` beside it.
QString programDirectory();

} // namespace vantrel
