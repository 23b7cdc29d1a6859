// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sources/quote_source.h"

#include "sources/file_follower.h"

namespace vantrel::feed {

// A saved page served byte for byte, read again when the file changes. Only a page Vantrel can read
// whole (all 35 pairs, as `vantrel-feed check` reads them) is served; a changed page it cannot read is
// answered 503 until the file is mended.
class SavedPageSource : public QuoteSource
{
    Q_OBJECT

public:
    // The page of `path`, or why Vantrel could not read it.
    struct Loaded {
        QByteArray page;
        QString error;
    };
    static Loaded load(const QString &path);

    // `page` is what load() gave at start.
    SavedPageSource(QString path, QByteArray page, SourceContext context, QObject *parent = nullptr);

    void start() override;
    QByteArray page() override { return m_page; }

private:
    void reload();

    QString m_path;
    QByteArray m_page;
    FileFollower m_file;
};

} // namespace vantrel::feed
