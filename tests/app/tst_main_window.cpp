// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/listening_interval.h"
#include "app/main_window.h"
#include "quotes/pair_catalogue.h"
#include "speech/clip_names.h"
#include "support/fake_http_fetch.h"
#include "support/widget_items.h"
#include "support/recording_message_box.h"
#include "support/recording_player.h"
#include "support/settable_clock.h"
#include "support/test_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
#include <QTest>

using namespace vantrel;
using vantrel::test::chooseAsUser;
using vantrel::test::itemsOf;
using vantrel::test::FakeHttpFetch;
using vantrel::test::RecordingMessageBox;
using vantrel::test::TestPage;

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void startUpDefaults();
    void firstDownloadIsSavedNotRead();
    void reminderPairChoiceClearsBoxes();
    void refreshTickFillsGrids();
    void failedRefreshKeepsGrids();
    void tickDuringDownloadIsDropped();
    void viewRecreatesClosedViews();
    void helpOpensOnce();
    void closingEndsProgram_data();
    void closingEndsProgram();
    void everyControlIsReachable();

private:
    // One refresh tick whose download brings this page.
    void tickWithPage(const QByteArray &page);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FakeHttpFetch> m_inet1;
    std::unique_ptr<RecordingMessageBox> m_messages;
    vantrel::test::SettableClock m_clock;
    vantrel::test::PlayerLog m_players;
    std::unique_ptr<Form1> m_form1;
};

void TestMainWindow::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_inet1 = std::make_unique<FakeHttpFetch>();
    m_messages = std::make_unique<RecordingMessageBox>();
    m_form1 = std::make_unique<Form1>(Form1Services{
        *m_inet1, *m_messages, m_clock,
        [this](QObject *parent) { return new vantrel::test::RecordingPlayer(m_players, parent); },
        m_dir->filePath(QStringLiteral("curquote.htm")), m_dir->path()});
    m_form1->load();
    m_form1->show();
}

void TestMainWindow::cleanup()
{
    m_form1.reset();
    QTest::qWait(0);
    m_messages.reset();
    m_inet1.reset();
    m_dir.reset();
}

void TestMainWindow::tickWithPage(const QByteArray &page)
{
    if (m_inet1->isBusy())
        m_inet1->answerPage(QByteArray()); // the start-up's download
    emit m_form1->Timer2.tick();
    m_inet1->answerPage(page);
}

void TestMainWindow::startUpDefaults()
{
    Form1 &form = *m_form1;
    QCOMPARE(form.windowTitle(), "Vantrel");
    QCOMPARE(form.Command1->text(), "Start");
    QVERIFY(form.Check2->isChecked());
    QVERIFY(!form.Check1->isChecked());
    QCOMPARE(form.Combo1->currentText(), "Major");
    QCOMPARE(itemsOf(form.List1), QStringList({"AUD/USD", "EUR/USD", "GBP/USD", "USD/CAD", "USD/CHF",
                                               "USD/HKD", "USD/JPY", "USD/SGD"}));
    QCOMPARE(form.List2->count(), 0);
    QCOMPARE(form.Combo2->currentText(), "2.5min");
    // Each list offers its table, in the table's order, which the tests of the tables check item by item.
    QCOMPARE(itemsOf(form.Combo2), listeningIntervalNames());
    QCOMPARE(form.Combo3->currentText(), "EUR/USD");
    QCOMPARE(itemsOf(form.Combo3), allPairNames());
    QCOMPARE(form.Combo4->currentText(), "Bell");
    QCOMPARE(itemsOf(form.Combo4), alertSoundNames());
    QCOMPARE(form.Combo5->currentText(), "One");
    QVERIFY(form.Combo5->isEditable());
    QVERIFY(!form.Combo1->isEditable());
    QVERIFY(form.Timer2.isEnabled());
    QVERIFY(!form.Timer1.isEnabled());
    QCOMPARE(form.Timer2.interval(), 3000);
    QCOMPARE(form.Timer1.interval(), 1000);
    QCOMPARE(form.alertPlayback().reminders.alerttimes, 0);
    QCOMPARE(form.alertPlayback().reminders.alertcount, 0);
    QVERIFY(!form.Command9->isVisible());
    QVERIFY(form.majorRatesView() && form.majorRatesView()->isVisible());
    QVERIFY(form.crossRatesView() && form.crossRatesView()->isVisible());
    QCOMPARE(form.quoteurl.toString(),
             "http://localhost/interesthq/market.dll?getexmarket_5l?branch=0755");
}

