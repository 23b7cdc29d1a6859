// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "page/leg_guard.h"
#include "page/quote_line_writer.h"
#include "page/source_legs.h"

#include <QByteArray>
#include <QDateTime>
#include <QLatin1StringView>
#include <QObject>

#include <functional>

namespace vantrel::feed {

// The clock sources read and the stderr line they write, both replaceable so tests need not wait
// minutes or read the real stderr.
struct SourceContext {
    std::function<QDateTime()> clock = [] { return QDateTime::currentDateTimeUtc(); };
    std::function<void(const QString &)> report; // one line, without the program name
};

// Where the served prices come from. A source never makes a price up: until its first good answer it
// is waiting, and once its prices are too old to pass for current it is stale; in both cases the feed
// answers 503 with unavailableReason() instead of a page.
class QuoteSource : public QObject
{
    Q_OBJECT

public:
    enum class State { Waiting, Fresh, Stale };

    ~QuoteSource() override;

    // Begins fetching or watching; the constructor does neither, so nothing happens before the server
    // is ready.
    virtual void start() {}

    State state() const;

    // One line saying what the feed waits for, or why its prices are too old; empty when fresh.
    QString unavailableReason() const;

    // The quote page for the current prices; only asked for while fresh.
    virtual QByteArray page();

    // The prices of the last good answer, nothing before the first.
    const std::optional<QuotedPairs> &pairs() const { return m_pairs; }

signals:
    void pricesChanged();

protected:
    // `description` names the source in every line it writes: "the ECB reference rates at URL".
    QuoteSource(QString description, SourceContext context, QObject *parent = nullptr);

    // Takes what an answer gave: its warnings and refused legs are reported, crosses derived through
    // `pivot`. The prices count as current until `freshUntil` (invalid: for as long as nothing says
    // otherwise). False, with the failure noted, when the answer is unusable or its legs do not make
    // all 35 pairs.
    bool publish(const SourceReading &reading, QLatin1StringView pivot, const QDateTime &freshUntil);

    // The source failed to give prices: said once on stderr until it recovers; the last good prices
    // stay served for as long as they are fresh.
    void noteFailure(const QString &why);

    // The prices the source gave no longer hold (a rates file that is gone): the feed answers 503 with
    // `why` until the source publishes again. Said on stderr unless a failure already was.
    void withdraw(const QString &why);

    // For sources whose every page is good from the start: the simulated market, a saved page.
    void markAlwaysFresh();

    QDateTime now() const;
    void report(const QString &line) const;
    const QString &description() const { return m_description; }

private:
    QString m_description;
    SourceContext m_context;
    LegGuard m_guard;
    std::optional<QuotedPairs> m_pairs;
    QDateTime m_quotedAt;
    QDateTime m_freshUntil;
    QString m_failure;   // empty while the source answers well
    QString m_withdrawn; // empty unless the prices were taken back
};

} // namespace vantrel::feed
