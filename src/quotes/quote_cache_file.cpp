// SPDX-License-Identifier: GPL-3.0-or-later
#include "quote_cache_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

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
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        return SaveOutcome::CouldNotOpen;
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    if (file.write(page) != page.size()) {
        file.cancelWriting();
        return SaveOutcome::WriteFailed;
    }
    if (!file.commit()) {
        m_savedAt = QDateTime();
        return SaveOutcome::WriteFailed;
    }
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
