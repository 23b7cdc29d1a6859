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
    , m_file(m_path, [this] { reread(); })
{
    m_recheck.setSingleShot(true);
    m_recheck.setTimerType(Qt::PreciseTimer);
    connect(&m_recheck, &QTimer::timeout, this, [this] {
        if (m_lastRead)
            take(*m_lastRead, false);
    });
}

void RatesFileSource::start()
{
    m_file.start();
    reread();
}

void RatesFileSource::reread()
{
    if (!QFileInfo::exists(m_path)) {
        m_lastRead.reset();
        m_recheck.stop();
        withdraw(state() == State::Waiting ? QStringLiteral("the file does not exist")
                                           : QStringLiteral("the file is gone"));
        return;
    }
    m_file.rewatch();
    const FileContents contents = readBoundedFile(m_path, kLargestFile);
    if (!contents.error.isEmpty()) {
        m_lastRead.reset();
        m_recheck.stop();
        withdraw(QStringLiteral("cannot read it: ") + contents.error);
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
    if (const std::optional<QString> failure = publish(reading, QLatin1StringView("USD"), QDateTime()))
        withdraw(*failure);
    if (recheckAt().isValid())
        m_recheck.start(std::max<qint64>(0, now().msecsTo(recheckAt())) + 100);
    else
        m_recheck.stop();
}

} // namespace vantrel::feed
