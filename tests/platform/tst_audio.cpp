#include "platform/audio_clip.h"
#include "platform/audio_engine.h"
#include "platform/audio_mixer.h"
#include "platform/engine_player.h"

#include <QDataStream>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <cstring>

using namespace vantrel;

namespace {

// A 16-bit PCM WAV file with every sample at the same value.
void writeWav(const QString &path, int rate, int channels, int frames, qint16 value = 8000)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    QDataStream out(&file);
    out.setByteOrder(QDataStream::LittleEndian);
    const quint32 dataSize = quint32(frames * channels * 2);
    out.writeRawData("RIFF", 4);
    out << quint32(36 + dataSize);
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(1) << quint16(channels) << quint32(rate) << quint32(rate * channels * 2)
        << quint16(channels * 2) << quint16(16);
    out.writeRawData("data", 4);
    out << dataSize;
    for (int i = 0; i < frames * channels; ++i)
        out << value;
}

std::shared_ptr<const AudioClip> constantClip(std::size_t samples, float value)
{
    auto clip = std::make_shared<AudioClip>();
    clip->samples.assign(samples, value);
    clip->sampleRate = 48000;
    return clip;
}

QAudioFormat monoInt16()
{
    QAudioFormat format;
    format.setSampleRate(48000);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    return format;
}

} // namespace

class TestAudio : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }
    void mixerStopsReadAtVoiceEnd();
    void mixerPlaysSilenceWhenIdle();
    void restingMixerHandsOutNothingUntilAVoiceComes();
    void mixerReadFromAnotherThreadStopsTheProgram();
    void decodesToOutputRate();
    void playerEndsAfterClipLength();
    void stopAndCloseNeverRaiseDone();
    void unplayableClipEndsThroughEventLoop_data();
    void unplayableClipEndsThroughEventLoop();

private:
    QString wav(const QString &name) const { return m_dir->filePath(name + QStringLiteral(".wav")); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestAudio::mixerStopsReadAtVoiceEnd()
{
    QList<quint64> ended;
    AudioMixer mixer(monoInt16(), [&](const AudioVoice &voice) { ended << voice.id; });
    mixer.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    mixer.add({1, constantClip(50, 0.25f), 0, nullptr, {}});
    mixer.add({2, constantClip(120, 0.5f), 0, nullptr, {}});

    const QByteArray first = mixer.read(4096);
    QCOMPARE(first.size(), 50 * 2); // up to the end of the shorter voice only
    QCOMPARE(reinterpret_cast<const qint16 *>(first.constData())[10], qint16(24575)); // 0.75 full scale
    QCOMPARE(ended, QList<quint64>{1});

    const QByteArray second = mixer.read(4096);
    QCOMPARE(second.size(), 70 * 2);
    QCOMPARE(reinterpret_cast<const qint16 *>(second.constData())[0], qint16(16384));
    QCOMPARE(ended, QList<quint64>({1, 2}));
    QVERIFY(mixer.isEmpty());
}

void TestAudio::mixerPlaysSilenceWhenIdle()
{
    AudioMixer mixer(monoInt16(), [](const AudioVoice &) {});
    mixer.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    const QByteArray silence = mixer.read(960);
    QCOMPARE(silence.size(), 960);
    QCOMPARE(silence.count('\0'), 960);
    // Voices louder together than full scale are clipped, not wrapped round.
    mixer.add({1, constantClip(10, 0.8f), 0, nullptr, {}});
    mixer.add({2, constantClip(10, 0.8f), 0, nullptr, {}});
    QCOMPARE(reinterpret_cast<const qint16 *>(mixer.read(20).constData())[0], qint16(32767));
}

void TestAudio::restingMixerHandsOutNothingUntilAVoiceComes()
{
    AudioMixer mixer(monoInt16(), [](const AudioVoice &) {});
    mixer.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    mixer.setResting(true);
    QCOMPARE(mixer.read(960).size(), 0);
    QVERIFY(!mixer.atEnd()); // an empty read is a pause, not the end of the stream

    mixer.add({1, constantClip(100, 0.5f), 0, nullptr, {}});
    const QByteArray voice = mixer.read(960);
    QCOMPARE(voice.size(), 100 * 2); // the whole clip from its first sample, resting or not
    QCOMPARE(reinterpret_cast<const qint16 *>(voice.constData())[0], qint16(16384));
    QCOMPARE(mixer.read(960).size(), 0);

    mixer.setResting(false);
    QCOMPARE(mixer.read(960).size(), 960); // silence again

    // Woken, a voice can be made to wait behind silence; it then starts from its first sample.
    mixer.leadIn(30);
    mixer.add({2, constantClip(100, 0.5f), 0, nullptr, {}});
    const QByteArray leadIn = mixer.read(960);
    QCOMPARE(leadIn.size(), 30 * 2);
    QCOMPARE(leadIn.count('\0'), 30 * 2);
    const QByteArray after = mixer.read(960);
    QCOMPARE(after.size(), 100 * 2);
    QCOMPARE(reinterpret_cast<const qint16 *>(after.constData())[0], qint16(16384));
}

namespace {
constexpr char kReadFromAnotherThread[] = "--read-mixer-from-another-thread";
}

void TestAudio::mixerReadFromAnotherThreadStopsTheProgram()
{
    // The voices have no lock: a stream that pulls from another thread must stop the program rather than
    // race with the players. Done in a child process, which is expected to die.
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(kReadFromAnotherThread)});
    QVERIFY(child.waitForFinished(30000));
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);
    QVERIFY2(child.readAllStandardError().contains("another thread"), "stopped for another reason");
}

