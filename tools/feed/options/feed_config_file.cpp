// SPDX-License-Identifier: GPL-3.0-or-later
#include "options/feed_config_file.h"

#include "options/feed_options.h"

#include <QFile>
#include <QStandardPaths>

namespace vantrel::feed {

QString feedConfigPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/vantrel/feed.conf");
}

FeedConfig readFeedConfig(const QString &path)
{
    FeedConfig config;
    QFile file(path);
    if (!file.exists())
        return config;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        config.error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return config;
    }
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (const qsizetype comment = line.indexOf(QLatin1Char('#')); comment >= 0)
            line.truncate(comment);
        line = line.trimmed();
        if (line.isEmpty())
            continue;
        const QString where = QStringLiteral("%1 line %2: ").arg(path).arg(i + 1);
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals < 0) {
            config.error = where + QStringLiteral("expected 'option = value', found '%1'").arg(line);
            return config;
        }
        const QString key = line.left(equals).trimmed();
        if (!valueOptionNames().contains(key)) {
            config.error = where + QStringLiteral("unknown option '%1'; known are %2")
                                       .arg(key, valueOptionNames().join(QStringLiteral(", ")));
            return config;
        }
        const QString argument = QStringLiteral("--%1=%2").arg(key, line.mid(equals + 1).trimmed());
        // Each line on its own first, so that a bad value is blamed on its line.
        const CommandLine alone = parseCommandLine({QStringLiteral("vantrel-feed"), argument});
        if (alone.action == CommandLine::Action::Invalid) {
            config.error = where + alone.error;
            return config;
        }
        config.arguments << argument;
    }
    return config;
}

} // namespace vantrel::feed
