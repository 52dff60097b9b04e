// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "labshared.h"

#include "alphabet.h"
#include "gamma.h"
#include "keypattern.h"

#include <QHash>

#include <algorithm>

namespace lab {

#ifdef GAMMACRYPT_LAB_OWN_TRACE

GeneratorCycle generatorCycle(const GammaKey &key)
{
    // Every value after the seed lies in -31..31, so a value repeats within 65 steps.
    QHash<qint32, int> firstPosition;
    qint32 value = key.t0;
    for (int position = 0;; ++position) {
        const auto seen = firstPosition.constFind(value);
        if (seen != firstPosition.constEnd())
            return GeneratorCycle{*seen, position - *seen, value};
        firstPosition.insert(value, position);
        value = nextGammaValue(value, key.a, key.c);
    }
}

TraceWalker::TraceWalker(const GammaKey &key) : key(key), value(key.t0) {}

TraceRow TraceWalker::step(char32_t character)
{
    TraceRow row;
    row.position = position;
    row.character = character;
    row.value = value;
    row.gamma = gammaCode(value);
    row.result = character;
    const std::optional<int> code =
        character <= 0xFFFF ? lookupCode(QChar(char16_t(character))) : std::nullopt;
    if (code) {
        row.code = *code;
        row.resultCode = *code ^ row.gamma;
        row.result = letterUnit(row.resultCode);
    }
    ++position;
    value = nextGammaValue(value, key.a, key.c);
    return row;
}

#endif

#ifdef GAMMACRYPT_LAB_OWN_KEYREPORT

namespace {

// The least divisor of λ that the gamma codes on the generator's cycle repeat with.
int gammaPeriod(const GammaKey &key, const GeneratorCycle &cycle)
{
    const QVector<int> gamma = analysis::keyGamma(key, cycle.mu + cycle.lambda);
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

} // namespace

KeyReport analyseKey(const GammaKey &key, int length)
{
    KeyReport report;
    report.key = key;
    report.cycle = generatorCycle(key);
    report.gamma = analysis::keyGamma(key, length);
    report.zeros = int(std::count(report.gamma.cbegin(), report.gamma.cend(), 0));
    report.allZero = report.zeros == length;
    report.period = gammaPeriod(key, report.cycle);
    report.smallest = analysis::smallestEquivalentKey(key, length);
    if (report.allZero) {
        report.weak = true;
        report.weakReason = QStringLiteral("гамма везде 0, и «шифр» — это открытый текст "
                                           "заглавными буквами");
    } else if (report.period <= 4) {
        report.weak = true;
        report.weakReason = QStringLiteral("гамма повторяется с периодом %1 (не больше 4), "
                                           "текст читается почти без ключа")
                                .arg(report.period);
    }
    return report;
}

#endif

} // namespace lab
