// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "labshared.h"

#include "alphabet.h"
#include "gamma.h"
#include "keypattern.h"
#include "languagemodel.h"

#include <QHash>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

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

// The library's answer becomes optional once it can say that no non-negative key exists.
std::optional<GammaKey> asOptional(const GammaKey &key)
{
    return key;
}

[[maybe_unused]] std::optional<GammaKey> asOptional(const std::optional<GammaKey> &key)
{
    return key;
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
    report.smallest = asOptional(analysis::smallestEquivalentKey(key, length));
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

namespace {

// The model keeps only conditional probabilities of a symbol after two others; the symbols'
// own shares are the stationary distribution of that chain over pairs, found by iterating.
std::array<double, alphabetSize> stationaryShares()
{
    constexpr int pairs = alphabetSize * alphabetSize;
    std::vector<double> weight(pairs, 1.0 / pairs);
    std::vector<double> next(pairs);
    for (int round = 0; round < 200; ++round) {
        std::fill(next.begin(), next.end(), 0.0);
        for (int a = 0; a < alphabetSize; ++a) {
            for (int b = 0; b < alphabetSize; ++b) {
                const double from = weight[a * alphabetSize + b];
                for (int c = 0; c < alphabetSize; ++c)
                    next[b * alphabetSize + c] +=
                        from * std::exp(double(analysis::tripleLogProbability[a][b][c]));
            }
        }
        double total = 0;
        for (const double w : next)
            total += w;
        for (int i = 0; i < pairs; ++i)
            weight[i] = next[i] / total;
    }
    std::array<double, alphabetSize> shares{};
    for (int b = 0; b < alphabetSize; ++b)
        for (int c = 0; c < alphabetSize; ++c)
            shares[c] += weight[b * alphabetSize + c];
    return shares;
}

} // namespace

double russianSymbolShare(int code)
{
    static const std::array<double, alphabetSize> shares = stationaryShares();
    return code >= 0 && code < alphabetSize ? shares[code] : 0.0;
}

} // namespace lab
