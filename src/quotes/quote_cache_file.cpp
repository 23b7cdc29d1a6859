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

QuoteCacheFile::SaveOutcome QuoteCacheFile::replace(const QByteArray &page) const
{
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        return SaveOutcome::CouldNotOpen;
    if (file.write(page) != page.size()) {
        file.cancelWriting();
        return SaveOutcome::WriteFailed;
    }
    return file.commit() ? SaveOutcome::Saved : SaveOutcome::WriteFailed;
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
