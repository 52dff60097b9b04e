// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Reduces a Russian text to the letter statistics that the attack scores candidate texts
// with, and writes them as a C++ source file. Runs at build time, so the statistics always
// come from the text the project ships.
//
// The text is read as the attack will later see a plain line: each character is looked up
// with the cipher's own alphabet, characters outside it (punctuation, digits, Ё, Й, Latin
// letters) are skipped without breaking the sequence, and a line break counts as one space.
// The word forms are the runs of letters between spaces in that same sequence.

#include "alphabet.h"
#include "languagemodel.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTextStream>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <map>
#include <vector>

namespace {

struct Counts
{
    std::array<double, alphabetSize> single{};
    std::vector<double> pair = std::vector<double>(alphabetSize * alphabetSize, 0.0);
    std::vector<double> triple =
        std::vector<double>(alphabetSize * alphabetSize * alphabetSize, 0.0);
    // Longer contexts are sparse: keyed by the letters as base-32 digits, oldest first.
    std::map<quint32, double> quadruple;
    std::map<quint32, double> quintuple;
    std::map<QByteArray, quint32> words; // the letters' codes
    qint64 symbols = 0;
};

// A cipher line starts at a word with nothing known before it, and the attack scores its
// first letters as if after spaces. In the text, spaces run together only where skipped
// punctuation stood between them (" – ", "* * *"), so on their own those contexts learn
// what follows such runs, mostly more spaces. So each word start (but the text's first,
// already counted so) is counted once more as a line start: only the contexts that begin
// with two or more spaces take these counts, and they learn how words begin. No other
// context changes.
void countLineStarts(const std::vector<qint8> &stream, Counts &counts)
{
    const std::size_t size = stream.size();
    for (std::size_t start = 1; start < size; ++start) {
        if (stream[start] == 0 || stream[start - 1] != 0)
            continue;
        quint32 history = 0; // four spaces, then the word's first letters
        for (std::size_t k = start; k < std::min(size, start + 3); ++k) {
            const quint32 code = quint32(stream[k]);
            const std::size_t lettersBefore = k - start;
            if (lettersBefore == 0)
                counts.triple[code] += 1;
            if (lettersBefore <= 1)
                counts.quadruple[((history % (32 * 32 * 32)) << 5) | code] += 1;
            counts.quintuple[(history << 5) | code] += 1;
            history = ((history << 5) | code) % (32 * 32 * 32 * 32);
        }
    }
}

Counts countSymbols(const QString &text)
{
    Counts counts;
    int before = 0; // a line starts as if after spaces (a word start)
    int previous = 0;
    quint32 history = 0; // the last four symbols, oldest in the highest digit
    bool pendingBreak = false;
    std::vector<qint8> stream;
    stream.reserve(std::size_t(text.size()));
    QByteArray word;
    const auto endWord = [&] {
        if (!word.isEmpty())
            ++counts.words[word];
        word.clear();
    };
    const auto add = [&](int code) {
        if (code == 0)
            endWord();
        else
            word.append(char(code));
        counts.single[code] += 1;
        counts.pair[previous * alphabetSize + code] += 1;
        counts.triple[(before * alphabetSize + previous) * alphabetSize + code] += 1;
        counts.quadruple[((history % (32 * 32 * 32)) << 5) | quint32(code)] += 1;
        counts.quintuple[(history << 5) | quint32(code)] += 1;
        history = ((history << 5) | quint32(code)) % (32 * 32 * 32 * 32);
        before = previous;
        previous = code;
        stream.push_back(qint8(code));
        ++counts.symbols;
    };
    for (const QChar ch : text) {
        if (ch == QLatin1Char('\n') || ch == QLatin1Char('\r')) {
            pendingBreak = true;
            continue;
        }
        const std::optional<int> code = lookupCode(ch);
        if (!code)
            continue;
        if (pendingBreak && previous != 0 && *code != 0)
            add(0);
        pendingBreak = false;
        add(*code);
    }
    endWord();
    countLineStarts(stream, counts);
    return counts;
}

// Witten–Bell interpolation: a context seen often with few different followers trusts its
// own counts; one seen rarely, or followed by many letters, leans on the shorter context.
std::vector<double> interpolate(const std::vector<double> &counts, const std::vector<double> &lower,
                                int contexts)
{
    std::vector<double> p(counts.size());
    for (int context = 0; context < contexts; ++context) {
        double total = 0;
        double distinct = 0;
        for (int b = 0; b < alphabetSize; ++b) {
            total += counts[context * alphabetSize + b];
            distinct += counts[context * alphabetSize + b] > 0 ? 1 : 0;
        }
        // The context without its oldest letter: none for pairs, the last letter for triples.
        const int shorter = contexts == alphabetSize ? 0 : context % alphabetSize;
        for (int b = 0; b < alphabetSize; ++b) {
            const double backoff = lower[shorter * alphabetSize + b];
            p[context * alphabetSize + b] =
                total > 0
                    ? (counts[context * alphabetSize + b] + distinct * backoff) / (total + distinct)
                    : backoff;
        }
    }
    return p;
}

// One order above a shorter model, Witten–Bell again, kept sparse: the probability of every
// seen sequence, and per seen context the weight that an unseen follower's shorter-context
// probability gets. An unseen context leaves the shorter model as it is.
struct SparseOrder
{
    std::map<quint32, double> probability;  // of the seen sequences
    std::map<quint32, double> unseenWeight; // per seen context
};

template <typename Shorter>
SparseOrder interpolateSparse(const std::map<quint32, double> &counts, quint32 shorterContexts,
                              const Shorter &shorter)
{
    std::map<quint32, std::pair<double, double>> contexts; // total, distinct
    for (const auto &[key, count] : counts) {
        auto &context = contexts[key >> 5];
        context.first += count;
        context.second += 1;
    }
    SparseOrder order;
    for (const auto &[key, count] : counts) {
        const auto &[total, distinct] = contexts[key >> 5];
        const double lower = shorter(key % (shorterContexts * alphabetSize));
        order.probability[key] = (count + distinct * lower) / (total + distinct);
    }
    for (const auto &[context, totals] : contexts)
        order.unseenWeight[context] = totals.second / (totals.first + totals.second);
    return order;
}

void writeSparse(QTextStream &stream, const char *name, const std::map<quint32, double> &values)
{
    stream << "const SparseLogProbability " << name << "[] = {\n";
    int column = 0;
    for (const auto &[key, value] : values) {
        stream << (column == 0 ? "    " : " ") << "{" << key << "u,"
               << QString::number(std::log(value), 'f', 3) << "f},";
        if (++column == 6) {
            stream << "\n";
            column = 0;
        }
    }
    stream << (column == 0 ? "" : "\n") << "};\n"
           << "const int " << name << "Count = " << values.size() << ";\n\n";
}

// Sorted by hash, so the model can look a word up by binary search without storing its
// letters; empty when two forms share a hash.
std::vector<std::pair<quint64, quint32>> hashedWordCounts(const Counts &counts)
{
    std::vector<std::pair<quint64, quint32>> hashed;
    for (const auto &[word, count] : counts.words)
        hashed.emplace_back(analysis::wordFormHash(word.constData(), int(word.size())), count);
    std::sort(hashed.begin(), hashed.end());
    for (std::size_t i = 1; i < hashed.size(); ++i) {
        if (hashed[i].first == hashed[i - 1].first)
            return {};
    }
    return hashed;
}

void writeWordForms(QTextStream &stream, const std::vector<std::pair<quint64, quint32>> &hashed)
{
    quint64 tokens = 0;
    stream << "const WordFormCount wordFormCounts[] = {\n";
    for (std::size_t i = 0; i < hashed.size(); ++i) {
        stream << (i % 5 == 0 ? "    " : " ") << "{0x" << QString::number(hashed[i].first, 16)
               << "ull," << hashed[i].second << "},";
        if (i % 5 == 4 || i + 1 == hashed.size())
            stream << "\n";
        tokens += hashed[i].second;
    }
    stream << "};\n"
           << "const int wordFormTypeCount = " << hashed.size() << ";\n"
           << "const qint64 wordFormTokenCount = " << tokens << ";\n\n";
}

QString tablesSource(const Counts &counts, const std::vector<std::pair<quint64, quint32>> &words,
                     const QString &sourceName)
{
    std::vector<double> single(alphabetSize);
    for (int b = 0; b < alphabetSize; ++b)
        single[b] = (counts.single[b] + 0.5) / (double(counts.symbols) + 0.5 * alphabetSize);
    const std::vector<double> pair = interpolate(counts.pair, single, alphabetSize);
    const std::vector<double> triple =
        interpolate(counts.triple, pair, alphabetSize * alphabetSize);

    const auto tripleAt = [&triple](quint32 key) { return triple[key]; };
    const SparseOrder quadruple =
        interpolateSparse(counts.quadruple, alphabetSize * alphabetSize, tripleAt);
    const auto quadrupleAt = [&](quint32 key) {
        const auto seen = quadruple.probability.find(key);
        if (seen != quadruple.probability.end())
            return seen->second;
        const auto context = quadruple.unseenWeight.find(key >> 5);
        const double weight = context != quadruple.unseenWeight.end() ? context->second : 1.0;
        return weight * triple[key % (alphabetSize * alphabetSize * alphabetSize)];
    };
    const SparseOrder quintuple = interpolateSparse(
        counts.quintuple, alphabetSize * alphabetSize * alphabetSize, quadrupleAt);

    QString out;
    QTextStream stream(&out);
    stream << "// Generated by lmgen from " << sourceName << " (" << counts.symbols
           << " symbols of the alphabet). Do not edit.\n"
           << "#include \"languagemodel.h\"\n\nnamespace analysis {\n\n"
           << "const qint64 languageModelSymbolCount = " << counts.symbols << ";\n\n"
           << "const qint64 symbolCount[alphabetSize] = {";
    for (int c = 0; c < alphabetSize; ++c)
        stream << qint64(counts.single[c]) << (c + 1 < alphabetSize ? "," : "");
    stream << "};\n\n"
           << "const float tripleLogProbability[alphabetSize][alphabetSize][alphabetSize] = {\n";
    for (int a = 0; a < alphabetSize; ++a) {
        stream << "    {\n";
        for (int b = 0; b < alphabetSize; ++b) {
            stream << "        {";
            for (int c = 0; c < alphabetSize; ++c) {
                const double p = triple[(a * alphabetSize + b) * alphabetSize + c];
                stream << QString::number(std::log(p), 'f', 3) << (c + 1 < alphabetSize ? "," : "");
            }
            stream << "},\n";
        }
        stream << "    },\n";
    }
    stream << "};\n\n";
    writeSparse(stream, "quadrupleLogProbability", quadruple.probability);
    writeSparse(stream, "quadrupleUnseenLogWeight", quadruple.unseenWeight);
    writeSparse(stream, "quintupleLogProbability", quintuple.probability);
    writeSparse(stream, "quintupleUnseenLogWeight", quintuple.unseenWeight);
    writeWordForms(stream, words);
    stream << "} // namespace analysis\n";
    stream.flush();
    return out;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: lmgen TEXT.txt OUTPUT.cpp\n");
        return 2;
    }
    QFile input(QString::fromLocal8Bit(argv[1]));
    if (!input.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "lmgen: cannot read %s\n", argv[1]);
        return 1;
    }
    const QString text = QString::fromUtf8(input.readAll());
    const Counts counts = countSymbols(text);
    if (counts.symbols < 1000) {
        std::fprintf(stderr, "lmgen: %s holds too little Russian text\n", argv[1]);
        return 1;
    }
    const std::vector<std::pair<quint64, quint32>> words = hashedWordCounts(counts);
    if (words.empty()) {
        std::fprintf(stderr, "lmgen: two word forms of %s share a hash\n", argv[1]);
        return 1;
    }
    QFile output(QString::fromLocal8Bit(argv[2]));
    if (!output.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        std::fprintf(stderr, "lmgen: cannot write %s\n", argv[2]);
        return 1;
    }
    const QString name = QString::fromLocal8Bit(argv[1]).section(QLatin1Char('/'), -1);
    output.write(tablesSource(counts, words, name).toUtf8());
    return output.flush() ? 0 : 1;
}
