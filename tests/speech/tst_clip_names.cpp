// SPDX-License-Identifier: GPL-3.0-or-later
#include "speech/clip_names.h"

#include <QSet>
#include <QTest>

using namespace vantrel;

class TestClipNames : public QObject
{
    Q_OBJECT

private slots:
    void characterClips_data();
    void characterClips();
    void everyClipOnce();
};

void TestClipNames::characterClips_data()
{
    QTest::addColumn<QString>("rate");
    QTest::addColumn<QStringList>("clips"); // positions 1 to 7

    QTest::newRow("point in position 2") << "1.2345" << QStringList{"1m", "dianm", "2m", "3m", "4m", "5m", "m"};
    QTest::newRow("point in position 3") << "14.1234" << QStringList{"1m", "4m", "dianm", "1m", "2m", "3m", "4m"};
    QTest::newRow("point in position 4") << "108.45" << QStringList{"1m", "0m", "8m", "dianm", "4m", "5m", "m"};
    QTest::newRow("five characters") << "80.12" << QStringList{"8m", "0m", "dianm", "1m", "2m", "m", "m"};
    QTest::newRow("empty rate") << "" << QStringList{"m", "m", "m", "m", "m", "m", "m"};
    // Positions 1, 5 and 6 are not tested for a point, so a point there is spoken as ".m".
    QTest::newRow("point outside 2 to 4") << ".1234." << QStringList{".m", "1m", "2m", "3m", "4m", ".m", "m"};
    QTest::newRow("group separator") << "1,234.50" << QStringList{"1m", ",m", "2m", "3m", "4m", ".m", "5m"};
}

void TestClipNames::characterClips()
{
    QFETCH(QString, rate);
    QFETCH(QStringList, clips);
    for (int position = 1; position <= clips.size(); ++position)
        QCOMPARE(characterClip(rate, position), clips[position - 1]);
}

void TestClipNames::everyClipOnce()
{
    const QStringList names = allClipNames();
    QCOMPARE(names.size(), 71);
    QCOMPARE(QSet<QString>(names.begin(), names.end()).size(), 71);
    for (const char *name : {"dqhj", "gbpeur", "0m", "9m", "dianm", "yours", "setprice", "frog", "Signal3"})
        QVERIFY2(names.contains(QLatin1String(name)), name);
    QCOMPARE(clipPath(QStringLiteral("/opt/vantrel"), QStringLiteral("Bell")), "/opt/vantrel/sound/Bell.wav");
    // The alert sounds as "Sound" offers them: the list order and letter case are the clip names'.
    QCOMPARE(alertSoundNames(), QStringList({"Cock", "Dog", "Car", "Cuckoo", "Clock", "Doorbell", "Music", "Reminder",
                                             "Thunder", "Bell", "Tiger", "Fire", "Sheep", "Hen", "Shoot", "Lion",
                                             "Water", "frog", "Signal1", "telegram", "Signal2", "Signal3"}));
}

QTEST_APPLESS_MAIN(TestClipNames)
#include "tst_clip_names.moc"
