// SPDX-License-Identifier: GPL-3.0-or-later
#include "sources/rates_file_source.h"

#include "sources/bounded_file.h"
#include "sources/rates_file_reader.h"

#include <QFileInfo>

namespace vantrel::feed {

namespace {

GuardSettings heldUntilChanged(GuardSettings guard)
{
    guard.levelsHoldUntilChanged = true;
    return guard;
}

} // namespace

RatesFileSource::RatesFileSource(QString path, SourceContext context, QObject *parent, GuardSettings guard)
    : QuoteSource(QStringLiteral("the rates file ") + path, std::move(context), parent, heldUntilChanged(guard))
    , m_path(std::move(path))
{
    // A writer that truncates and then writes would otherwise be read half-way, empty for a moment.
    m_settle.setSingleShot(true);
    m_settle.setInterval(100);
    connect(&m_settle, &QTimer::timeout, this, &RatesFileSource::reread);
    const auto settle = [this] {
        if (!m_settle.isActive()) // from the first change of a burst: a writer that never stops is read too
            m_settle.start();
    };
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, settle);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, settle);
    m_recheck.setSingleShot(true);
    m_recheck.setTimerType(Qt::PreciseTimer);
    connect(&m_recheck, &QTimer::timeout, this, [this] {
        if (m_lastRead)
            take(*m_lastRead, false);
    });
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
    if (!QFileInfo::exists(m_path)) {
        m_lastRead.reset();
        m_recheck.stop();
        if (state() == State::Waiting)
            noteFailure(QStringLiteral("the file does not exist"));
        else
            withdraw(QStringLiteral("the file is gone"));
        return;
    }
    // Watched afresh every time: after a rename the path names another file than the one watched.
    m_watcher.removePath(m_path);
    m_watcher.addPath(m_path);
    const FileContents contents = readBoundedFile(m_path, kLargestFile);
    if (!contents.error.isEmpty()) {
        m_lastRead.reset();
        m_recheck.stop();
        const QString why = QStringLiteral("cannot read it: ") + contents.error;
        if (state() == State::Waiting)
            noteFailure(why);
        else
            withdraw(why);
        return;
    }
    // Every change in the folder lands here; the same contents again would only repeat the warnings.
    if (m_lastRead == contents.bytes)
        return;
    m_lastRead = contents.bytes;
    take(contents.bytes, true);
}

void RatesFileSource::take(const QByteArray &contents, bool newlyRead)
{
    SourceReading reading = readRatesFile(contents, m_path);
    if (!newlyRead)
        reading.warnings.clear(); // said when the file was read
    // A file that no longer makes all the pairs says nothing current: the feed stops serving rather than
    // keep prices its writer has taken back.
    if (const std::optional<QString> failure = publish(reading, QLatin1StringView("USD"), QDateTime())) {
        if (state() == State::Waiting)
            noteFailure(*failure);
        else
            withdraw(*failure);
    }
    if (recheckAt().isValid())
        m_recheck.start(std::max<qint64>(0, now().msecsTo(recheckAt())) + 100);
    else
        m_recheck.stop();
}

} // namespace vantrel::feed
