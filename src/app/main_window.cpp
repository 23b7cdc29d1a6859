// SPDX-License-Identifier: GPL-3.0-or-later
#include "main_window.h"

#include "accessibility/combo_box_accessible.h"
#include "accessibility/keyboard_buttons.h"
#include "accessibility/list_box.h"
#include "accessibility/spoken_focus.h"
#include "app/listening_interval.h"
#include "audio/wave_player.h"
#include "platform/http_fetch.h"
#include "platform/program_files.h"
#include "quotes/pair_catalogue.h"
#include "reminders/reminder_choices.h"
#include "speech/clip_names.h"
#include "toolkit/message_box.h"
#include "toolkit/program_icon.h"
#include "toolkit/twips.h"
#include "vantrel_config.h"
#include "views/cross_rates_view.h"
#include "views/help_window.h"
#include "views/major_rates_view.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace vantrel {
namespace {

template<typename Control, typename... Args>
Control *named(const char *name, Args &&...args)
{
    auto *control = new Control(std::forward<Args>(args)...);
    control->setObjectName(QLatin1String(name));
    return control;
}

} // namespace

Form1::Form1(Form1Services services)
    : Timer1(1000)
    , Timer2(3000)
    , m_services(services)
    , m_refresher(services.inet1, QuoteCacheFile(services.quoteCachePath), rates, QUrl())
    , m_reading(rates, services.clock, services.makePlayer, services.programDirectory,
                {[this] { return listItems(*List2); }, [this] { return Check1->isChecked(); },
                 [this] { return Check2->isChecked(); }},
                this)
    , m_alert(services.makePlayer, services.programDirectory,
              {[this] { return Combo4->currentText(); }, [this] { return Combo5->currentText(); }}, this)
{
    Timer1.setObjectName(QStringLiteral("Timer1"));
    Timer2.setObjectName(QStringLiteral("Timer2"));
    // Before the first combo box exists: a combo asks for its accessible interface as it is made.
    installComboBoxAccessibility();
    installReturnPressesFocusedButton();
    createControls();
    placeControls();
    describeForAssistiveTechnology();
    connectHandlers();
}

Form1::~Form1()
{
    closeOtherWindows();
}

