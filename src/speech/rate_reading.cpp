// SPDX-License-Identifier: GPL-3.0-or-later
// A reading pass: the pairs of the selected-pairs list, one after another, each through the clip chain.
#include "app/main_window.h"
#include "platform/clock.h"
#include "platform/wave_player.h"
#include "speech/clip_names.h"
#include "speech/spoken_pair.h"

#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>

namespace vantrel {

void Form1::startReadingPass()
{
    // Whatever an earlier pass still plays is silenced first, so that only one chain ever runs.
    for (int number = 1; number <= 8; ++number) {
        MMControl(number).setCommand(QStringLiteral("stop"));
        MMControl(number).setCommand(QStringLiteral("close"));
    }
    reading.speakindex = 0;
    readandlisten();
}

void Form1::readandlisten()
{
    const int count = List2->count();
    if (reading.speakindex >= 0 && reading.speakindex <= count - 1) {
        SelectSpokenPair(List2->item(reading.speakindex)->text(), rates, reading);
        reading.passPlaying = true;
        const bool prompt = Check1->isChecked();
        const bool moneyPair = Check2->isChecked();
        if (reading.speakindex == 0 && prompt)
            startPlayer(1, {8, 1}, kIntroClip);
        else if (moneyPair)
            startPlayer(2, {8, 1, 2}, reading.speakclip);
        else
            startPlayer(3, {8, 1, 2, 3}, characterClip(reading.speakrate, 1));
        return;
    }

    // The end of the pass: the interval counts from now. Listening that was cancelled stays off.
    reading.passPlaying = false;
    reading.lastlistentime = m_services.clock.secondsSinceMidnight();
    if (Command1->text() == QLatin1String("Cancel"))
        Timer1.enable();
    Timer2.enable();
}

void Form1::endOfPair()
{
    ++reading.speakindex;
    readandlisten();
}

} // namespace vantrel
