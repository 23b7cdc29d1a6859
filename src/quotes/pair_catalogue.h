// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace vantrel {

enum class PairType { Major, Cross };

// One currency pair the program knows: "EUR/USD", its type and how many decimals its rate text has.
struct PairInfo {
    const char *name;
    PairType type;
    int decimals;
};

inline constexpr int kPairCount = 35;

// The fixed pair catalogue, in catalogue order: the order every pair list of the program shows.
const std::array<PairInfo, kPairCount> &pairCatalogue();

// Position of a pair in the catalogue, compared exactly; nothing for a name the program does not know.
std::optional<int> findPair(const QString &name);

// "EUR/USD" -> "eurusd": the name of the pair's sound clip.
QString clipNameOf(const QString &pairName);

// The item text of the pair-type selector: "Major" or "Cross".
QString pairTypeName(PairType type);
std::optional<PairType> pairTypeFromName(const QString &name);

// The pairs of one type, or all 35, in catalogue order.
QStringList pairNamesOfType(PairType type);
QStringList allPairNames();

} // namespace vantrel