void Form1::createControls()
{
    setWindowTitle(QStringLiteral("Vantrel"));

    Frame1 = named<QGroupBox>("Frame1", QStringLiteral("Select Money Pairs and Listening Interval"), this);
    Frame2 = named<QGroupBox>("Frame2", QStringLiteral("Key Price Reminder(Select Pair,enter upper or lower, then \"Add\""), this);
    Command1 = named<QPushButton>("Command1", QStringLiteral("Start"), this);
    Command6 = named<QPushButton>("Command6", QStringLiteral("View"), this);
    Command2 = named<QPushButton>("Command2", QStringLiteral("Help"), this);
    Command3 = named<QPushButton>("Command3", QStringLiteral("Quit"), this);
    Command9 = named<QPushButton>("Command9", QStringLiteral("Command9"), this);
    Command9->hide();

    Label1 = named<QLabel>("Label1", QStringLiteral("Major or Cross"), Frame1);
    Combo1 = named<QComboBox>("Combo1", Frame1);
    Combo1->addItems({pairTypeName(PairType::Major), pairTypeName(PairType::Cross)});
    List1 = named<QListWidget>("List1", Frame1);
    Command4 = named<QPushButton>("Command4", QStringLiteral("Add"), Frame1);
    Command5 = named<QPushButton>("Command5", QStringLiteral("Remove"), Frame1);
    Label2 = named<QLabel>("Label2", QStringLiteral("Interval"), Frame1);
    Combo2 = named<QComboBox>("Combo2", Frame1);
    Combo2->addItems(listeningIntervalNames());
    List2 = named<QListWidget>("List2", Frame1);
    Check1 = named<QCheckBox>("Check1", QStringLiteral("Prompt"), Frame1);
    Check2 = named<QCheckBox>("Check2", QStringLiteral("Money Pair"), Frame1);

    Label5 = named<QLabel>("Label5", QStringLiteral("Select Pair"), Frame2);
    Combo3 = named<QComboBox>("Combo3", Frame2);
    Combo3->addItems(allPairNames());
    Label6 = named<QLabel>("Label6", QStringLiteral("Sound"), Frame2);
    Combo4 = named<QComboBox>("Combo4", Frame2);
    Combo4->addItems(alertSoundNames());
    Label7 = named<QLabel>("Label7", QStringLiteral("Times"), Frame2);
    Combo5 = named<QComboBox>("Combo5", Frame2);
    Combo5->setEditable(true);
    Combo5->setInsertPolicy(QComboBox::NoInsert);
    // Only the five words, exactly, are a count: Qt's completer would finish "t" as "two" and turn
    // "three" into "Three" on Enter, so the box keeps what is typed as it is.
    Combo5->setCompleter(nullptr);
    Combo5->addItems(repeatWords());
    Combo5->setCurrentText(QStringLiteral("One"));
    Label3 = named<QLabel>("Label3", QStringLiteral("Upper"), Frame2);
    Text1 = named<QLineEdit>("Text1", Frame2);
    Label4 = named<QLabel>("Label4", QStringLiteral("Lower"), Frame2);
    Text2 = named<QLineEdit>("Text2", Frame2);
    Command7 = named<QPushButton>("Command7", QStringLiteral("Add"), Frame2);
    Command8 = named<QPushButton>("Command8", QStringLiteral("Remove"), Frame2);
    List3 = named<QListWidget>("List3", Frame2);

    for (QListWidget *list : {List1, List2, List3})
        list->setSelectionMode(QAbstractItemView::SingleSelection);
    for (QComboBox *combo : {Combo1, Combo2, Combo3, Combo4, Combo5})
        combo->setMaxVisibleItems(12);
}

void Form1::placeControls()
{
    const auto place = [this](QWidget *control, int left, int top, int width, int height) {
        control->setGeometry(twipsRect(*this, left, top, width, height));
    };
    setFixedSize(twipsToPixels(*this, 6255), twipsToPixels(*this, 5715));

    place(Frame1, 120, 120, 6015, 2415);
    place(Frame2, 120, 2760, 6015, 2295);
    place(Command1, 5160, 2100, 855, 375);
    place(Command6, 3120, 5280, 855, 375);
    place(Command2, 4200, 5280, 855, 375);
    place(Command3, 5280, 5280, 855, 375);
    place(Command9, 2280, 2880, 375, 300);

    place(Label1, 360, 360, 1335, 255);
    place(Combo1, 360, 600, 1335, 300);
    place(List1, 360, 960, 1335, 1320);
    place(Command4, 2145, 960, 735, 375);
    place(Command5, 2145, 1440, 735, 375);
    place(Label2, 3720, 360, 855, 255);
    place(Combo2, 3360, 600, 1575, 300);
    place(List2, 3360, 960, 1575, 960);
    place(Check1, 2520, 2060, 1095, 255);
    place(Check2, 3600, 2060, 1215, 255);

    place(Label5, 600, 480, 1215, 255);
    place(Combo3, 360, 720, 1695, 300);
    place(Label6, 3480, 480, 855, 255);
    place(Combo4, 3120, 720, 1215, 300);
    place(Label7, 4920, 480, 855, 255);
    place(Combo5, 4680, 720, 1095, 300);
    place(Label3, 240, 1320, 735, 255);
    place(Text1, 960, 1320, 1095, 270);
    place(Label4, 240, 1845, 735, 255);
    place(Text2, 960, 1800, 1095, 270);
    place(Command7, 2180, 1280, 855, 375);
    place(Command8, 2180, 1760, 855, 375);
    place(List3, 3120, 1200, 2175, 960);

    // The start button sits inside the first frame's area but belongs to the window.
    Command1->raise();
}

