// SPDX-License-Identifier: GPL-3.0-or-later
#include "sources/rates_file_source.h"

#include "sources/rates_file_reader.h"

#include <QFile>
#include <QFileInfo>

namespace vantrel::feed {

RatesFileSource::RatesFileSource(QString path, SourceContext context, QObject *parent)
    : QuoteSource(QStringLiteral("the rates file ") + path, std::move(context), parent)
    , m_path(std::move(path))
{
    // A writer that truncates and then writes would otherwise be read half-way, empty for a moment.
    m_settle.setSingleShot(true);
    m_settle.setInterval(100);
    connect(&m_settle, &QTimer::timeout, this, &RatesFileSource::reread);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, &m_settle, qOverload<>(&QTimer::start));
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, &m_settle, qOverload<>(&QTimer::start));
}

void RatesFileSource::start()
{
    // The folder is watched too: a file replaced by a rename is a new file the watcher no longer
    // follows, and a file that is gone can only come back as a change of its folder.
    m_watcher.addPath(QFileInfo(m_path).absolutePath());
    reread();
}

void RatesFileSource::reread()
{
    QFile file(m_path);
    if (!file.exists()) {
        m_lastRead.reset();
        if (state() == State::Waiting)
            noteFailure(QStringLiteral("the file does not exist"));
        else
            withdraw(QStringLiteral("the file is gone"));
        return;
    }
    // Watched afresh every time: after a rename the path names another file than the one watched.
    m_watcher.removePath(m_path);
    m_watcher.addPath(m_path);
    if (!file.open(QIODevice::ReadOnly)) {
        noteFailure(QStringLiteral("cannot read it: ") + file.errorString());
        return;
    }
    const QByteArray contents = file.readAll();
    // Every change in the folder lands here; the same contents again would only repeat the warnings.
    if (m_lastRead == contents)
        return;
    m_lastRead = contents;
    // A file that no longer makes all the pairs says nothing current: the feed stops serving rather than
    // keep prices its writer has taken back.
    if (!publish(readRatesFile(contents, m_path), QLatin1StringView("USD"), QDateTime()) && state() != State::Waiting)
        withdraw(QStringLiteral("the file gives no usable rates"));
}

} // namespace vantrel::feed
