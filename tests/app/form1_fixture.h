// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/main_window.h"
#include "support/fake_http_fetch.h"
#include "support/recording_message_box.h"
#include "support/recording_player.h"
#include "support/settable_clock.h"

#include <QTemporaryDir>

#include <memory>

namespace vantrel::test {

// A main window with doubles for everything outside it: download, message box, clock and players.
struct Form1Fixture {
    Form1Fixture();
    ~Form1Fixture();

    // Lets the playing clips end one after another until nothing plays; returns what was played from
    // the clip playing now on.
    QStringList playToEnd(int maxClips = 500);
    // One refresh tick whose download brings this page.
    void tickWithPage(const QByteArray &page);
    // Puts a rate text into the table, as a refresh would.
    void setRate(const QString &pair, const QString &rate);

    QTemporaryDir dir;
    FakeHttpFetch inet1;
    RecordingMessageBox messages;
    SettableClock clock;
    PlayerLog players;
    std::unique_ptr<Form1> form;
};

} // namespace vantrel::test
