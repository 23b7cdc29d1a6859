// SPDX-License-Identifier: GPL-3.0-or-later
// The Help button of the main window.
#include "app/main_window.h"
#include "views/help_window.h"

namespace vantrel {

void Form1::openHelp()
{
    if (!m_form7) {
        m_form7 = new Form7;
        // Back to the main window when the help closes, where the user pressed Help.
        connect(m_form7, &QObject::destroyed, this, [this] { activateWindow(); });
    }
    m_form7->show();
    m_form7->raise();
    m_form7->activateWindow();
}

} // namespace vantrel
