// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

namespace vantrel {

// The alert sounds in the order the sound selector lists them; each text is also its clip's name.
QStringList alertSoundNames();

// The words of the repeat selector, meaning one to five alert cycles.
QStringList repeatWords();

} // namespace vantrel
