// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/audio_clip.h"
#include "audio/audio_engine.h"
#include "audio/audio_mixer.h"
#include "audio/engine_player.h"

#include <QDataStream>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <sndfile.h>

#include <cstring>

using namespace vantrel;

namespace {

// The 44-byte head of a PCM WAV file whose data chunk claims `dataSize` bytes.
void writeWavHead(QDataStream &out, int rate, int channels, quint32 dataSize, int bits = 16)
{
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("RIFF", 4);
    out << quint32(36 + quint64(dataSize));
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(1) << quint16(channels) << quint32(rate) << quint32(rate * channels * bits / 8)
        << quint16(channels * bits / 8) << quint16(bits);
    out.writeRawData("data", 4);
    out << dataSize;
}

QFile &openForWriting(QFile &file)
{
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(file.fileName()));
    return file;
}

// A 16-bit PCM WAV file with every sample at the same value.
void writeWav(const QString &path, int rate, int channels, int frames, qint16 value = 8000)
{
    QFile file(path);
    QDataStream out(&openForWriting(file));
    writeWavHead(out, rate, channels, quint32(frames * channels * 2));
    for (int i = 0; i < frames * channels; ++i)
        out << value;
}

// A silent WAV file of `fileSize` bytes that takes no room on disk.
void writeSparseWav(const QString &path, int rate, int channels, qint64 fileSize, int bits = 16)
{
    QFile file(path);
    QDataStream out(&openForWriting(file));
    writeWavHead(out, rate, channels, quint32(fileSize - 44), bits);
    if (!file.resize(fileSize))
        qFatal("cannot resize %s", qPrintable(path));
}

// A tone of `frames` frames whose data chunk claims 4 GiB, as a WAV written to a pipe does.
void writeWavClaimingFourGiB(const QString &path, int frames)
{
    QFile file(path);
    QDataStream out(&openForWriting(file));
    writeWavHead(out, 48000, 1, 0xFFFFFFF0u);
    for (int i = 0; i < frames; ++i)
        out << qint16(8000);
}

// A silent FLAC file, whatever its name says: libsndfile goes by the content.
void writeFlac(const QString &path, int rate, int channels, sf_count_t frames)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!file)
        qFatal("cannot write %s: %s", qPrintable(path), sf_strerror(nullptr));
    const std::vector<short> silence(std::size_t(frames * channels));
    sf_writef_short(file, silence.data(), frames);
    sf_close(file);
}

std::shared_ptr<const AudioClip> constantClip(std::size_t samples, float value)
{
    auto clip = std::make_shared<AudioClip>();
    clip->samples.assign(samples, value);
    clip->sampleRate = 48000;
    return clip;
}

float sampleAt(const QByteArray &read, int frame)
{
    float sample = 0;
    std::memcpy(&sample, read.constData() + frame * AudioMixer::kBytesPerFrame, sizeof sample);
    return sample;
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
    void refusesClipsPastTheLimits_data();
    void refusesClipsPastTheLimits();
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
    AudioMixer mixer([&](const AudioVoice &voice) { ended << voice.id; });
    mixer.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    mixer.add({1, constantClip(50, 0.25f), 0});
    mixer.add({2, constantClip(120, 0.5f), 0});

    const QByteArray first = mixer.read(4096);
    QCOMPARE(first.size(), 50 * AudioMixer::kBytesPerFrame); // up to the end of the shorter voice only
    QCOMPARE(sampleAt(first, 10), 0.75f);
    QCOMPARE(ended, QList<quint64>{1});

    const QByteArray second = mixer.read(4096);
    QCOMPARE(second.size(), 70 * AudioMixer::kBytesPerFrame);
    QCOMPARE(sampleAt(second, 0), 0.5f);
    QCOMPARE(ended, QList<quint64>({1, 2}));
    QVERIFY(mixer.isEmpty());
}

void TestAudio::mixerPlaysSilenceWhenIdle()
{
    AudioMixer mixer([](const AudioVoice &) {});
    mixer.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    const QByteArray silence = mixer.read(960);
    QCOMPARE(silence.size(), 960);
    QCOMPARE(silence.count('\0'), 960);
    // Voices louder together than full scale are clipped, not wrapped round.
    mixer.add({1, constantClip(10, 0.8f), 0});
    mixer.add({2, constantClip(10, 0.8f), 0});
    QCOMPARE(sampleAt(mixer.read(40), 0), 1.0f);
}

