// SPDX-License-Identifier: GPL-3.0-or-later
// The refresh tick: renew the rates, check the reminders, rewrite both rate views.
#include "app/main_window.h"
#include "views/cross_rates_view.h"
#include "views/major_rates_view.h"

namespace vantrel {

void Form1::refreshTick()
{
    // The download goes on in the background and the tick finishes when it arrives. A tick that falls
    // due while the previous one still waits for its page is dropped.
    m_refresher.RefreshQuotes();
}

void Form1::finishRefreshTick()
{
    // The page can arrive after Start, the interval or an alert has switched the refresh off; a
    // reminder must not fire into that reading pass or alert. It is checked once the refresh runs
    // again; the grids show the page at once.
    if (Timer2.isEnabled())
        checkReminders();
    updateRateViews();
}

void Form1::updateRateViews()
{
    // A view closed by its close box comes back hidden here, filled, ready for View.
    ensureMajorRatesView().showRates(rates);
    ensureCrossRatesView().showRates(rates);
}

} // namespace vantrel
