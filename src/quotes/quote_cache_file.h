// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace vantrel {

// The page as last downloaded, "curquote.htm" in the user's cache directory. It is replaced
// atomically, so a failed write leaves the previous page whole.
class QuoteCacheFile
{
public:
    enum class SaveOutcome { Saved, CouldNotOpen, WriteFailed };

    explicit QuoteCacheFile(QString path);

    // ~/.cache/vantrel/curquote.htm, or wherever the platform keeps the user's cache.
    static QString defaultPath();

    const QString &path() const { return m_path; }

    SaveOutcome replace(const QByteArray &page) const;
    // The whole saved page; nothing when it cannot be read.
    std::optional<QByteArray> read() const;

private:
    QString m_path;
};

} // namespace vantrel
