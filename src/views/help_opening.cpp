// SPDX-License-Identifier: GPL-3.0-or-later
// The Help button of the main window.
#include "app/main_window.h"
#include "views/help_window.h"

namespace vantrel {

void Form1::openHelp()
{
    if (!m_form7)
        m_form7 = new Form7;
    m_form7->show();
    m_form7->raise();
    m_form7->activateWindow();
}

} // namespace vantrel
