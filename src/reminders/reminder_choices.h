// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

namespace vantrel {

// The words of the repeat selector, meaning one to five alert cycles.
QStringList repeatWords();

} // namespace vantrel