void TestAudio::restingMixerHandsOutNothingUntilAVoiceComes()
{
    AudioMixer mixer([](const AudioVoice &) {});
    mixer.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    mixer.setResting(true);
    QCOMPARE(mixer.read(960).size(), 0);
    QVERIFY(!mixer.atEnd()); // an empty read is a pause, not the end of the stream

    mixer.add({1, constantClip(100, 0.5f), 0});
    const QByteArray voice = mixer.read(960);
    QCOMPARE(voice.size(), 100 * AudioMixer::kBytesPerFrame); // the whole clip from its first sample, resting or not
    QCOMPARE(sampleAt(voice, 0), 0.5f);
    QCOMPARE(mixer.read(960).size(), 0);

    mixer.setResting(false);
    QCOMPARE(mixer.read(960).size(), 960); // silence again

    // Woken, a voice can be made to wait behind silence; it then starts from its first sample.
    mixer.leadIn(30);
    mixer.add({2, constantClip(100, 0.5f), 0});
    const QByteArray leadIn = mixer.read(960);
    QCOMPARE(leadIn.size(), 30 * AudioMixer::kBytesPerFrame);
    QCOMPARE(leadIn.count('\0'), 30 * AudioMixer::kBytesPerFrame);
    const QByteArray after = mixer.read(960);
    QCOMPARE(after.size(), 100 * AudioMixer::kBytesPerFrame);
    QCOMPARE(sampleAt(after, 0), 0.5f);
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

void TestAudio::refusesClipsPastTheLimits_data()
{
    QTest::addColumn<QString>("clip");
    QTest::addColumn<int>("outputRate");
    QTest::addColumn<qint64>("durationMs"); // -1: refused

    // Decoded at their own rates, so that no resampling makes the test slow.
    QTest::newRow("a minute") << "minute" << 8000 << qint64(60000);
    QTest::newRow("a frame past a minute") << "past a minute" << 8000 << qint64(-1);
    // A header's rate decides how long its samples last: 1.9 MB at 8 kHz are two minutes.
    QTest::newRow("header makes 1.9 MB last two minutes") << "two minutes" << 48000 << qint64(-1);
    // Of 24-bit samples, so that 16 MiB stay within the most samples.
    QTest::newRow("16 MiB") << "16 MiB" << 96000 << qint64(7281);
    QTest::newRow("a byte past 16 MiB") << "past 16 MiB" << 96000 << qint64(-1);
    // A length the file does not hold is not believed: the clip lasts as long as its samples.
    QTest::newRow("data chunk claims 4 GiB") << "claims 4 GiB" << 48000 << qint64(100);
    QTest::newRow("192 kHz") << "192 kHz" << 192000 << qint64(10);
    QTest::newRow("a hertz past 192 kHz") << "past 192 kHz" << 192001 << qint64(-1);
    QTest::newRow("a hertz short of 8 kHz") << "short of 8 kHz" << 7999 << qint64(-1);
    QTest::newRow("nine channels") << "nine channels" << 48000 << qint64(-1);
    QTest::newRow("FLAC at 655350 Hz") << "655350 Hz" << 655350 << qint64(-1);
    // Half a minute of 96 kHz stereo decodes to as many samples as a minute of 48 kHz stereo.
    QTest::newRow("the most samples") << "most samples" << 96000 << qint64(30000);
    QTest::newRow("a frame past the most samples") << "past most samples" << 96000 << qint64(-1);
    // 15 s of eight channels in 6 KB of FLAC: within the minute and the 16 MiB, not within the samples.
    QTest::newRow("FLAC of eight channels") << "eight channels" << 48000 << qint64(-1);
    // Converting a minute to 192 kHz would make four times the most samples.
    QTest::newRow("a minute converted to 192 kHz") << "minute" << 192000 << qint64(-1);
}

void TestAudio::refusesClipsPastTheLimits()
{
    QFETCH(QString, clip);
    QFETCH(int, outputRate);
    QFETCH(qint64, durationMs);

    writeSparseWav(wav(QStringLiteral("minute")), 8000, 1, 44 + 480000 * 2);
    writeSparseWav(wav(QStringLiteral("past a minute")), 8000, 1, 44 + 480001 * 2);
    writeSparseWav(wav(QStringLiteral("two minutes")), 8000, 1, 44 + 960000 * 2);
    writeSparseWav(wav(QStringLiteral("16 MiB")), 96000, 8, kMaximumClipFileBytes, 24);
    writeSparseWav(wav(QStringLiteral("past 16 MiB")), 96000, 8, kMaximumClipFileBytes + 1, 24);
    writeWavClaimingFourGiB(wav(QStringLiteral("claims 4 GiB")), 4800);
    writeWav(wav(QStringLiteral("192 kHz")), 192000, 2, 1920);
    writeWav(wav(QStringLiteral("past 192 kHz")), 192001, 2, 1920);
    writeWav(wav(QStringLiteral("short of 8 kHz")), 7999, 1, 80);
    writeWav(wav(QStringLiteral("nine channels")), 48000, 9, 480);
    writeFlac(wav(QStringLiteral("655350 Hz")), 655350, 8, 6554);
    writeSparseWav(wav(QStringLiteral("most samples")), 96000, 2, 44 + kMaximumClipSamples * 2);
    writeSparseWav(wav(QStringLiteral("past most samples")), 96000, 2, 44 + kMaximumClipSamples * 2 + 4);
    writeFlac(wav(QStringLiteral("eight channels")), 48000, 8, kMaximumClipSamples / 8 + 1);

    const auto decoded = decodeAudioClip(wav(clip), outputRate);
    QCOMPARE(decoded ? decoded->durationMs() : -1, durationMs);
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
    QTest::newRow("longer than a minute") << "WaveAudio" << "long" << false;
    QTest::newRow("header makes 48 KB last two minutes") << "WaveAudio" << "slow" << false;
    QTest::newRow("larger than 16 MiB") << "WaveAudio" << "large" << false;
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
    writeWav(wav(QStringLiteral("long")), 8000, 1, 61 * 8000);
    writeWav(wav(QStringLiteral("slow")), 200, 1, 24000);
    writeSparseWav(wav(QStringLiteral("large")), 96000, 64, kMaximumClipFileBytes + 1);

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
    AudioMixer mixer([](const AudioVoice &) {});
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
