// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/program_files.h"
#include "platform/switch_timer.h"
#include "toolkit/message_box.h"
#include "toolkit/program_icon.h"

#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace vantrel;

namespace {

// A file written for one check and removed after it, also when the check fails.
class FileBesideProgram
{
public:
    FileBesideProgram(const QString &path, const QByteArray &contents)
        : m_path(path)
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size())
            qFatal("cannot write %s", qPrintable(path));
    }
    ~FileBesideProgram() { QFile::remove(m_path); }

private:
    QString m_path;
};

} // namespace

class TestToolkit : public QObject
{
    Q_OBJECT

private slots:
    void enablingRunningTimerKeepsCountdown();
    void timerMaySwitchItselfOff();
    void messageBoxHasTitleTextAndOkOnly();
    void iconIsFdIcoWhenReadable();
};

void TestToolkit::enablingRunningTimerKeepsCountdown()
{
    SwitchTimer timer(300);
    QSignalSpy ticks(&timer, &SwitchTimer::tick);
    timer.enable();
    // Switching it on again every 100 ms would hold the tick back for ever if it restarted the countdown.
    for (int i = 0; i < 5; ++i) {
        QTest::qWait(100);
        timer.enable();
    }
    QVERIFY(ticks.size() >= 1);
    timer.disable();
    QVERIFY(!timer.isEnabled());
    const qsizetype seen = ticks.size();
    QTest::qWait(400);
    QCOMPARE(ticks.size(), seen);
}

void TestToolkit::timerMaySwitchItselfOff()
{
    SwitchTimer timer(10);
    int ticks = 0;
    connect(&timer, &SwitchTimer::tick, &timer, [&] {
        ++ticks;
        timer.disable();
    });
    timer.enable();
    QTest::qWait(100);
    QCOMPARE(ticks, 1);
}

void TestToolkit::messageBoxHasTitleTextAndOkOnly()
{
    QString title;
    QString text;
    int buttons = -1;
    QMessageBox::Icon icon = QMessageBox::Critical;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        title = box->windowTitle();
        text = box->text();
        buttons = int(box->buttons().size());
        icon = box->icon();
        box->button(QMessageBox::Ok)->click();
    });
    DialogMessageBox().show(nullptr, QStringLiteral("Seclect pairs to be listened please!"));
    QCOMPARE(title, "Vantrel");
    QCOMPARE(text, "Seclect pairs to be listened please!");
    QCOMPARE(buttons, 1);
    QCOMPARE(icon, QMessageBox::NoIcon);
}

void TestToolkit::iconIsFdIcoWhenReadable()
{
    const QString path = programDirectory() + QStringLiteral("/fd.ico");
    QVERIFY2(!QFile::exists(path), "the test program's directory has an fd.ico of its own");
    // A null icon: the window shows the desktop's default one.
    QVERIFY(programIcon().isNull());
    {
        const FileBesideProgram unreadable(path, "not an icon");
        QVERIFY(programIcon().isNull());
    }

    QImage drawn(32, 32, QImage::Format_ARGB32);
    drawn.fill(Qt::red);
    QByteArray ico;
    QBuffer buffer(&ico);
    QVERIFY(buffer.open(QIODevice::WriteOnly) && drawn.save(&buffer, "ICO"));
    const FileBesideProgram readable(path, ico);
    const QIcon icon = programIcon();
    QVERIFY(!icon.isNull());
    QCOMPARE(icon.pixmap(32).toImage().pixel(16, 16), qRgb(255, 0, 0));
}

QTEST_MAIN(TestToolkit)
#include "tst_toolkit.moc"
