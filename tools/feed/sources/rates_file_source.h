// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sources/quote_source.h"

#include <QFileSystemWatcher>
#include <QTimer>

namespace vantrel::feed {

// Rates another program writes to a file, read again whenever the file changes. Its prices hold for as
// long as the file exists: they are what its writer says, however old. Pairs it does not give are
// crossed through USD.
class RatesFileSource : public QuoteSource
{
    Q_OBJECT

public:
    RatesFileSource(QString path, SourceContext context, QObject *parent = nullptr);

    void start() override;

private:
    void reread();

    QString m_path;
    QFileSystemWatcher m_watcher;
    QTimer m_settle;
    std::optional<QByteArray> m_lastRead;
};

} // namespace vantrel::feed
