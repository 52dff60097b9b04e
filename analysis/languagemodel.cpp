// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "languagemodel.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace analysis {

namespace {

std::optional<float> lookup(const SparseLogProbability *table, int count, quint32 key)
{
    const SparseLogProbability *end = table + count;
    const SparseLogProbability *found = std::lower_bound(
        table, end, key, [](const SparseLogProbability &e, quint32 k) { return e.key < k; });
    if (found == end || found->key != key)
        return std::nullopt;
    return found->logProbability;
}

constexpr quint32 alphabetPower(int n)
{
    return n == 0 ? 1 : quint32(alphabetSize) * alphabetPower(n - 1);
}

// key holds the context and the symbol: four digits for the quadruple, five for the quintuple.
float quadrupleLog(quint32 key)
{
    if (const std::optional<float> seen =
            lookup(quadrupleLogProbability, quadrupleLogProbabilityCount, key))
        return *seen;
    const quint32 triple = key % alphabetPower(3);
    const float shorter =
        tripleLogProbability[triple / alphabetPower(2)][(triple / alphabetSize) % alphabetSize]
                            [triple % alphabetSize];
    return shorter +
           lookup(quadrupleUnseenLogWeight, quadrupleUnseenLogWeightCount, key / alphabetSize)
               .value_or(0.0f);
}

float quintupleLog(quint32 key)
{
    if (const std::optional<float> seen =
            lookup(quintupleLogProbability, quintupleLogProbabilityCount, key))
        return *seen;
    return quadrupleLog(key % alphabetPower(4)) +
           lookup(quintupleUnseenLogWeight, quintupleUnseenLogWeightCount, key / alphabetSize)
               .value_or(0.0f);
}

quint32 wordFormCount(const char *codes, int length)
{
    const quint64 hash = wordFormHash(codes, length);
    const WordFormCount *end = wordFormCounts + wordFormTypeCount;
    const WordFormCount *found = std::lower_bound(
        wordFormCounts, end, hash, [](const WordFormCount &e, quint64 h) { return e.hash < h; });
    return found != end && found->hash == hash ? found->count : 0;
}

// log P(w) − log Pc(w) for a complete word whose letters and space the letter model gave
// letterLog. An unseen word's share is taken in logarithms: the letter probability of a long
// run of letters underflows a double.
double wordAdjustment(const char *codes, int length, double letterLog)
{
    const double types = wordFormTypeCount;
    const double all = std::log(double(wordFormTokenCount) + types);
    const quint32 count = wordFormCount(codes, length);
    if (count == 0)
        return std::log(types) - all;
    return std::log(count + types * std::exp(letterLog)) - all - letterLog;
}

} // namespace

double modelSymbolShare(int code)
{
    if (code < 0 || code >= alphabetSize || languageModelSymbolCount <= 0)
        return 0.0;
    return double(symbolCount[code]) / double(languageModelSymbolCount);
}

double lineLogProbability(const QByteArray &codes)
{
    double score = 0;
    double wordLog = 0; // the letter model's log-probability of the current word so far
    int wordStart = 0;
    quint32 history = 0; // lineStartContext four times
    for (int i = 0; i < codes.size(); ++i) {
        const quint32 symbol = quint32(quint8(codes[i]));
        const double symbolLog = quintupleLog((history << 5) | symbol);
        history = ((history << 5) | symbol) % alphabetPower(4);
        score += symbolLog;
        wordLog += symbolLog;
        if (symbol != 0)
            continue;
        if (i > wordStart)
            score += wordAdjustment(codes.constData() + wordStart, i - wordStart, wordLog);
        wordLog = 0;
        wordStart = i + 1;
    }
    return score;
}

double longContextLogProbability(const QByteArray &codes)
{
    double score = 0;
    quint32 history = 0; // lineStartContext four times
    for (const char code : codes) {
        const quint32 symbol = quint32(quint8(code));
        score += quintupleLog((history << 5) | symbol);
        history = ((history << 5) | symbol) % alphabetPower(4);
    }
    return score;
}

} // namespace analysis
