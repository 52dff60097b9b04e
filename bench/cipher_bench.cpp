// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "alphabet.h"
#include "gamma.h"
#include "gamma_reference.h"

#include <QRandomGenerator>
#include <QString>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

namespace {

// A key with the longest cycle modulo 32, so the keystream is not trivially short.
constexpr qint32 benchA = 5;
constexpr qint32 benchC = 3;
constexpr qint32 benchT0 = 7;

// Text like a typed line: about 80 % alphabet characters (letters of both cases and
// spaces), the rest digits, punctuation and Latin letters, in a fixed random order.
QString mixedLine(int length)
{
    static const QString alphabetPool =
        QStringLiteral("АБВГДЕЖЗИКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯабвгдежзиклмнопрстуфхцчшщъыьэюя      ");
    static const QString otherPool = QStringLiteral(
        "0123456789.,;:!?-()\"'ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    QRandomGenerator random(20240611);
    QString line;
    line.reserve(length);
    for (int i = 0; i < length; ++i) {
        const QString &pool = random.bounded(100) < 80 ? alphabetPool : otherPool;
        line += pool.at(random.bounded(pool.size()));
    }
    return line;
}

void countCharacters(benchmark::State &state)
{
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.SetBytesProcessed(state.iterations() * state.range(0) * qint64(sizeof(char16_t)));
}

void BM_Transform(benchmark::State &state)
{
    const QString line = mixedLine(int(state.range(0)));
    for (auto _ : state) {
        QString result = gammaTransform(line, benchA, benchC, benchT0);
        benchmark::DoNotOptimize(result.constData());
        benchmark::ClobberMemory();
    }
    countCharacters(state);
}

void BM_TransformReference(benchmark::State &state)
{
    AlphabetTable table;
    fillAlphabet(table);
    const QString line = mixedLine(int(state.range(0)));
    for (auto _ : state) {
        QString result = reference::gammaTransform(table, line, benchA, benchC, benchT0);
        benchmark::DoNotOptimize(result.constData());
        benchmark::ClobberMemory();
    }
    countCharacters(state);
}

void BM_CopyBaseline(benchmark::State &state)
{
    const QString line = mixedLine(int(state.range(0)));
    std::vector<char16_t> target(std::size_t(line.size()));
    const auto *begin = reinterpret_cast<const char16_t *>(line.utf16());
    for (auto _ : state) {
        std::copy(begin, begin + line.size(), target.data());
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    countCharacters(state);
}

} // namespace

constexpr int lineLength = 1 << 20;
BENCHMARK(BM_Transform)->Arg(lineLength);
BENCHMARK(BM_TransformReference)->Arg(lineLength)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CopyBaseline)->Arg(lineLength);

BENCHMARK_MAIN();
