// SPDX-License-Identifier: GPL-3.0-or-later
// When the two timers run: Timer1 (listening, 1 s) starts a reading pass once the interval has passed;
// Timer2 (refresh, 3 s) renews the rates, checks the reminders and rewrites the rate views. A pass or an
// alert turns the refresh off while it plays, so that no page lands in the middle, and its end turns it on
// again. Everything that switches them is here: the reading pass, the alert, Start/Cancel, the start-up,
// View and a reminder added, and the window closing.
#include "accessibility/list_box.h"
#include "accessibility/spoken_focus.h"
#include "app/listening_interval.h"
#include "app/main_window.h"
#include "platform/clock.h"

#include <QComboBox>
#include <QListWidget>
#include <QPushButton>

namespace vantrel {

bool Form1::isListening() const
{
    return Command1->text() == QLatin1String("Cancel");
}

void Form1::startOrCancel()
{
    const QString caption = Command1->text();
    if (caption == QLatin1String("Start")) {
        m_alert.resetCycles();
        m_reading.start();
        m_reading.restartInterval();
        // A pass that ended at once (nothing to read) must not stop the refresh until the first interval.
        if (m_reading.isPlaying())
            Timer2.disable();
        Timer1.enable();
        Command1->setText(QStringLiteral("Cancel"));
        Command1->setAccessibleName(Command1->text());
        sayFocusedControlAgain(*Command1);
    } else if (caption == QLatin1String("Cancel")) {
        Timer1.disable();
        Command1->setText(QStringLiteral("Start"));
        Command1->setAccessibleName(Command1->text());
        sayFocusedControlAgain(*Command1);
        List2->clear();
    }
}

void Form1::listeningTick()
{
    const std::optional<int> interval = listeningIntervalSeconds(Combo2->currentText());
    if (!interval)
        return;
    if (!listeningDue(m_reading.reading.lastlistentime, m_services.clock.secondsSinceMidnight(), *interval))
        return;
    Timer1.disable();
    Timer2.disable();
    m_reading.start();
}

void Form1::passEnded()
{
    // The interval counts from now. Listening that was cancelled stays off.
    if (isListening())
        Timer1.enable();
    Timer2.enable();
}

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

void Form1::checkReminders()
{
    const std::optional<int> fired = m_alert.reminderToFire(listItems(*List3), rates);
    if (!fired)
        return;
    Timer2.disable();
    Timer1.disable();
    m_alert.start(List3->item(*fired)->text());
}

void Form1::alertEnded(const QString &firedEntry, int alertindex)
{
    // Entries may have been removed while the alert played: the one that fired goes, wherever it
    // stands now, or nothing if it is gone.
    if (const std::optional<int> row = firedEntryRow(listItems(*List3), alertindex, firedEntry))
        removeListItem(*List3, *row);
    Timer2.enable();
    m_reading.start();
    m_reading.restartInterval();
    if (isListening())
        Timer1.enable();
}

void Form1::startRefresh()
{
    Timer2.enable();
}

void Form1::stopBothTimers()
{
    Timer1.disable();
    Timer2.disable();
}

} // namespace vantrel