void Form1::describeForAssistiveTechnology()
{
    // Buttons and check boxes speak their captions; every other control is named after its label.
    for (QPushButton *button : {Command1, Command2, Command3, Command4, Command5, Command6, Command7, Command8})
        button->setAccessibleName(button->text());
    for (QCheckBox *box : {Check1, Check2})
        box->setAccessibleName(box->text());
    Frame1->setAccessibleName(Frame1->title());
    Frame2->setAccessibleName(Frame2->title());
    const std::pair<QLabel *, QWidget *> labelled[] = {
        {Label1, Combo1}, {Label2, Combo2}, {Label5, Combo3}, {Label6, Combo4},
        {Label7, Combo5}, {Label3, Text1},  {Label4, Text2},
    };
    for (const auto &[label, control] : labelled) {
        label->setBuddy(control);
        control->setAccessibleName(label->text());
    }
    // The repeat selector takes typing: its text field speaks under the same name.
    Combo5->lineEdit()->setAccessibleName(Label7->text());
    keepTextUnselectedOnFocus(*Combo5);
    for (QComboBox *combo : {Combo1, Combo2, Combo3, Combo4})
        makeChoicesHeard(*combo);
    for (QComboBox *combo : {Combo1, Combo2, Combo3, Combo4, Combo5})
        makeCurrentEntryHeard(*combo->view());
    for (QListWidget *list : {List1, List2, List3})
        makeCurrentEntryHeard(*list);
    List1->setAccessibleName(QStringLiteral("Available pairs"));
    List2->setAccessibleName(QStringLiteral("Pairs to be listened"));
    List3->setAccessibleName(QStringLiteral("Key price reminders"));

    // Keyboard focus follows the layout: the pair and interval frame, Start, the reminder frame, then
    // the buttons along the bottom.
    const QList<QWidget *> order{Combo1, List1, Command4, Command5, Combo2, List2, Check1, Check2,
                                 Command1, Combo3, Combo4, Combo5, Text1, Command7, Text2, Command8,
                                 List3, Command6, Command2, Command3};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
    Command9->setFocusPolicy(Qt::NoFocus);
    // The window opens on its first control, where the keyboard user starts.
    Combo1->setFocus();
}

void Form1::connectHandlers()
{
    // `activated` is the user's choice, also of the item already shown, as a click on the list would be.
    connect(Combo1, &QComboBox::activated, this, &Form1::choosePairType);
    connect(Combo3, &QComboBox::activated, this, &Form1::chooseReminderPair);
    connect(Command4, &QPushButton::clicked, this, &Form1::addSelectedPair);
    connect(Command5, &QPushButton::clicked, this, &Form1::removeSelectedPair);
    connect(Command1, &QPushButton::clicked, this, &Form1::startOrCancel);
    connect(&Timer1, &SwitchTimer::tick, this, &Form1::listeningTick);
    connect(Command7, &QPushButton::clicked, this, &Form1::addReminder);
    connect(Command8, &QPushButton::clicked, this, &Form1::removeReminder);
    // The hidden button's click is the alert's starter; the alert calls it itself.
    connect(Command9, &QPushButton::clicked, &m_alert, &AlertPlayback::alertStarter);
    connect(Command6, &QPushButton::clicked, this, &Form1::showRateViews);
    connect(Command3, &QPushButton::clicked, this, &Form1::quit);
    connect(Command2, &QPushButton::clicked, this, &Form1::openHelp);
    connect(&Timer2, &SwitchTimer::tick, this, &Form1::refreshTick);
    connect(&m_refresher, &QuoteRefresher::refreshFinished, this, &Form1::finishRefreshTick);
    connect(&m_reading, &ReadingPass::passEnded, this, &Form1::passEnded);
    connect(&m_alert, &AlertPlayback::alertEnded, this, &Form1::alertEnded);
}

