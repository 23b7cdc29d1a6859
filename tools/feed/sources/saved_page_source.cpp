// SPDX-License-Identifier: GPL-3.0-or-later
#include "sources/saved_page_source.h"

#include "check/page_check.h"
#include "sources/bounded_file.h"

#include <QFileInfo>

namespace vantrel::feed {

SavedPageSource::Loaded SavedPageSource::load(const QString &path)
{
    // Vantrel gives up on a page over 4 MiB.
    const FileContents contents = readBoundedFile(path, 4 * 1024 * 1024);
    if (!contents.error.isEmpty())
        return {QByteArray(), QStringLiteral("cannot read %1: %2").arg(path, contents.error)};
    const PageCheck check = checkPage(contents.bytes);
    if (!check.complete)
        return {QByteArray(), QStringLiteral("Vantrel could not read all 35 pairs from %1: %2 (vantrel-feed check %1 "
                                             "shows what it reads)")
                                  .arg(path, check.reason)};
    return {contents.bytes, QString()};
}

SavedPageSource::SavedPageSource(QString path, QByteArray page, SourceContext context, QObject *parent)
    : QuoteSource(QStringLiteral("the saved page ") + path, std::move(context), parent)
    , m_path(std::move(path))
    , m_page(std::move(page))
{
    markAlwaysFresh();
    // An editor writes in steps or replaces the file: its folder is watched too, the change left to settle.
    m_settle.setSingleShot(true);
    m_settle.setInterval(100);
    connect(&m_settle, &QTimer::timeout, this, &SavedPageSource::reload);
    const auto settle = [this] {
        if (!m_settle.isActive()) // from the first change of a burst: a writer that never stops is read too
            m_settle.start();
    };
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, settle);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, settle);
}

void SavedPageSource::start()
{
    m_watcher.addPath(QFileInfo(m_path).absolutePath());
    m_watcher.addPath(m_path);
}

void SavedPageSource::reload()
{
    if (QFileInfo::exists(m_path) && !m_watcher.files().contains(m_path))
        m_watcher.addPath(m_path);
    const Loaded loaded = load(m_path);
    if (!loaded.error.isEmpty()) {
        withdraw(loaded.error);
        return;
    }
    if (loaded.page == m_page && state() == State::Fresh)
        return;
    m_page = loaded.page;
    serveAgain();
    emit pricesChanged();
}

} // namespace vantrel::feed
