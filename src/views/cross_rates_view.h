// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "rate_view.h"

namespace vantrel {

// "Cross Rates": the 27 crosses in catalogue order, striped by base currency.
class Form3 final : public RateView
{
    Q_OBJECT

public:
    Form3();

protected:
    std::optional<QColor> rateStripe(int row) const override;
};

} // namespace vantrel
