// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "page/leg_guard.h"
#include "page/quote_line_writer.h"
#include "page/source_legs.h"

#include <QByteArray>
#include <QDateTime>
#include <QLatin1StringView>
#include <QObject>
#include <QTimer>

#include <functional>

namespace vantrel::feed {

// A price time further ahead than two clocks set by the network differ is a date the source got wrong.
inline constexpr qint64 kLargestClockLeadSeconds = 10;

// What every 503 line starts with.
inline const QString kUnavailablePrefix = QStringLiteral("vantrel-feed: ");

// The clock sources read and the stderr line they write, both replaceable so tests need not wait
// minutes or read the real stderr.
struct SourceContext {
    std::function<QDateTime()> clock = [] { return QDateTime::currentDateTimeUtc(); };
    std::function<void(const QString &)> report; // one line, without the program name
};

// Where the served prices come from. A source never makes a price up: until its first good answer it
// is waiting, and once its prices are too old to pass for current it is stale; in both cases the feed
// answers 503 with unavailableReason() instead of a page. Every change of what is served, and why, is
// said once on stderr, in the same words as the 503 answer where there is one.
class QuoteSource : public QObject
{
    Q_OBJECT

public:
    enum class State { Waiting, Fresh, Stale };

    ~QuoteSource() override;

    // Begins fetching or watching; the constructor does neither, so nothing happens before the server
    // is ready.
    virtual void start() {}
    // Stops asking, for a source held in reserve that is no longer needed; start() asks again.
    virtual void stop() {}

    virtual State state() const;

    // The line the feed answers 503 with: what it waits for, or why its prices are too old; empty when
    // fresh.
    virtual QString unavailableReason() const;
    // The same without the program's name, to be quoted in another line.
    QString whyUnavailable() const { return unavailableReason().mid(kUnavailablePrefix.size()); }

    // The quote page for the current prices; only asked for while fresh.
    virtual QByteArray page();

    // The prices of the last good answer, nothing before the first.
    virtual const std::optional<QuotedPairs> &pairs() const { return m_pairs; }

    // The legs those prices were made from, after the guard, and until when they are current.
    const Legs &legs() const { return m_legs; }
    QDateTime currentUntil() const { return m_freshUntil; }

    // Why the last answer gave no prices, or why the prices were taken back; empty while it answers well.
    QString failure() const { return m_withdrawn.isEmpty() ? m_failure : m_withdrawn; }

    // "the ECB reference rates at URL": how every line this source writes names it.
    const QString &description() const { return m_description; }

signals:
    void pricesChanged();
    // An answer gave no prices, or the prices given were taken back.
    void failed();

protected:
    // `description` names the source in every line it writes: "the ECB reference rates at URL".
    QuoteSource(QString description, SourceContext context, QObject *parent = nullptr, GuardSettings guard = {});

    // Takes what an answer gave: its warnings and refused legs are said, crosses derived through
    // `pivot`. The prices count as current until `freshUntil` (invalid: for as long as nothing says
    // otherwise), or less while a refused leg's older price stands in. Returns why the answer gave no
    // prices, when it did not; the caller decides what that failure means.
    std::optional<QString> publish(const SourceReading &reading, QLatin1StringView pivot, const QDateTime &freshUntil);

    // The source failed to give prices: the last good prices stay served for as long as they are fresh.
    void noteFailure(const QString &why);

    // The prices the source gave no longer hold (a rates file that is gone): the feed answers 503 with
    // `why` until the source publishes, or serves again. Before any prices, a failure like any other.
    void withdraw(const QString &why);

    // For sources whose every page is good from the start: the simulated market, a saved page.
    void markAlwaysFresh();
    // Such a source's withdrawal has ended.
    void serveAgain();

    // When a leg the guard refuses now would be accepted if the source still gives it; invalid when
    // none waits. A source that is not asked again on its own reads itself again then.
    QDateTime recheckAt() const { return m_recheckAt; }

    // The page has just turned unavailable (503), or why changed; for a source that may ask sooner.
    virtual void becameUnavailable() {}

    QDateTime now() const;
    void report(const QString &line) const;
    const SourceContext &context() const { return m_context; }

private:
    QString reason() const;
    void sayWhatIsServed();
    void watchStaleness();

    QString m_description;
    SourceContext m_context;
    LegGuard m_guard;
    std::optional<QuotedPairs> m_pairs;
    Legs m_legs;
    QStringList m_warned; // the warnings of the last answer, each said once for as long as it repeats
    bool m_placeholderPairs = false; // an always-fresh source's pairs are not prices of its own
    QDateTime m_quotedAt;
    QDateTime m_freshUntil;
    QDateTime m_recheckAt;
    QStringList m_standingIn;  // refused legs whose last good price is served in their place
    QDateTime m_standInUntil;  // until when the oldest of those may stand in
    QString m_failure;   // empty while the source answers well
    QString m_withdrawn; // empty unless the prices were taken back
    QString m_said;      // what was said last about what is served
    bool m_servedBefore = false; // for "again"
    QTimer m_staleness; // says so when the prices turn too old, not at the next event
};

} // namespace vantrel::feed
