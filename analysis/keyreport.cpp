// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "keyreport.h"

#include "keypattern.h"

#include <algorithm>

namespace analysis {

namespace {

// A period this short lets a reader undo the gamma by eye, a handful of shifts at most.
constexpr int weakPeriod = 4;

QString weakness(const KeyReport &report)
{
    if (report.allZero)
        return QStringLiteral("гамма везде 0, и «шифр» — это открытый текст заглавными буквами");
    if (report.period <= weakPeriod) {
        return QStringLiteral("гамма повторяется с периодом %1 (не больше %2), текст читается "
                              "почти без ключа")
            .arg(report.period)
            .arg(weakPeriod);
    }
    return QString();
}

} // namespace

int gammaPeriod(const GammaKey &key, const GeneratorCycle &cycle)
{
    const QVector<int> gamma = keyGamma(key, cycle.mu + cycle.lambda);
    for (int period = 1; period < cycle.lambda; ++period) {
        if (cycle.lambda % period != 0)
            continue;
        bool repeats = true;
        for (int j = 0; j < cycle.lambda && repeats; ++j)
            repeats = gamma[cycle.mu + j] == gamma[cycle.mu + (j + period) % cycle.lambda];
        if (repeats)
            return period;
    }
    return cycle.lambda;
}

KeyReport analyseKey(const GammaKey &key, int length)
{
    KeyReport report;
    report.key = key;
    report.cycle = generatorCycle(key);
    report.gamma = keyGamma(key, length);
    report.zeros = int(std::count(report.gamma.cbegin(), report.gamma.cend(), 0));
    report.allZero = report.zeros == length;
    report.period = gammaPeriod(key, report.cycle);
    report.smallest = smallestEquivalentKey(key, length);
    report.weakReason = weakness(report);
    report.weak = !report.weakReason.isEmpty();
    return report;
}

} // namespace analysis
