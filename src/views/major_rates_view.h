// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "rate_view.h"

namespace vantrel {

// "Major Rates": the eight pairs against the US dollar, every other row light green.
class Form2 final : public RateView
{
    Q_OBJECT

public:
    Form2();

    // The view's own row order: USD/JPY stands before USD/HKD and USD/SGD.
    static QStringList rowOrder();

protected:
    std::optional<QColor> rateStripe(int row) const override;
};

} // namespace vantrel