void TestMainWindow::firstDownloadIsSavedNotRead()
{
    QCOMPARE(m_inet1->requests.size(), 1);
    QCOMPARE(m_inet1->requests.first(), m_form1->quoteurl);
    m_inet1->answerPage(TestPage().bytes());
    QVERIFY(QFile::exists(m_dir->filePath(QStringLiteral("curquote.htm"))));
    QVERIFY(m_form1->rates.rate(0).isEmpty());
    QVERIFY(m_form1->majorRatesView()->MSFlexGrid1().cellText(1, 1).isEmpty());
}

void TestMainWindow::reminderPairChoiceClearsBoxes()
{
    Form1 &form = *m_form1;
    form.Text1->setText(QStringLiteral("1.2650"));
    form.Text2->setText(QStringLiteral("1.2400"));
    form.alertPlayback().reminders.alerttimes = 3;
    form.alertPlayback().reminders.alertcount = 2;
    chooseAsUser(form.Combo3, QStringLiteral("GBP/JPY"));
    QVERIFY(form.Text1->text().isEmpty());
    QVERIFY(form.Text2->text().isEmpty());
    QCOMPARE(form.alertPlayback().reminders.alerttimes, 0);
    QCOMPARE(form.alertPlayback().reminders.alertcount, 0);
}

void TestMainWindow::refreshTickFillsGrids()
{
    TestPage page;
    page.setPrices(QStringLiteral("USD/JPY"), QStringLiteral("108.12"), QStringLiteral("108.17"));
    page.setPrices(QStringLiteral("GBP/EUR"), QStringLiteral("1.1500"), QStringLiteral("1.1503"));
    tickWithPage(page.bytes());

    RateGrid &majors = m_form1->majorRatesView()->MSFlexGrid1();
    RateGrid &crosses = m_form1->crossRatesView()->MSFlexGrid1();
    QCOMPARE(majors.cellText(6, 0), "USD/JPY");
    QCOMPARE(majors.cellText(6, 1), "108.15");
    QCOMPARE(majors.cellBackground(5, 1), QColor(192, 255, 192));
    QCOMPARE(crosses.cellText(22, 1), "1.1502");
    QCOMPARE(crosses.cellText(1, 1), "1.0000");
}

void TestMainWindow::failedRefreshKeepsGrids()
{
    TestPage page;
    page.setPrices(QStringLiteral("EUR/USD"), QStringLiteral("1.1000"), QStringLiteral("1.1002"));
    tickWithPage(page.bytes());

    emit m_form1->Timer2.tick();
    m_inet1->answer({kFetchTimedOut, {}, {}});
    QCOMPARE(m_form1->majorRatesView()->MSFlexGrid1().cellText(2, 1), "1.1001");
    tickWithPage("<html>Service unavailable</html>\r\n");
    QCOMPARE(m_form1->majorRatesView()->MSFlexGrid1().cellText(2, 1), "1.1001");
}

void TestMainWindow::tickDuringDownloadIsDropped()
{
    QVERIFY(m_inet1->isBusy()); // the start-up's download has not come yet
    emit m_form1->Timer2.tick();
    QCOMPARE(m_inet1->requests.size(), 1);
    m_inet1->answerPage(TestPage().bytes());
    emit m_form1->Timer2.tick();
    QCOMPARE(m_inet1->requests.size(), 2);
}

void TestMainWindow::viewRecreatesClosedViews()
{
    Form1 &form = *m_form1;
    QPointer<Form2> first = form.majorRatesView();
    first->close();
    QTest::qWait(0);
    QVERIFY(first.isNull());
    QVERIFY(!form.majorRatesView());

    // The next update brings the view back hidden and filled; View shows it.
    TestPage page(QStringLiteral("1.2345"));
    tickWithPage(page.bytes());
    QVERIFY(form.majorRatesView());
    QVERIFY(!form.majorRatesView()->isVisible());
    QCOMPARE(form.majorRatesView()->MSFlexGrid1().cellText(1, 1), "1.2345");

    form.Timer2.disable();
    QTest::mouseClick(form.Command6, Qt::LeftButton);
    QVERIFY(form.Timer2.isEnabled());
    QVERIFY(form.majorRatesView()->isVisible());
    QVERIFY(form.crossRatesView()->isVisible());
    QCOMPARE(form.majorRatesView()->MSFlexGrid1().cellText(2, 0), "EUR/USD");

    // A second View changes nothing visible.
    Form3 *crosses = form.crossRatesView();
    QTest::mouseClick(form.Command6, Qt::LeftButton);
    QCOMPARE(form.crossRatesView(), crosses);
}

