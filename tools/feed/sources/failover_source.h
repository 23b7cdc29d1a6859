// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sources/quote_source.h"

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

namespace vantrel::feed {

// When one source gives way to the next.
struct FailoverSettings {
    std::chrono::milliseconds failingFor{10000}; // the source served has failed this long in a row
    std::chrono::milliseconds goodFor{30000};    // an earlier source has answered well this long again
    std::chrono::milliseconds checkEvery{1000};
};

// Sources in order of preference, one served at a time: the first that answers well. When the one
// served has failed for `failingFor` in a row, or its prices are no longer current, the next that
// answers well is served; an earlier one that has answered well for `goodFor` again is served again.
// Each switch is one line on stderr. A page is always one source's alone. A source later in the list
// is asked only from the first failure of the one served until that one has answered well again for
// `goodFor`. While the FX market is closed, the week's last prices are served from the source that gave
// them, unless it has none left. The 503 answer, when no source can be served, gives each one's reason.
class FailoverSource : public QuoteSource
{
    Q_OBJECT

public:
    // Makes one source of the list, with the context its lines go through, or nothing and why.
    using Maker = std::function<std::unique_ptr<QuoteSource>(SourceContext, QString &error)>;

    // The sources the makers make, or nothing and the first one's error.
    static std::unique_ptr<FailoverSource> make(const std::vector<Maker> &makers, SourceContext context,
                                                FailoverSettings settings, QString &error);
    ~FailoverSource() override;

    void start() override;
    void stop() override;

    State state() const override;
    QString unavailableReason() const override;
    QByteArray page() override;
    const std::optional<QuotedPairs> &pairs() const override;

    // The source served now; for the tests.
    const QuoteSource &served() const { return *m_members[m_served].source; }

private:
    struct Member {
        std::unique_ptr<QuoteSource> source;
        bool asked = false;     // started and not stopped since
        QDateTime failingSince; // the first failure since its last good answer
        QDateTime goodSince;    // the first good answer since it was asked or last failed
    };

    FailoverSource(std::size_t members, SourceContext context, FailoverSettings settings);

    bool add(const Maker &maker, QString &error);
    void decide();
    void askNextInReserve();
    void switchTo(std::size_t member, const QString &why);

    std::vector<Member> m_members;
    std::size_t m_served = 0;
    FailoverSettings m_settings;
    QTimer m_check;
};

} // namespace vantrel::feed
