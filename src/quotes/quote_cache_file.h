// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

namespace vantrel {

// The page as last downloaded, "curquote.htm" in the user's cache directory. It is replaced
// atomically (a new file renamed over it, not synced to disk), so a failed write leaves the previous page
// whole. The file and its folder are the user's
// alone (0600 and 0700, whatever the umask): the prices a trader hears are nobody else's to read. A page
// the file still holds is not written again, so that a feed serving the same page every 3 s does not wear
// the disk.
class QuoteCacheFile
{
public:
    enum class SaveOutcome { Saved, CouldNotOpen, WriteFailed };

    explicit QuoteCacheFile(QString path);

    // ~/.cache/vantrel/curquote.htm, or wherever the platform keeps the user's cache.
    static QString defaultPath();

    const QString &path() const { return m_path; }

    SaveOutcome replace(const QByteArray &page);
    // The whole saved page; nothing when it cannot be read.
    std::optional<QByteArray> read() const;

private:
    bool stillHolds(const QByteArray &page) const;

    QString m_path;
    QByteArray m_saved;     // the page written last
    QDateTime m_savedAt;    // the file's time when it was written, to tell another writer's change
};

} // namespace vantrel