void TestMainWindow::helpOpensOnce()
{
    Form1 &form = *m_form1;
    QTest::mouseClick(form.Command2, Qt::LeftButton);
    Form7 *help = form.helpWindow();
    QVERIFY(help && help->isVisible());
    QTest::mouseClick(form.Command2, Qt::LeftButton);
    QCOMPARE(form.helpWindow(), help);
    QVERIFY(help->Text1->isReadOnly());
    QCOMPARE(help->Text1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);

    help->Text1->verticalScrollBar()->setValue(help->Text1->verticalScrollBar()->maximum());
    QTest::mouseClick(help->Command1, Qt::LeftButton);
    QTest::qWait(0);
    QVERIFY(!form.helpWindow());

    QTest::mouseClick(form.Command2, Qt::LeftButton);
    QCOMPARE(form.helpWindow()->Text1->verticalScrollBar()->value(), 0);
    QVERIFY(form.helpWindow()->Text1->toPlainText().startsWith(QStringLiteral("How to use Vantrel\n")));

    // The help window is not modal: a click on the main window still gets through to its buttons.
    QVERIFY(!QGuiApplication::modalWindow());
    form.Timer2.disable();
    QTest::mouseClick(form.windowHandle(), Qt::LeftButton, {},
                      form.Command6->mapTo(&form, form.Command6->rect().center()));
    QVERIFY(form.Timer2.isEnabled());
    QVERIFY(form.helpWindow()->isVisible());
}

void TestMainWindow::closingEndsProgram_data()
{
    QTest::addColumn<bool>("closeBox");

    QTest::newRow("Quit") << false;
    QTest::newRow("close box") << true;
}

void TestMainWindow::closingEndsProgram()
{
    QFETCH(bool, closeBox);

    Form1 &form = *m_form1;
    QTest::mouseClick(form.Command2, Qt::LeftButton);
    form.List2->addItem(QStringLiteral("EUR/USD"));
    QTest::mouseClick(form.Command1, Qt::LeftButton);
    QCOMPARE(m_players.playing().size(), 1);
    QVERIFY(m_inet1->isBusy()); // the start-up's download

    // Only the program itself may end the event loop here, not the last window going away.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    QTimer::singleShot(0, &form, [&form, closeBox] {
        if (closeBox)
            form.windowHandle()->close(); // what the window system does for the close box
        else
            QTest::mouseClick(form.Command3, Qt::LeftButton);
    });
    QTimer programDidNotEnd;
    programDidNotEnd.setSingleShot(true);
    connect(&programDidNotEnd, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    programDidNotEnd.start(10000);
    const int status = QCoreApplication::exec();
    QGuiApplication::setQuitOnLastWindowClosed(true);

    QCOMPARE(status, 0);
    QVERIFY(!form.isVisible());
    QVERIFY(!form.majorRatesView());
    QVERIFY(!form.crossRatesView());
    QVERIFY(!form.helpWindow());
    QVERIFY(!form.Timer1.isEnabled());
    QVERIFY(!form.Timer2.isEnabled());
    QVERIFY(m_players.playing().isEmpty());
    QVERIFY(!m_inet1->isBusy());
}

void TestMainWindow::everyControlIsReachable()
{
    Form1 &form = *m_form1;
    const QList<QWidget *> controls{form.Combo1, form.List1, form.Command4, form.Command5, form.Combo2,
                                    form.List2,  form.Check1, form.Check2, form.Command1, form.Combo3,
                                    form.Combo4, form.Combo5, form.Text1, form.Command7, form.Text2,
                                    form.Command8, form.List3, form.Command6, form.Command2, form.Command3};
    for (QWidget *control : controls) {
        QVERIFY2(!control->accessibleName().isEmpty(), qPrintable(control->objectName()));
        QVERIFY2(control->focusPolicy() & Qt::TabFocus, qPrintable(control->objectName()));
    }
    // Following the focus chain from the first control visits them all in layout order.
    QWidget *next = controls.first();
    for (qsizetype i = 1; i < controls.size(); ++i) {
        next = next->nextInFocusChain();
        while (!(next->focusPolicy() & Qt::TabFocus) || !controls.contains(next))
            next = next->nextInFocusChain();
        QCOMPARE(next->objectName(), controls[i]->objectName());
    }
    QCOMPARE(form.Combo3->accessibleName(), "Select Pair");
    QCOMPARE(form.Label3->buddy(), form.Text1);
}

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
