// SPDX-License-Identifier: GPL-3.0-or-later
// The reminder group of the main window: choosing a pair, adding and removing reminders.
#include "accessibility/list_box.h"
#include "accessibility/spoken_focus.h"
#include "app/main_window.h"
#include "reminders/reminder_entry.h"
#include "toolkit/message_box.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace vantrel {
namespace {

// Appends the entry for one threshold box; false when the box holds text that is no number.
bool appendThreshold(Form1 &form, QLineEdit *box, bool upper)
{
    switch (classifyThreshold(box->text())) {
    case ThresholdText::Empty:
        return true;
    case ThresholdText::Faulty:
        return false;
    case ThresholdText::Valid:
        form.List3->addItem(ReminderEntry{form.Combo3->currentText(), upper, box->text()}.text());
        return true;
    }
    return true;
}

} // namespace

void Form1::chooseReminderPair()
{
    Text1->clear();
    Text2->clear();
    m_alert.resetCycles();
}

void Form1::addReminder()
{
    const int countBefore = List3->count();
    // A faulty upper box stops at once; a faulty lower one keeps the upper entry already added.
    const bool upperRead = appendThreshold(*this, Text1, true);
    const bool lowerRead = upperRead && appendThreshold(*this, Text2, false);
    // From now on the reminders are checked after every refresh.
    if (List3->count() > countBefore)
        startRefresh();
    if (!upperRead) {
        m_services.messages.show(this, QStringLiteral("Enter upper properly!"));
        return;
    }
    if (!lowerRead) {
        m_services.messages.show(this, QStringLiteral("Enter lower properly!"));
        return;
    }
    Text1->clear();
    Text2->clear();
    m_alert.resetCycles();
    // The new entries appear in the list, away from the button: a screen reader user hears them.
    const QStringList added = listItems(*List3).mid(countBefore);
    if (!added.isEmpty())
        sayAboutFocusedControl(*Command7, added.join(QLatin1String(", ")) + QLatin1String(" added"));
}

void Form1::removeReminder()
{
    if (removeHighlightedEntry(*List3, *Command8, QStringLiteral("Seclect reminder to be cancelled please!")))
        m_alert.resetCycles();
}

} // namespace vantrel
