// SPDX-License-Identifier: GPL-3.0-or-later
// Start and Cancel, and the listening timer that starts a reading pass when the interval has passed.
#include "app/listening_interval.h"
#include "app/main_window.h"
#include "platform/clock.h"
#include "platform/spoken_focus.h"

#include <QComboBox>
#include <QListWidget>
#include <QPushButton>

namespace vantrel {

void Form1::startOrCancel()
{
    const QString caption = Command1->text();
    if (caption == QLatin1String("Start")) {
        reminders.alerttimes = 0;
        startReadingPass();
        reading.lastlistentime = m_services.clock.secondsSinceMidnight();
        // A pass that ended at once (nothing to read) must not stop the refresh until the first interval.
        if (reading.passPlaying)
            Timer2.disable();
        Timer1.enable();
        reminders.alertcount = 0;
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
    if (!listeningDue(reading.lastlistentime, m_services.clock.secondsSinceMidnight(), *interval))
        return;
    Timer1.disable();
    Timer2.disable();
    startReadingPass();
}

} // namespace vantrel
