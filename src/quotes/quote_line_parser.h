// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "rate_table.h"

#include <QString>
#include <QStringView>

#include <optional>

namespace vantrel {

struct QuoteFieldLayout;

// The field at which reading a quote line stopped.
struct QuoteFieldFailure {
    int parseIndex = 0;     // position in parse order, from 0
    int catalogueIndex = 0;
    int start = 0;          // position of the field on the line, from 1
    QString text;           // what the field held

    // "EUR/AUD: the price at 6213 ("ab") is not a number"
    QString describe() const;
};

struct QuoteLineOutcome {
    int pairsStored = 0;
    std::optional<QuoteFieldFailure> failure;

    bool complete() const { return !failure; }
};

// The characters of the line from a 1-based start, cut short at the end of the line.
QStringView cutField(QStringView line, int start, int width);

// The rate text of one pair, or the field that is not a number.
std::optional<QString> readPairRate(QStringView line, const QuoteFieldLayout &field,
                                    int *failedStart = nullptr);

// Reads the pairs in parse order and stores each rate in the table at once; stops at the first field
// that is not a number, so the pairs before it hold new rates and the rest keep theirs.
QuoteLineOutcome readQuoteLine(QStringView line, RateTable &table);

} // namespace vantrel