void TestAudio::decodesToOutputRate()
{
    writeWav(wav(QStringLiteral("stereo")), 24000, 2, 2400);
    const auto clip = decodeAudioClip(wav(QStringLiteral("stereo")), 48000);
    QVERIFY(clip);
    QCOMPARE(clip->sampleRate, 48000);
    QVERIFY(qAbs(qint64(clip->samples.size()) - 4800) < 10);
    QVERIFY(qAbs(clip->samples[2400] - 8000.0f / 32768.0f) < 0.01f);
    QCOMPARE(clip->durationMs(), 100);

    QVERIFY(!decodeAudioClip(wav(QStringLiteral("missing")), 48000));
    QFile garbage(wav(QStringLiteral("garbage")));
    QVERIFY(garbage.open(QIODevice::WriteOnly));
    garbage.write("not a sound file at all");
    garbage.close();
    QVERIFY(!decodeAudioClip(wav(QStringLiteral("garbage")), 48000));
}

void TestAudio::playerEndsAfterClipLength()
{
    writeWav(wav(QStringLiteral("tone")), 48000, 1, 9600); // 200 ms
    AudioEngine engine(AudioEngine::Output::None);
    EnginePlayer player(engine);
    QSignalSpy done(&player, &WavePlayer::Done);

    QElapsedTimer elapsed;
    elapsed.start();
    player.setDeviceType(QStringLiteral("WaveAudio"));
    player.setFileName(wav(QStringLiteral("tone")));
    player.setCommand(QStringLiteral("open"));
    player.setCommand(QStringLiteral("play"));
    QCOMPARE(done.size(), 0);
    QVERIFY(done.wait(2000));
    QVERIFY(elapsed.elapsed() >= 190);
    QTest::qWait(50);
    QCOMPARE(done.size(), 1);

    // The same clip again, from its start.
    player.setCommand(QStringLiteral("play"));
    QVERIFY(done.wait(2000));
    QCOMPARE(done.size(), 2);
}

void TestAudio::stopAndCloseNeverRaiseDone()
{
    writeWav(wav(QStringLiteral("tone")), 48000, 1, 4800);
    AudioEngine engine(AudioEngine::Output::None);
    EnginePlayer player(engine);
    QSignalSpy done(&player, &WavePlayer::Done);

    player.setCommand(QStringLiteral("stop")); // idle and never opened
    player.setCommand(QStringLiteral("close"));
    player.setDeviceType(QStringLiteral("WaveAudio"));
    player.setFileName(wav(QStringLiteral("tone")));
    player.setCommand(QStringLiteral("open"));
    player.setCommand(QStringLiteral("play"));
    player.setCommand(QStringLiteral("stop"));
    player.setCommand(QStringLiteral("close"));
    QTest::qWait(300);
    QCOMPARE(done.size(), 0);
}

void TestAudio::unplayableClipEndsThroughEventLoop_data()
{
    QTest::addColumn<QString>("deviceType");
    QTest::addColumn<QString>("clip");
    QTest::addColumn<bool>("stopBeforeItEnds");

    QTest::newRow("missing file") << "WaveAudio" << "m" << false;
    QTest::newRow("not a sound file") << "WaveAudio" << "garbage" << false;
    QTest::newRow("other device type") << "CDAudio" << "tone" << false;
    QTest::newRow("stopped before its end arrives") << "WaveAudio" << "m" << true;
}

void TestAudio::unplayableClipEndsThroughEventLoop()
{
    QFETCH(QString, deviceType);
    QFETCH(QString, clip);
    QFETCH(bool, stopBeforeItEnds);

    writeWav(wav(QStringLiteral("tone")), 48000, 1, 4800);
    QFile garbage(wav(QStringLiteral("garbage")));
    QVERIFY(garbage.open(QIODevice::WriteOnly));
    garbage.write("RIFF????WAVEjunk");
    garbage.close();

    AudioEngine engine(AudioEngine::Output::None);
    EnginePlayer player(engine);
    QSignalSpy done(&player, &WavePlayer::Done);
    player.setDeviceType(deviceType);
    player.setFileName(wav(clip));
    player.setCommand(QStringLiteral("open"));
    player.setCommand(QStringLiteral("play"));
    QCOMPARE(done.size(), 0); // never from inside "play"
    if (stopBeforeItEnds)
        player.setCommand(QStringLiteral("stop"));
    QTest::qWait(20);
    QCOMPARE(done.size(), stopBeforeItEnds ? 0 : 1);
}

// The child of mixerReadFromAnotherThreadStopsTheProgram: a read of the mixer from a thread of its own.
int readMixerFromAnotherThread(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    AudioMixer mixer(monoInt16(), [](const AudioVoice &) {});
    mixer.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    QThread *reader = QThread::create([&mixer] { mixer.read(960); });
    reader->start();
    reader->wait();
    delete reader;
    return 0; // reached only if the read was let through
}

int main(int argc, char **argv)
{
    if (argc == 2 && std::strcmp(argv[1], kReadFromAnotherThread) == 0)
        return readMixerFromAnotherThread(argc, argv);
    QCoreApplication app(argc, argv);
    TestAudio test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_audio.moc"
