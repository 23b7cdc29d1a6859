// SPDX-License-Identifier: GPL-3.0-or-later
#include "sources/failover_source.h"

#include "sources/fx_week.h"

namespace vantrel::feed {
namespace {

QString listed(std::size_t members)
{
    return QStringLiteral("%1 sources in order of preference").arg(members);
}

qint64 seconds(std::chrono::milliseconds duration)
{
    return std::chrono::duration_cast<std::chrono::seconds>(duration).count();
}

} // namespace

std::unique_ptr<FailoverSource> FailoverSource::make(const std::vector<Maker> &makers, SourceContext context,
                                                    FailoverSettings settings, QString &error)
{
    std::unique_ptr<FailoverSource> failover(new FailoverSource(makers.size(), std::move(context), settings));
    for (const Maker &maker : makers) {
        if (!failover->add(maker, error))
            return nullptr;
    }
    return failover;
}

FailoverSource::FailoverSource(std::size_t members, SourceContext context, FailoverSettings settings)
    : QuoteSource(listed(members), std::move(context))
    , m_settings(settings)
{
    m_members.reserve(members);
    m_check.setInterval(m_settings.checkEvery);
    connect(&m_check, &QTimer::timeout, this, &FailoverSource::decide);
}

bool FailoverSource::add(const Maker &maker, QString &error)
{
    const std::size_t i = m_members.size();
    // Only the source served speaks; the others' changes show in the switches and the 503 answer.
    SourceContext gated = context();
    gated.report = [this, i](const QString &line) {
        if (i == m_served)
            report(line);
    };
    std::unique_ptr<QuoteSource> source = maker(gated, error);
    if (!source)
        return false;
    connect(source.get(), &QuoteSource::pricesChanged, this, [this, i] {
        Member &member = m_members[i];
        member.failingSince = QDateTime();
        if (!member.goodSince.isValid())
            member.goodSince = now();
        if (i == m_served)
            emit pricesChanged();
        decide();
    });
    connect(source.get(), &QuoteSource::failed, this, [this, i] {
        Member &member = m_members[i];
        member.goodSince = QDateTime();
        if (!member.failingSince.isValid())
            member.failingSince = now();
        decide();
    });
    m_members.push_back(Member{std::move(source), false, {}, {}});
    return true;
}

FailoverSource::~FailoverSource() = default;

void FailoverSource::start()
{
    m_members[m_served].asked = true;
    m_members[m_served].source->start();
    m_check.start();
}

void FailoverSource::stop()
{
    m_check.stop();
    for (Member &member : m_members) {
        member.source->stop();
        member.asked = false;
    }
}

QuoteSource::State FailoverSource::state() const
{
    return served().state();
}

QString FailoverSource::unavailableReason() const
{
    if (served().state() == State::Fresh)
        return QString();
    QStringList reasons;
    for (const Member &member : m_members) {
        if (member.asked && member.source->state() != State::Fresh)
            reasons << member.source->whyUnavailable();
    }
    return reasons.size() == 1 ? served().unavailableReason()
                               : kUnavailablePrefix + QStringLiteral("no source can be served: ")
                                     + reasons.join(QStringLiteral("; "));
}

QByteArray FailoverSource::page()
{
    return m_members[m_served].source->page();
}

const std::optional<QuotedPairs> &FailoverSource::pairs() const
{
    return served().pairs();
}

// The next source in reserve is asked once the one served falters, so that it has prices by the time
// the one served has failed long enough to give way.
void FailoverSource::askNextInReserve()
{
    for (std::size_t i = m_served + 1; i < m_members.size(); ++i) {
        Member &member = m_members[i];
        if (!member.asked) {
            member.asked = true;
            member.failingSince = member.goodSince = QDateTime();
            member.source->start();
            return;
        }
        if (member.source->state() == State::Fresh && !member.failingSince.isValid())
            return; // one in reserve answers well
    }
}

void FailoverSource::decide()
{
    const QDateTime at = now();
    const auto answersWell = [&](const Member &member, std::chrono::milliseconds forAtLeast) {
        return member.asked && member.source->state() == State::Fresh && member.goodSince.isValid()
               && member.goodSince.msecsTo(at) >= forAtLeast.count();
    };
    for (std::size_t i = 0; i < m_served; ++i) {
        if (answersWell(m_members[i], m_settings.goodFor)) {
            switchTo(i, QStringLiteral("it has answered well for %1 s").arg(seconds(m_settings.goodFor)));
            return;
        }
    }

    Member &served = m_members[m_served];
    const bool current = served.source->state() == State::Fresh;
    if (current && !served.failingSince.isValid()) {
        // The one served answers well: those in reserve are no longer needed once it has for a while.
        if (answersWell(served, m_settings.goodFor)) {
            for (std::size_t i = m_served + 1; i < m_members.size(); ++i) {
                if (std::exchange(m_members[i].asked, false))
                    m_members[i].source->stop();
            }
        }
        return;
    }
    // Its first answer is still to come.
    if (served.source->state() == State::Waiting && !served.failingSince.isValid())
        return;
    // Over the weekend the prices served are the week's last; no other source has better, nor is asked.
    if (current && fxMarketClosedAt(at))
        return;
    askNextInReserve();
    const bool failedLongEnough = served.failingSince.isValid()
                                  && served.failingSince.msecsTo(at) >= m_settings.failingFor.count();
    if (current && !failedLongEnough)
        return;
    for (std::size_t i = 0; i < m_members.size(); ++i) {
        if (i != m_served && answersWell(m_members[i], std::chrono::milliseconds(0))
            && !m_members[i].failingSince.isValid()) {
            const QString why = current ? QStringLiteral("it has failed for %1 s (%2)")
                                              .arg(served.failingSince.secsTo(at))
                                              .arg(served.source->failure())
                                        : served.source->whyUnavailable();
            switchTo(i, why);
            return;
        }
    }
}

void FailoverSource::switchTo(std::size_t member, const QString &why)
{
    const QString from = m_members[m_served].source->description();
    const bool back = member < m_served;
    m_served = member;
    report(QStringLiteral("%1 %2 to %3: %4")
               .arg(back ? QStringLiteral("switching back from") : QStringLiteral("switching from"), from,
                    m_members[member].source->description(), why));
    emit pricesChanged();
    decide();
}

} // namespace vantrel::feed
