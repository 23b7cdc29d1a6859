// SPDX-License-Identifier: GPL-3.0-or-later
#include "speech/clip_names.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QTest>

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <vector>

using namespace vantrel;

// Named, not anonymous: the test class holds a Clip, and a unity build would warn of a member whose type
// has internal linkage.
namespace clip_checks {

const QString kProgramDirectory = QStringLiteral(VANTREL_PROGRAM_DIR);

// A clip as read back from its file, samples scaled to [-1, 1].
struct Clip {
    int format = 0;
    int channels = 0;
    int sampleRate = 1;
    std::vector<float> samples;
};

double seconds(const Clip &clip) { return double(clip.samples.size()) / clip.sampleRate; }

float peak(const Clip &clip)
{
    float peak = 0;
    for (float sample : clip.samples)
        peak = std::max(peak, std::abs(sample));
    return peak;
}

double rmsDb(const Clip &clip)
{
    double energy = 0;
    for (float sample : clip.samples)
        energy += double(sample) * sample;
    return 10 * std::log10(energy / double(clip.samples.size()));
}

// Milliseconds before the first sample above -40 dBFS, or after the last one.
double silenceMs(const Clip &clip, bool atEnd)
{
    auto loud = [](float sample) { return std::abs(sample) > 0.01f; };
    const auto &s = clip.samples;
    const auto quiet = atEnd ? std::find_if(s.rbegin(), s.rend(), loud) - s.rbegin()
                             : std::find_if(s.begin(), s.end(), loud) - s.begin();
    return 1000.0 * double(quiet) / clip.sampleRate;
}

// A coarse picture of a sound, to tell alerts apart: per 20 ms, the level relative to the loudest stretch,
// and how often the wave crosses zero (roughly how high it sounds; 1 from 2.4 kHz up).
std::vector<double> fingerprint(const Clip &clip)
{
    const size_t frame = size_t(clip.sampleRate) / 50;
    const auto &s = clip.samples;
    std::vector<double> picture;
    double loudest = 0;
    for (size_t start = 0; start + frame <= s.size(); start += frame) {
        double energy = 0;
        int crossed = 0;
        for (size_t i = start; i < start + frame; ++i) {
            energy += double(s[i]) * s[i];
            crossed += i > start && (s[i] >= 0) != (s[i - 1] >= 0);
        }
        picture.push_back(std::sqrt(energy / double(frame)));
        picture.push_back(std::min(1.0, 10.0 * crossed / double(frame)));
        loudest = std::max(loudest, picture[picture.size() - 2]);
    }
    for (size_t i = 0; i < picture.size(); i += 2)
        picture[i] /= loudest;
    return picture;
}

// The mean difference between two fingerprints, a missing stretch counting as silence.
double difference(const std::vector<double> &a, const std::vector<double> &b)
{
    const size_t size = std::max(a.size(), b.size());
    double sum = 0;
    for (size_t i = 0; i < size; ++i)
        sum += std::abs((i < a.size() ? a[i] : 0.0) - (i < b.size() ? b[i] : 0.0));
    return sum / double(size);
}

bool isAlert(const QString &name) { return alertSoundNames().contains(name); }
bool isDigit(const QString &name) { return name.size() == 2 && name[0].isDigit() && name[1] == u'm'; }

} // namespace clip_checks

using namespace clip_checks;

class TestClips : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void everyClip_data() { addRows([](const QString &) { return true; }); }
    void everyClip();
    void speech_data() { addRows([](const QString &name) { return !isAlert(name); }); }
    void speech();
    void speechShareOneGain();
    void alertsDiffer_data() { addRows(isAlert); }
    void alertsDiffer();

private:
    void addRows(bool (*wanted)(const QString &));

    QHash<QString, Clip> m_clips;
    double m_speechMedianRmsDb = 0;
};

void TestClips::initTestCase()
{
    std::vector<double> speechLevels;
    for (const QString &name : allClipNames()) {
        SF_INFO info{};
        SNDFILE *file = sf_open(QFile::encodeName(clipPath(kProgramDirectory, name)).constData(), SFM_READ, &info);
        if (!file)
            continue;
        Clip clip{info.format, info.channels, info.samplerate, std::vector<float>(size_t(info.frames * info.channels))};
        sf_readf_float(file, clip.samples.data(), info.frames);
        sf_close(file);
        if (!isAlert(name))
            speechLevels.push_back(rmsDb(clip));
        m_clips.insert(name, std::move(clip));
    }
    QVERIFY2(!speechLevels.empty(), qPrintable("no clips in " + kProgramDirectory + "/sound"));
    std::sort(speechLevels.begin(), speechLevels.end());
    m_speechMedianRmsDb = speechLevels[speechLevels.size() / 2];
}

