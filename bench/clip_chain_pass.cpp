// SPDX-License-Identifier: GPL-3.0-or-later
// One reading pass through the real main window, the real audio engine and its players, with known rates,
// so that a recording of the sound device can be checked against the clips the chain asked for.
//
//   QT_QPA_PLATFORM=offscreen build/bench/bench_clip_chain_pass [--start-after MS] PROGRAMDIR [PAIR=RATE ...]
//   (PROGRAMDIR holds sound/; the pairs read, six known ones unless given, e.g. CAD/JPY=80.12; the pass
//   starts MS milliseconds after the program, 1000 unless given: past AudioEngine::kRestAfterMs, the
//   stream has gone to rest and the pass wakes it)
//   QT_QPA_PLATFORM=offscreen build/bench/bench_clip_chain_pass --idle SECONDS [--no-device]
//
// Prints on stdout:
//   AUDIO hasDevice=1|0
//   PASS start_ms                 when startReadingPass() is called
//   CLIP name start_ms            each "play" a reading player was given, in order
//   DONE name at_ms               each Done a reading player raised
//   PASSEND at_ms                 when the pass has ended
//   IDLE cpu_percent=X seconds=S  (--idle) the process's CPU with nothing to play, from a second after
//                                 the stream has gone to rest (with --no-device: the same process with
//                                 no stream, the yardstick)
// Times are milliseconds of the monotonic clock (CLOCK_MONOTONIC), the same clock the audio engine's
// "vantrel.audio" debug messages use, so the two can be lined up.
// bench/measure_gaps.sh runs it while recording the sound server and hands both to bench/analyse_gaps.py.

#include "app/main_window.h"
#include "audio/audio_engine.h"
#include "audio/audio_log.h"
#include "audio/engine_player.h"
#include "platform/clock.h"
#include "platform/http_fetch.h"
#include "toolkit/message_box.h"
#include "process_cpu.h"
#include "quotes/pair_catalogue.h"

#include <QApplication>
#include <QCheckBox>
#include <QEventLoop>
#include <QFileInfo>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

using vantrel::monotonicMs;

namespace {

// A download that never answers: the pass reads rates stored by hand.
class SilentFetch final : public vantrel::HttpFetch
{
public:
    void setRequestTimeout(int) override {}
    void fetch(const QUrl &) override { m_busy = true; }
    void cancel() override { m_busy = false; }
    bool isBusy() const override { return m_busy; }

private:
    bool m_busy = false;
};

class PrintingMessageBox final : public vantrel::MessageBox
{
public:
    void show(QWidget *, const QString &text) override
    {
        std::printf("MESSAGE %s\n", qPrintable(text));
        std::fflush(stdout);
    }
};

// A real engine player that also tells which clip it was given to play and when it raised Done.
class LoggingPlayer final : public vantrel::WavePlayer
{
public:
    LoggingPlayer(vantrel::AudioEngine &engine, QObject *parent)
        : vantrel::WavePlayer(parent)
        , m_player(new vantrel::EnginePlayer(engine, this))
    {
        connect(m_player, &vantrel::WavePlayer::Done, this, [this] {
            if (reads())
                std::printf("DONE %s %.3f\n", qPrintable(clipName()), monotonicMs());
            emit Done();
        });
    }

    void setDeviceType(const QString &deviceType) override { m_player->setDeviceType(deviceType); }
    void setFileName(const QString &fileName) override
    {
        m_fileName = fileName;
        m_player->setFileName(fileName);
    }
    void setCommand(const QString &command) override
    {
        if (command == QLatin1String("play") && reads())
            std::printf("CLIP %s %.3f\n", qPrintable(clipName()), monotonicMs());
        m_player->setCommand(command);
    }

private:
    // Players 1 to 8 read the rates; the alert players do not take part in a pass.
    bool reads() const { return objectName().mid(9).toInt() <= 8; }
    QString clipName() const { return QFileInfo(m_fileName).completeBaseName(); }

