// SPDX-License-Identifier: GPL-3.0-or-later
// A long run of the whole program against a live quote server: listening at "5s" with several pairs,
// and now and then a reminder set just beyond the current EUR/USD rate so that it fires. Every
// sample interval it prints the process's memory and CPU use, so that a drift shows.
//
//   build/bench/bench_soak SECONDS [SAMPLE_SECONDS]
// A quote server must be serving (build/tools/feed/vantrel-feed), by default at the program's own
// address; QT_QPA_PLATFORM may be offscreen.

#include "app/main_window.h"
#include "audio/audio_engine.h"
#include "audio/engine_player.h"
#include "platform/clock.h"
#include "platform/curl_http_fetch.h"
#include "platform/program_files.h"
#include "platform/quote_socket.h"
#include "toolkit/message_box.h"
#include "process_cpu.h"
#include "quotes/quote_cache_file.h"
#include "reminders/reminder_entry.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <unistd.h>

#include <cstdio>

namespace {

class PrintingMessageBox final : public vantrel::MessageBox
{
public:
    void show(QWidget *, const QString &text) override { std::printf("message: %s\n", qPrintable(text)); }
};

long residentKiB()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLong() * (sysconf(_SC_PAGESIZE) / 1024) : -1;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vantrel-soak"));
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_soak SECONDS [SAMPLE_SECONDS]\n");
        return 2;
    }
    const int seconds = atoi(argv[1]);
    const int sampleSeconds = argc > 2 ? atoi(argv[2]) : 60;

    QTemporaryDir cache;
    vantrel::AudioEngine audio;
    vantrel::CurlHttpFetch inet1(vantrel::quoteSocketPath());
    PrintingMessageBox messages;
    vantrel::SystemClock clock;
    vantrel::Form1 form({inet1, messages, clock,
                         [&audio](QObject *parent) { return new vantrel::EnginePlayer(audio, parent); },
                         cache.filePath(QStringLiteral("curquote.htm")),
                         QCoreApplication::applicationDirPath() + QStringLiteral("/../src")});
    form.load();
    form.show();
    std::printf("audio device: %s\n", audio.hasDevice() ? "yes" : "no (timed plays)");

    form.Combo2->setCurrentText(QStringLiteral("5s"));
    for (int row : {1, 6, 4})
        form.List2->addItem(form.List1->item(row)->text());
    form.Command1->click();

    int alertsSet = 0;
    int alertsFired = 0;
    int previousReminders = 0;
    QTimer reminders;
    QObject::connect(&reminders, &QTimer::timeout, [&] {
        if (form.List3->count() < previousReminders)
            alertsFired += previousReminders - form.List3->count();
        const QString rate = *form.rates.rateOf(QStringLiteral("EUR/USD"));
        if (!rate.isEmpty() && form.List3->count() == 0) {
            form.Combo3->setCurrentText(QStringLiteral("EUR/USD"));
            // Two pips either side: one of them is reached within a few refreshes.
            const double value = vantrel::rateValue(rate);
            form.Text1->setText(QString::number(value + 0.0002, 'f', 4));
            form.Text2->setText(QString::number(value - 0.0002, 'f', 4));
            form.Command7->click();
            ++alertsSet;
        }
        previousReminders = form.List3->count();
    });
    reminders.start(20000);

    QElapsedTimer elapsed;
    elapsed.start();
    double lastCpu = vantrel::bench::processCpuSeconds();
    qint64 lastMs = 0;
    std::printf("%8s %10s %8s %8s %8s\n", "seconds", "rss_kib", "cpu_%", "set", "fired");
    QTimer samples;
    QObject::connect(&samples, &QTimer::timeout, [&] {
        const qint64 ms = elapsed.elapsed();
        const double cpu = vantrel::bench::processCpuSeconds();
        std::printf("%8lld %10ld %8.2f %8d %8d\n", ms / 1000, residentKiB(),
                    100.0 * (cpu - lastCpu) / (double(ms - lastMs) / 1000.0), alertsSet, alertsFired);
        std::fflush(stdout);
        lastCpu = cpu;
        lastMs = ms;
        if (ms / 1000 >= seconds)
            app.quit();
    });
    samples.start(sampleSeconds * 1000);
    return app.exec();
}