WavePlayer &Form1::MMControl(int number) const
{
    return number <= 8 ? m_reading.MMControl(number) : m_alert.MMControl(number);
}

bool Form1::removeHighlightedEntry(QListWidget &list, QPushButton &button, const QString &complaint)
{
    const int index = listIndex(list);
    if (index == -1) {
        m_services.messages.show(this, complaint);
        return false;
    }
    const QString removed = list.item(index)->text();
    removeListItem(list, index);
    // The entry leaves a list away from the button: a screen reader user hears it.
    sayAboutFocusedControl(button, removed + QLatin1String(" removed"));
    return true;
}

void Form1::chooseItem(QComboBox *combo, const QString &text, void (Form1::*handler)())
{
    combo->setCurrentIndex(combo->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive));
    if (handler)
        (this->*handler)();
}

void Form1::load()
{
    setWindowIcon(programIcon());
    Check2->setChecked(true);
    quoteurl = QUrl(QStringLiteral(VANTREL_QUOTE_URL));
    m_refresher.setQuoteUrl(quoteurl);
    chooseItem(Combo1, QStringLiteral("Major"), &Form1::choosePairType);
    chooseItem(Combo2, QStringLiteral("2.5min"), nullptr);
    chooseItem(Combo3, QStringLiteral("EUR/USD"), &Form1::chooseReminderPair);
    m_alert.resetCycles();
    chooseItem(Combo4, QStringLiteral("Bell"), nullptr);

    // The first page is only saved, not read; the windows do not wait for it.
    m_refresher.downloadFirstPage();
    startRefresh();
    // Beside the main window, without taking the keyboard from it: the first thing a screen reader says
    // is the main window and its first control, not a rate table.
    const auto showBeside = [](QWidget &view) {
        view.setAttribute(Qt::WA_ShowWithoutActivating);
        view.show();
        view.setAttribute(Qt::WA_ShowWithoutActivating, false); // View brings them forward with the keyboard
    };
    showBeside(ensureMajorRatesView());
    showBeside(ensureCrossRatesView());
}

void Form1::showRateViews()
{
    startRefresh();
    ensureMajorRatesView().show();
    ensureCrossRatesView().show();
    // Brought forward even when they were open already, the Major Rates view on top with the keyboard, so
    // that the press has a result the user sees and a screen reader says.
    m_form3->raise();
    m_form2->raise();
    m_form2->activateWindow();
}

void Form1::updateRateViews()
{
    // A view closed by its close box comes back hidden here, filled, ready for View.
    ensureMajorRatesView().showRates(rates);
    ensureCrossRatesView().showRates(rates);
}

Form2 &Form1::ensureMajorRatesView()
{
    if (!m_form2) {
        m_form2 = new Form2;
        // Beside the main window, so that neither hides the other.
        m_form2->move(frameGeometry().topRight() + QPoint(8, 0));
    }
    return *m_form2;
}

Form3 &Form1::ensureCrossRatesView()
{
    if (!m_form3) {
        m_form3 = new Form3;
        Form2 &majors = ensureMajorRatesView();
        m_form3->move(majors.frameGeometry().topRight() + QPoint(8, 0));
    }
    return *m_form3;
}

void Form1::quit()
{
    if (m_form2)
        m_form2->close();
    close();
}

void Form1::closeEvent(QCloseEvent *event)
{
    // Closing the main window ends the program: every other window goes with it.
    stopBothTimers();
    m_services.inet1.cancel();
    for (int number : {1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 12, 13})
        MMControl(number).setCommand(QStringLiteral("close"));
    closeOtherWindows();
    event->accept();
    QCoreApplication::quit();
}

void Form1::closeOtherWindows()
{
    for (QWidget *window : std::initializer_list<QWidget *>{m_form2, m_form3, m_form7}) {
        if (window)
            window->close();
    }
}

} // namespace vantrel