    vantrel::EnginePlayer *m_player;
    QString m_fileName;
};

// The engine opens its stream on its own thread; a second is plenty on a local sound server.
bool waitForDevice(vantrel::AudioEngine &engine)
{
    if (!engine.hasDevice()) {
        QEventLoop loop;
        QObject::connect(&engine, &vantrel::AudioEngine::deviceChanged, &loop, &QEventLoop::quit);
        QTimer::singleShot(1000, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return engine.hasDevice();
}

int idle(int seconds, vantrel::AudioEngine::Output output)
{
    vantrel::AudioEngine engine(output);
    std::printf("AUDIO hasDevice=%d\n", waitForDevice(engine) ? 1 : 0);
    std::fflush(stdout);
    // Measured once the stream has had time to go to rest, as it does when nothing plays.
    QTimer::singleShot(vantrel::AudioEngine::kRestAfterMs + 1000, [seconds] {
        const double cpuBefore = vantrel::bench::processCpuSeconds();
        const double wallBefore = monotonicMs();
        QTimer::singleShot(seconds * 1000, Qt::PreciseTimer, [cpuBefore, wallBefore] {
            const double cpu = vantrel::bench::processCpuSeconds() - cpuBefore;
            const double wall = (monotonicMs() - wallBefore) / 1000.0;
            std::printf("IDLE cpu_percent=%.3f seconds=%.1f\n", 100.0 * cpu / wall, wall);
            QCoreApplication::quit();
        });
    });
    return QCoreApplication::exec();
}

} // namespace

int main(int argc, char *argv[])
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() >= 3 && arguments[1] == QLatin1String("--idle"))
        return idle(arguments[2].toInt(), arguments.contains(QLatin1String("--no-device"))
                                              ? vantrel::AudioEngine::Output::None
                                              : vantrel::AudioEngine::Output::DefaultDevice);
    QStringList positional = arguments.mid(1);
    int startAfterMs = 1000;
    if (positional.size() >= 2 && positional[0] == QLatin1String("--start-after")) {
        startAfterMs = positional[1].toInt();
        positional = positional.mid(2);
    }
    if (positional.isEmpty() || positional[0].startsWith(QLatin1String("--"))) {
        std::fprintf(stderr, "usage: bench_clip_chain_pass [--start-after MS] PROGRAMDIR [PAIR=RATE ...]\n"
                             "       bench_clip_chain_pass --idle SECONDS [--no-device]\n");
        return 2;
    }

    QTemporaryDir cacheDir;
    vantrel::AudioEngine engine;
    SilentFetch inet1;
    PrintingMessageBox messages;
    vantrel::SystemClock clock;
    vantrel::Form1 form({inet1, messages, clock,
                         [&engine](QObject *parent) { return new LoggingPlayer(engine, parent); },
                         cacheDir.filePath(QStringLiteral("curquote.htm")), positional[0]});
    std::printf("AUDIO hasDevice=%d\n", waitForDevice(engine) ? 1 : 0);

    QStringList knownRates{QStringLiteral("EUR/USD=1.2345"), QStringLiteral("USD/JPY=108.45"),
                           QStringLiteral("GBP/HKD=14.1234"), QStringLiteral("CAD/JPY=80.12"),
                           QStringLiteral("AUD/USD=0.7512"), QStringLiteral("USD/CHF=0.9876")};
    if (positional.size() > 1)
        knownRates = positional.mid(1);
    for (const QString &pairRate : knownRates) {
        const QStringList parts = pairRate.split(QLatin1Char('='));
        const std::optional<int> pair = vantrel::findPair(parts.value(0));
        if (parts.size() != 2 || !pair) {
            std::fprintf(stderr, "not a PAIR=RATE of a known pair: %s\n", qPrintable(pairRate));
            return 2;
        }
        form.rates.store(*pair, parts[1]);
        form.List2->addItem(parts[0]);
    }
    form.Check1->setChecked(true); // "Prompt": the intro opens the pass
    form.Check2->setChecked(true); // "Money Pair", on as at start-up: each pair's name is read

    QTimer poll;
    double passEnded = 0;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (form.readingPass().reading.passPlaying || passEnded > 0)
            return;
        passEnded = monotonicMs();
        std::printf("PASSEND %.3f\n", passEnded);
        std::fflush(stdout);
        poll.stop();
        // The recording lags the stream; let the last clip be heard.
        QTimer::singleShot(1500, &QCoreApplication::quit);
    });
    QTimer::singleShot(startAfterMs, [&] {
        std::printf("PASS %.3f\n", monotonicMs());
        form.readingPass().start();
        poll.start(10);
    });
    const int status = QCoreApplication::exec();
    std::fflush(stdout);
    return status;
}
