// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

namespace vantrel::feed {

// Where feed.conf is looked for: vantrel/feed.conf in the user's configuration folder.
QString feedConfigPath();

// The options feed.conf sets, as "--key=value" arguments to be read before the command line's; none
// when the file does not exist. `error` names the file and line of a line that is no option.
struct FeedConfig {
    QStringList arguments;
    QString error;
};
FeedConfig readFeedConfig(const QString &path);

} // namespace vantrel::feed
