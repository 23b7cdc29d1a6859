// SPDX-License-Identifier: GPL-3.0-or-later
#include "clip_names.h"

#include "quotes/pair_catalogue.h"

namespace vantrel {

QStringList alertSoundNames()
{
    return {QStringLiteral("Cock"),     QStringLiteral("Dog"),     QStringLiteral("Car"),
            QStringLiteral("Cuckoo"),   QStringLiteral("Clock"),   QStringLiteral("Doorbell"),
            QStringLiteral("Music"),    QStringLiteral("Reminder"), QStringLiteral("Thunder"),
            QStringLiteral("Bell"),     QStringLiteral("Tiger"),   QStringLiteral("Fire"),
            QStringLiteral("Sheep"),    QStringLiteral("Hen"),     QStringLiteral("Shoot"),
            QStringLiteral("Lion"),     QStringLiteral("Water"),   QStringLiteral("frog"),
            QStringLiteral("Signal1"),  QStringLiteral("telegram"), QStringLiteral("Signal2"),
            QStringLiteral("Signal3")};
}

QStringList allClipNames()
{
    QStringList names{kIntroClip};
    for (const QString &pair : allPairNames())
        names << clipNameOf(pair);
    for (char digit = '0'; digit <= '9'; ++digit)
        names << QString(QLatin1Char(digit)) + QLatin1Char('m');
    names << kPointClip << kYoursClip << kSetPriceClip;
    names << alertSoundNames();
    return names;
}

QString characterClip(const QString &rate, int position)
{
    const QString character = position <= rate.size() ? rate.mid(position - 1, 1) : QString();
    if (position >= 2 && position <= 4 && character == QLatin1String("."))
        return kPointClip;
    return character + QLatin1Char('m');
}

QString clipPath(const QString &programDirectory, const QString &clipName)
{
    return programDirectory + QStringLiteral("/sound/") + clipName + QStringLiteral(".wav");
}

} // namespace vantrel
