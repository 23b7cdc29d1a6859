// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sources/ecb_source.h"

#include <memory>

namespace vantrel::feed {

// The USD/HKD and USD/SGD legs of the ECB's daily fix, for the live sources that quote neither: no
// keyless live source does, and without USD/HKD, sixth of the pairs Vantrel reads, the page would give
// only five rates. One ECB source serves every live source that shares this.
class EcbDollarLegs : public QObject
{
    Q_OBJECT

public:
    EcbDollarLegs(const PollingSettings &ecbSettings, SourceContext context, QObject *parent = nullptr);

    // Asks the ECB, the first time only, and says once where the two legs come from.
    void start();

    struct Fix {
        Legs legs;             // USD/HKD and USD/SGD
        QDateTime currentUntil; // the end of the next day the ECB fixes rates
    };
    // Nothing while the ECB's fix is not current.
    std::optional<Fix> fix() const;
    // Why there is no fix, in the ECB source's words.
    QString whyNone() const;

    // Whether the ECB has answered at all since start(), well or not.
    bool answered() const { return m_answered; }

signals:
    void fixChanged();
    void answeredFirst();

private:
    SourceContext m_context;
    EcbSource m_ecb;
    bool m_started = false;
    bool m_answered = false;
};

} // namespace vantrel::feed