void TestClips::addRows(bool (*wanted)(const QString &))
{
    QTest::addColumn<QString>("name");
    for (const QString &name : allClipNames()) {
        if (wanted(name))
            QTest::newRow(qPrintable(name)) << name;
    }
}

void TestClips::everyClip()
{
    QFETCH(QString, name);
    const QStringList files = QDir(kProgramDirectory + QStringLiteral("/sound")).entryList(QDir::Files);
    QVERIFY2(files.contains(name + QStringLiteral(".wav"), Qt::CaseSensitive), "no file of exactly this name");
    QVERIFY2(m_clips.contains(name), "unreadable");
    const Clip clip = m_clips.value(name);
    QCOMPARE(clip.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    QCOMPARE(clip.channels, 1);
    QCOMPARE(clip.sampleRate, 48000);
    const double shortest = isAlert(name) ? 0.5 : 0.1;
    const double longest = isAlert(name) ? 2.0 : isDigit(name) ? 0.6 : 1.5;
    QVERIFY2(seconds(clip) >= shortest && seconds(clip) <= longest, qPrintable(QString::number(seconds(clip)) + " s"));
    QVERIFY2(peak(clip) < 0.99f, qPrintable("peak " + QString::number(peak(clip))));
}

void TestClips::speech()
{
    // Cut out of spoken sentences: a clip starts where its first sound starts (a stop's closure before it is
    // silent) and ends with its last, fades in and out over a few samples so that no joint clicks, and keeps
    // the loudness it had in its sentence, so the clips differ as the words did, but none is near silence.
    QFETCH(QString, name);
    QVERIFY2(m_clips.contains(name), "missing or unreadable");
    const Clip clip = m_clips.value(name);
    QVERIFY2(silenceMs(clip, false) <= 80, qPrintable(QString::number(silenceMs(clip, false)) + " ms before"));
    QVERIFY2(silenceMs(clip, true) <= 30, qPrintable(QString::number(silenceMs(clip, true)) + " ms after"));
    QVERIFY2(std::abs(clip.samples.front()) < 1e-3f && std::abs(clip.samples.back()) < 1e-3f,
             qPrintable(QStringLiteral("edges %1, %2").arg(clip.samples.front()).arg(clip.samples.back())));
    const double offDb = rmsDb(clip) - m_speechMedianRmsDb;
    QVERIFY2(std::abs(offDb) <= 10.0, qPrintable(QString::number(offDb) + " dB from the median"));
}

void TestClips::speechShareOneGain()
{
    // One gain for all spoken clips, the loudest peak at -1.5 dBFS: if each were levelled on its own, the
    // loudest of every clip would sit at the same height.
    float loudest = 0;
    std::vector<double> peaksDb;
    for (const QString &name : allClipNames()) {
        if (isAlert(name) || !m_clips.contains(name))
            continue;
        loudest = std::max(loudest, peak(m_clips.value(name)));
        peaksDb.push_back(20 * std::log10(double(peak(m_clips.value(name)))));
    }
    QVERIFY2(std::abs(20 * std::log10(double(loudest)) + 1.5) < 0.1, qPrintable(QString::number(loudest)));
    const auto [lowest, highest] = std::minmax_element(peaksDb.begin(), peaksDb.end());
    QVERIFY2(*highest - *lowest > 3.0, qPrintable(QStringLiteral("peaks from %1 to %2 dBFS").arg(*lowest).arg(*highest)));
}

void TestClips::alertsDiffer()
{
    QFETCH(QString, name);
    QVERIFY2(m_clips.contains(name), "missing or unreadable");
    const std::vector<double> mine = fingerprint(m_clips.value(name));
    for (const QString &other : alertSoundNames()) {
        if (other == name || !m_clips.contains(other))
            continue;
        const double apart = difference(mine, fingerprint(m_clips.value(other)));
        QVERIFY2(apart > 0.05, qPrintable("sounds like " + other + " (" + QString::number(apart) + ")"));
    }
}

QTEST_GUILESS_MAIN(TestClips)
#include "tst_clips.moc"
