// SPDX-License-Identifier: GPL-3.0-or-later
#include "sources/saved_page_source.h"

#include "check/page_check.h"
#include "sources/bounded_file.h"

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
    , m_file(m_path, [this] { reload(); })
{
    markAlwaysFresh();
}

void SavedPageSource::start()
{
    m_file.start();
}

void SavedPageSource::reload()
{
    m_file.rewatch();
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
