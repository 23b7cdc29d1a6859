// The reminder group of the main window: choosing a pair, adding and removing reminders.
#include "app/main_window.h"

#include <QLineEdit>

namespace vantrel {

void Form1::chooseReminderPair()
{
    Text1->clear();
    Text2->clear();
    reminders.alerttimes = 0;
    reminders.alertcount = 0;
}

} // namespace vantrel
