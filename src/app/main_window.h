// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Names that belong to the window's definition and stay exactly as they are, odd as some look:
// - the controls, timers and players: Form1, Frame1-2, Command1-9, Label1-7, Combo1-5, List1-3, Check1-2,
//   Text1-2, Timer1-2, MMControl1-8 and MMControl10-13 (there is no player 9), and the rate views Form2,
//   Form3 and the help window Form7;
// - the shared values and steps named as one lower-case word: speakindex, speakrate, speakclip,
//   lastlistentime, alerttimes, alertcount, alertclip, alertindex, quoteurl, readandlisten,
//   mmcontrol10act, and RefreshQuotes, SelectSpokenPair;
// - every caption, label, item and message, letter for letter, misspellings included: "Seclect pairs to
//   be listened please!", "Seclect pairs to be removed please!", "Seclect reminder to be cancelled
//   please!", "Key Price Reminder(Select Pair,enter upper or lower, then \"Add\"" (no closing bracket),
//   "frog" and "telegram" in lower case among the alert sounds, the clip names such as "dqhj" and "dianm".
// Users, their habits and the sound files rely on them; do not "fix" them. Everything else is named to say
// what it is.

#include "platform/switch_timer.h"
#include "quotes/rate_table.h"
#include "quotes/refresh_quotes.h"
#include "reminders/alert_playback.h"
#include "speech/reading_pass.h"
#include "views/cross_rates_view.h"
#include "views/help_window.h"
#include "views/major_rates_view.h"

#include <QPointer>
#include <QUrl>
#include <QWidget>

#include <functional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace vantrel {

class Clock;
class HttpFetch;
class MessageBox;
class WavePlayer;

// The platform pieces the main window works with; the program hands it the real ones, tests doubles.
struct Form1Services {
    HttpFetch &inet1;
    MessageBox &messages;
    Clock &clock;
    // Makes one wave player, owned by the given parent.
    PlayerFactory makePlayer;
    // Where the quote cache file is kept.
    QString quoteCachePath;
    // The directory with `sound/` and `fd.ico`.
    QString programDirectory;
};

// The main window: it owns every control and both timers, and the objects that do the work (the refresh,
// the reading pass, the alert); its slots read the controls and call them. Closing it ends the program.
// The timers are switched in one place, timer_switching.cpp.
class Form1 final : public QWidget
{
    Q_OBJECT

public:
    explicit Form1(Form1Services services);
    ~Form1() override;

    // The start-up: defaults, the first download, the refresh timer, both rate views.
    void load();

    // Controls, named as in the window's definition.
    QGroupBox *Frame1;
    QGroupBox *Frame2;
    QPushButton *Command1;
    QPushButton *Command2;
    QPushButton *Command3;
    QPushButton *Command6;
    QPushButton *Command9;
    QLabel *Label1;
    QComboBox *Combo1;
    QListWidget *List1;
    QPushButton *Command4;
    QPushButton *Command5;
    QLabel *Label2;
    QComboBox *Combo2;
    QListWidget *List2;
    QCheckBox *Check1;
    QCheckBox *Check2;
    QLabel *Label5;
    QComboBox *Combo3;
    QLabel *Label6;
    QComboBox *Combo4;
    QLabel *Label7;
    QComboBox *Combo5;
    QLabel *Label3;
    QLineEdit *Text1;
    QLabel *Label4;
    QLineEdit *Text2;
    QPushButton *Command7;
    QPushButton *Command8;
    QListWidget *List3;

    SwitchTimer Timer1;
    SwitchTimer Timer2;

    // The players: 1 to 8 read the rates, 10 to 13 play a reminder's alert. There is no player 9.
    WavePlayer &MMControl(int number) const;

    // Program state shared by the subsystems.
    RateTable rates;
    QUrl quoteurl;
    ReadingPass &readingPass() { return m_reading; }
    AlertPlayback &alertPlayback() { return m_alert; }
    // Whether listening is on: Start has been pressed and not cancelled (the button reads "Cancel").
    bool isListening() const;

    // The rate views as they are now; null while closed.
    Form2 *majorRatesView() const { return m_form2; }
    Form3 *crossRatesView() const { return m_form3; }
    Form7 *helpWindow() const { return m_form7; }
    QuoteRefresher &refresher() { return m_refresher; }

    // Handlers (main window).
    void showRateViews();   // View
    void quit();            // Quit
    // Handlers (pair lists).
    void choosePairType();  // Combo1 Click
    void addSelectedPair();    // Command4 Click
    void removeSelectedPair(); // Command5 Click
    // Handlers (listening).
    void startOrCancel();   // Command1 Click
    void listeningTick();   // Timer1 tick
    // Handlers (reminders).
    void chooseReminderPair(); // Combo3 Click
    void addReminder();        // Command7 Click
    void removeReminder();     // Command8 Click
    // Handlers (refresh).
    void refreshTick();     // Timer2 tick
    void checkReminders();  // the middle step of the refresh tick
    void updateRateViews(); // the last step of the refresh tick
    // Handlers (help).
    void openHelp();        // Command2 Click

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void createControls();
    void placeControls();
    void connectHandlers();
    void describeForAssistiveTechnology();
    void finishRefreshTick();
    // The refresh's switch for the start-up, View and a reminder added; both timers stop as the window
    // closes.
    void startRefresh();
    void stopBothTimers();
    void passEnded();
    void alertEnded(const QString &firedEntry, int alertindex);
    // Removes the highlighted entry of a list and says so at the button pressed; shows the complaint when
    // no entry is highlighted. Whether an entry was removed.
    bool removeHighlightedEntry(QListWidget &list, QPushButton &button, const QString &complaint);
    // Selects an item of a drop-down list in code and runs its choice handler, as a user's choice does.
    void chooseItem(QComboBox *combo, const QString &text, void (Form1::*handler)());
    Form2 &ensureMajorRatesView();
    Form3 &ensureCrossRatesView();
    void closeOtherWindows();

    Form1Services m_services;
    QuoteRefresher m_refresher;
    ReadingPass m_reading;
    AlertPlayback m_alert;
    QPointer<Form2> m_form2;
    QPointer<Form3> m_form3;
    QPointer<Form7> m_form7;
};

} // namespace vantrel
