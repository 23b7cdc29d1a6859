// SPDX-License-Identifier: GPL-3.0-or-later
#include "quote_cache_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <cstdio>

namespace vantrel {

QuoteCacheFile::QuoteCacheFile(QString path)
    : m_path(std::move(path))
{
}

QString QuoteCacheFile::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::CacheLocation)
           + QStringLiteral("/curquote.htm");
}

bool QuoteCacheFile::stillHolds(const QByteArray &page) const
{
    const QFileInfo file(m_path);
    return m_savedAt.isValid() && page == m_saved && file.size() == page.size() && file.lastModified() == m_savedAt;
}

QuoteCacheFile::SaveOutcome QuoteCacheFile::replace(const QByteArray &page)
{
    if (stillHolds(page))
        return SaveOutcome::Saved;
    const QString folder = QFileInfo(m_path).absolutePath();
    QDir().mkpath(folder);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    // Written beside the file and renamed over it: a reader sees the old page or the new, never half of
    // one. Not synced to disk (QSaveFile would, on the window's thread, every 3 s): after a power cut the
    // next refresh brings the page again.
    const QFileInfo target(m_path);
    QTemporaryFile file(m_path + QStringLiteral(".XXXXXX")); // made 0600
    if (target.isDir() || (target.exists() && !target.isWritable()) || !file.open())
        return SaveOutcome::CouldNotOpen;
    if (file.write(page) != page.size() || !file.flush())
        return SaveOutcome::WriteFailed;
    file.close();
    if (::rename(QFile::encodeName(file.fileName()).constData(), QFile::encodeName(m_path).constData()) != 0) {
        m_savedAt = QDateTime();
        return SaveOutcome::WriteFailed;
    }
    file.setAutoRemove(false); // its name is the cache file's now
    m_saved = page;
    m_savedAt = QFileInfo(m_path).lastModified();
    return SaveOutcome::Saved;
}

std::optional<QByteArray> QuoteCacheFile::read() const
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray page = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return page;
}

} // namespace vantrel
