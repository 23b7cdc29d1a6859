// SPDX-License-Identifier: GPL-3.0-or-later
#include "help_window.h"

#include "toolkit/twips.h"

#include <QKeySequence>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>

namespace vantrel {

QString Form7::helpText()
{
    static const char *const lines[] = {
        "How to use Vantrel",
        "",
        "1. Brief of the software",
        "Vantrel reads foreign-exchange rates aloud as they change, so that you can follow the market by "
        "ear instead of watching a screen. Your eyes are spared and your hands stay free for other work "
        "while you listen.",
        "",
        "2. Functions",
        "",
        "1) Speech quote at regular intervals",
        "Choose \"Major\" or \"Cross\", pick a pair in the list below it and press \"Add\" to put it into the "
        "list of pairs to be read; add as many as you like, in the order you want to hear them. Choose how "
        "often they are read in \"Interval\" and press \"Start\". Vantrel reads the current rate of every "
        "pair in the list at once and again after each interval, until you press \"Cancel\".",
        "",
        "2) Key rate reminder",
        "For a rate that needs close attention, choose its pair under \"Select Pair\" and type a limit in "
        "\"Upper\", in \"Lower\" or in both, then press \"Add\". For example, EUR/USD with an upper limit of "
        "1.1880 and a lower limit of 1.1536 gives two reminders. As soon as the rate reaches a limit, "
        "Vantrel sounds an alarm and says which pair reached your key price; choose the alarm in \"Sound\" "
        "and how many times it is repeated in \"Times\". A reminder that has sounded is taken off the list; "
        "\"Remove\" takes one off by hand.",
        "The two functions can be used together or each on its own.",
        "",
        "3) Watch the real time quotation",
        "\"View\" shows the Major Rates and Cross Rates windows, renewed every three seconds. The rates "
        "come from a bank's published quote page and are given for reference only: real-time quotes change "
        "quickly, and the rate you hear may differ from the price your own bank offers you.",
        "",
        "3. Condition of using",
        "A computer with speakers or headphones and a connection to the quote page, running a Linux desktop.",
    };
    QStringList text;
    for (const char *line : lines)
        text << QString::fromUtf8(line);
    return text.join(QLatin1Char('\n'));
}

Form7::Form7()
    : Text1(new QPlainTextEdit(this))
    , Command1(new QPushButton(QStringLiteral("Return"), this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Vantrel"));
    setFixedSize(twipsToPixels(*this, 7380), twipsToPixels(*this, 5760));

    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setGeometry(twipsRect(*this, 120, 120, 7095, 5055));
    Text1->setPlainText(helpText());
    Text1->setReadOnly(true);
    // A caret in the read-only text, so that the arrow keys move through it line by line and word by word
    // and a screen reader reads what they reach.
    Text1->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text1->setAccessibleName(QStringLiteral("Help"));

    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(twipsRect(*this, 6360, 5280, 855, 375));
    Command1->setAccessibleName(Command1->text());
    connect(Command1, &QPushButton::clicked, this, &QWidget::close);
    // Escape leaves the help as Return does.
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, Command1,
            &QPushButton::click);

    setTabOrder(Text1, Command1);
}

} // namespace vantrel
