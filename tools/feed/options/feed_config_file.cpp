// SPDX-License-Identifier: GPL-3.0-or-later
#include "options/feed_config_file.h"

#include "options/feed_options.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace vantrel::feed {
namespace {

// feed.conf is read by no shell, yet paths in it are written as in one: "~/" and "$HOME" stand for the
// home folder, at the start of a path or of a source's file.
QString withHomeFolder(const QString &key, QString value)
{
    static const QStringList pathKeys{"token-file", "page", "source", "default-source"};
    if (!pathKeys.contains(key))
        return value;
    const qsizetype pathStart = value.startsWith(QLatin1StringView("page:")) || value.startsWith(QLatin1StringView("file:")) ? 5 : 0;
    for (const QLatin1StringView home : {QLatin1StringView("~"), QLatin1StringView("${HOME}"), QLatin1StringView("$HOME")}) {
        const QStringView rest = QStringView(value).mid(pathStart + home.size());
        if (QStringView(value).mid(pathStart).startsWith(home) && (rest.isEmpty() || rest.startsWith(QLatin1Char('/'))))
            return value.left(pathStart) + QDir::homePath() + rest.toString();
    }
    return value;
}

} // namespace

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
        const QString value = withHomeFolder(key, line.mid(equals + 1).trimmed());
        const QString argument = QStringLiteral("--%1=%2").arg(key, value);
        // Each line on its own first, so that a bad value is blamed on its line; a source-url's source
        // is looked for among all the lines later, its address checked here like any other.
        const QString alone = key == QLatin1StringView("source-url") ? QStringLiteral("--ecb-url=") + value : argument;
        const CommandLine checked = parseCommandLine({QStringLiteral("vantrel-feed"), alone});
        if (checked.action == CommandLine::Action::Invalid) {
            config.error = where + QString(checked.error).replace(QStringLiteral("--ecb-url"), QStringLiteral("--") + key);
            return config;
        }
        config.arguments << argument;
    }
    return config;
}

} // namespace vantrel::feed
