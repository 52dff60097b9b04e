// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "keyreport.h"

#include "keypattern.h"

#include <QLocale>

#include <algorithm>

namespace analysis {

namespace {

// A period this short lets a reader undo the gamma by eye, a handful of shifts at most.
constexpr int weakPeriod = 4;
// A typical line of a letter: a key that leaves this many first characters as they are
// shows most short messages in the clear.
constexpr int typicalLine = 32;

int leadingZeros(const GammaKey &key, const GeneratorCycle &cycle)
{
    const QVector<int> gamma = keyGamma(key, cycle.mu + cycle.lambda);
    const auto firstCode = std::find_if(gamma.cbegin(), gamma.cend(), [](int g) { return g != 0; });
    return int(firstCode - gamma.cbegin());
}

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
    if (report.leadingZeros >= typicalLine) {
        return QStringLiteral("код гаммы равен 0 на позициях 0–%1: строка такой длины остаётся "
                              "открытым текстом заглавными буквами")
            .arg(report.leadingZeros - 1);
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
    report.leadingZeros = leadingZeros(key, report.cycle);
    report.smallest = smallestEquivalentKey(key, length);
    report.weakReason = weakness(report);
    report.weak = !report.weakReason.isEmpty();
    return report;
}

QString positionsText(int length)
{
    return length == 1 ? QStringLiteral("на позиции 0")
                       : QStringLiteral("на позициях 0–%1").arg(length - 1);
}

QString zeroShareText(const KeyReport &report)
{
    const int length = report.gamma.size();
    return QStringLiteral("%1 из %2 (%3 %)")
        .arg(report.zeros)
        .arg(length)
        .arg(QLocale(QLocale::Russian).toString(100.0 * report.zeros / length, 'f', 1));
}

QString weaknessText(const KeyReport &report)
{
    return report.weak ? QStringLiteral("да: ") + report.weakReason : QStringLiteral("нет");
}

QString noSmallestKeyText(const KeyReport &report)
{
    return QStringLiteral("нет: ни один ключ с неотрицательными A, C и T0 не даёт такую гамму ") +
           positionsText(report.gamma.size());
}

} // namespace analysis
