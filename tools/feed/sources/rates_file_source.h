// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sources/quote_source.h"

#include "sources/file_follower.h"

#include <QTimer>

namespace vantrel::feed {

// Rates another program writes to a file, read again whenever the file changes. Its prices hold for as
// long as the file exists: they are what its writer says, however old. Pairs it does not give are
// crossed through USD.
class RatesFileSource : public QuoteSource
{
    Q_OBJECT

public:
    // No bigger than an answer of a source on the network.
    static constexpr qsizetype kLargestFile = 1024 * 1024;

    RatesFileSource(QString path, SourceContext context, QObject *parent = nullptr, GuardSettings guard = {});

    void start() override;

private:
    void reread();
    void take(const QByteArray &contents, bool newlyRead);

    QString m_path;
    FileFollower m_file;
    QTimer m_recheck; // the file still says what the guard refused: the level holds, look again
    std::optional<QByteArray> m_lastRead;
};

} // namespace vantrel::feed
