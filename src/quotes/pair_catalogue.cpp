// SPDX-License-Identifier: GPL-3.0-or-later
#include "pair_catalogue.h"

namespace vantrel {

const std::array<PairInfo, kPairCount> &pairCatalogue()
{
    static constexpr std::array<PairInfo, kPairCount> catalogue{{
        {"AUD/USD", PairType::Major, 4}, {"EUR/USD", PairType::Major, 4},
        {"GBP/USD", PairType::Major, 4}, {"USD/CAD", PairType::Major, 4},
        {"USD/CHF", PairType::Major, 4}, {"USD/HKD", PairType::Major, 4},
        {"USD/JPY", PairType::Major, 2}, {"USD/SGD", PairType::Major, 4},
        {"AUD/CAD", PairType::Cross, 4}, {"AUD/CHF", PairType::Cross, 4},
        {"AUD/HKD", PairType::Cross, 4}, {"AUD/JPY", PairType::Cross, 2},
        {"AUD/SGD", PairType::Cross, 4}, {"CAD/HKD", PairType::Cross, 4},
        {"CAD/JPY", PairType::Cross, 2}, {"CAD/SGD", PairType::Cross, 4},
        {"CHF/CAD", PairType::Cross, 4}, {"CHF/HKD", PairType::Cross, 4},
        {"CHF/JPY", PairType::Cross, 2}, {"CHF/SGD", PairType::Cross, 4},
        {"EUR/AUD", PairType::Cross, 4}, {"EUR/CAD", PairType::Cross, 4},
        {"EUR/CHF", PairType::Cross, 4}, {"EUR/HKD", PairType::Cross, 4},
        {"EUR/JPY", PairType::Cross, 2}, {"EUR/SGD", PairType::Cross, 4},
        {"GBP/AUD", PairType::Cross, 4}, {"GBP/CAD", PairType::Cross, 4},
        {"GBP/CHF", PairType::Cross, 4}, {"GBP/EUR", PairType::Cross, 4},
        {"GBP/HKD", PairType::Cross, 4}, {"GBP/JPY", PairType::Cross, 2},
        {"GBP/SGD", PairType::Cross, 4}, {"SGD/HKD", PairType::Cross, 4},
        {"SGD/JPY", PairType::Cross, 2},
    }};
    return catalogue;
}

std::optional<int> findPair(const QString &name)
{
    const auto &catalogue = pairCatalogue();
    for (int i = 0; i < kPairCount; ++i) {
        if (name == QLatin1String(catalogue[i].name))
            return i;
    }
    return std::nullopt;
}

QString clipNameOf(const QString &pairName)
{
    QString clip = pairName;
    clip.remove(QLatin1Char('/'));
    return clip.toLower();
}

QString pairTypeName(PairType type)
{
    return type == PairType::Major ? QStringLiteral("Major") : QStringLiteral("Cross");
}

std::optional<PairType> pairTypeFromName(const QString &name)
{
    if (name == QLatin1String("Major"))
        return PairType::Major;
    if (name == QLatin1String("Cross"))
        return PairType::Cross;
    return std::nullopt;
}

QStringList pairNamesOfType(PairType type)
{
    QStringList names;
    for (const PairInfo &pair : pairCatalogue()) {
        if (pair.type == type)
            names << QLatin1String(pair.name);
    }
    return names;
}

QStringList allPairNames()
{
    QStringList names;
    for (const PairInfo &pair : pairCatalogue())
        names << QLatin1String(pair.name);
    return names;
}

} // namespace vantrel
