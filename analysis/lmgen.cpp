// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The language model's two steps, kept apart so that the project ships counts and never a
// text:
//   lmgen count [--note TEXT]... [--add COUNTS]... COUNTS CORPUS...
//       reduces one or more Russian texts (UTF-8) to the symbol and word-form counts the
//       model is made of, and writes them with a header that names each text, its size and
//       its SHA-256, so anyone holding the same texts can check or rebuild the file; --add
//       starts from an earlier run's counts, so a model grows without its first texts;
//   lmgen tables COUNTS OUTPUT.cpp
//       turns those counts into the tables the attack scores candidate texts with, as a C++
//       source file. The build runs this step on analysis/data/russian.lmcounts.
//
// A text is read as the attack will later see a plain line: each character is looked up
// with the cipher's own alphabet, characters outside it (punctuation, digits, Ё, Й, Latin
// letters) are skipped without breaking the sequence, a run of whitespace counts as one
// space (tabs, indentation and aligned columns are layout) and so does a line break.
// The word forms are the runs of letters between spaces in that same sequence. Each text
// starts as if after spaces, so several texts add up as if each were read on its own.

#include "alphabet.h"
#include "languagemodel.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <QVector>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <optional>
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

// Layout is not text: indentation, aligned columns and blank lines would teach the model
// runs of spaces that no typed line holds. Each run of whitespace becomes one line break if
// it holds one, else one space; spaces that skipped punctuation separates stay as they are.
QString withoutLayout(QString text)
{
    static const QRegularExpression breakRun(QStringLiteral(R"(\s*[\r\n]\s*)"));
    static const QRegularExpression spaceRun(QStringLiteral(R"([^\S\r\n]+)"));
    return text.replace(breakRun, QStringLiteral("\n")).replace(spaceRun, QStringLiteral(" "));
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
    for (const QChar ch : withoutLayout(text)) {
        if (ch == QLatin1Char('\n')) {
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

// The counts file: UTF-8, one record a line, fields separated by tabs, "#" lines comments.
//   lmgen VERSION              the lmgen that wrote it
//   source NAME BYTES SHA-256  one per text counted
//   note TEXT                  where the texts came from, in the words of whoever counted
//   symbols N                  the alphabet symbols read, over all texts
//   1 SYMBOL COUNT             how often the symbol ("_" for the space) occurs
//   2..5 CONTEXT FOLLOWERS     after the 1..4 symbols of CONTEXT (oldest first), how often
//                              each symbol follows: "SYMBOLCOUNT" items separated by spaces
//                              ("_ПРИ" then "В120 Д8 З3"); one line per context keeps the
//                              file small
//   w LETTERS COUNT            how often the word form occurs
constexpr int lmgenVersion = 3;
constexpr int longestOrder = 5;

struct Source
{
    QString name;
    qint64 bytes = 0;
    QByteArray sha256; // hex
};

QChar symbolChar(int code)
{
    return code == 0 ? QLatin1Char('_') : QChar(letterUnit(code));
}

std::optional<int> symbolCode(QChar ch)
{
    if (ch == QLatin1Char('_'))
        return 0;
    const std::optional<int> code = lookupCode(ch);
    return code && *code != 0 && ch == QChar(letterUnit(*code)) ? code : std::nullopt;
}

// The symbols of a base-32 key, oldest first.
QString gramText(quint32 key, int order)
{
    QString text(order, QLatin1Char('_'));
    for (int i = order - 1; i >= 0; --i, key >>= 5)
        text[i] = symbolChar(int(key % alphabetSize));
    return text;
}

void addCounts(Counts &total, const Counts &part)
{
    for (int i = 0; i < alphabetSize; ++i)
        total.single[i] += part.single[i];
    for (std::size_t i = 0; i < total.pair.size(); ++i)
        total.pair[i] += part.pair[i];
    for (std::size_t i = 0; i < total.triple.size(); ++i)
        total.triple[i] += part.triple[i];
    for (const auto &[key, count] : part.quadruple)
        total.quadruple[key] += count;
    for (const auto &[key, count] : part.quintuple)
        total.quintuple[key] += count;
    for (const auto &[word, count] : part.words)
        total.words[word] += count;
    total.symbols += part.symbols;
}

// Each order's counts keyed as the tables key them: the symbols as base-32 digits.
std::map<quint32, double> orderCounts(const Counts &counts, int order)
{
    std::map<quint32, double> keyed;
    const auto addDense = [&keyed](const auto &values) {
        for (std::size_t key = 0; key < values.size(); ++key) {
            if (values[key] > 0)
                keyed[quint32(key)] = values[key];
        }
    };
    switch (order) {
    case 1:
        addDense(counts.single);
        break;
    case 2:
        addDense(counts.pair);
        break;
    case 3:
        addDense(counts.triple);
        break;
    case 4:
        keyed = counts.quadruple;
        break;
    default:
        keyed = counts.quintuple;
    }
    return keyed;
}

QString countsFileText(const Counts &counts, const QVector<Source> &sources,
                       const QStringList &notes)
{
    QString out;
    QTextStream stream(&out);
    stream << "# The gammacrypt language model's counts, reduced from the texts named below by\n"
           << "# \"lmgen count\"; the build turns them into tables with \"lmgen tables\".\n"
           << "# Records: see analysis/lmgen.cpp.\n"
           << "lmgen\t" << lmgenVersion << "\n";
    for (const Source &source : sources)
        stream << "source\t" << source.name << "\t" << source.bytes << "\t"
               << QString::fromLatin1(source.sha256) << "\n";
    for (const QString &note : notes)
        stream << "note\t" << note << "\n";
    stream << "symbols\t" << counts.symbols << "\n";
    for (const auto &[key, count] : orderCounts(counts, 1))
        stream << 1 << "\t" << gramText(key, 1) << "\t" << qint64(count) << "\n";
    for (int order = 2; order <= longestOrder; ++order) {
        std::optional<quint32> context;
        for (const auto &[key, count] : orderCounts(counts, order)) {
            if (context != key >> 5) {
                stream << (context ? "\n" : "") << order << "\t" << gramText(key >> 5, order - 1)
                       << "\t";
                context = key >> 5;
            } else {
                stream << " ";
            }
            stream << symbolChar(int(key % alphabetSize)) << qint64(count);
        }
        stream << (context ? "\n" : "");
    }
    for (const auto &[word, count] : counts.words) {
        QString letters;
        for (const char code : word)
            letters += symbolChar(code);
        stream << "w\t" << letters << "\t" << count << "\n";
    }
    stream.flush();
    return out;
}

struct ReadCounts
{
    Counts counts;
    QVector<Source> sources;
    QStringList notes;
    QString error; // empty when read
};

std::optional<qint64> recordCount(const QString &text)
{
    bool ok = false;
    const qint64 count = text.toLongLong(&ok);
    if (!ok || count <= 0 || count > std::numeric_limits<quint32>::max())
        return std::nullopt;
    return count;
}

// The symbols as base-32 digits, oldest first; none when one is outside the alphabet.
std::optional<quint32> gramKey(const QString &symbols)
{
    quint32 key = 0;
    for (const QChar ch : symbols) {
        const std::optional<int> code = symbolCode(ch);
        if (!code)
            return std::nullopt;
        key = (key << 5) | quint32(*code);
    }
    return symbols.isEmpty() ? std::nullopt : std::optional<quint32>(key);
}

bool addGram(Counts &counts, int order, quint32 key, const QString &countText)
{
    const std::optional<qint64> count = recordCount(countText);
    if (!count)
        return false;
    double &slot = order == 1   ? counts.single[key]
                   : order == 2 ? counts.pair[key]
                   : order == 3 ? counts.triple[key]
                   : order == 4 ? counts.quadruple[key]
                                : counts.quintuple[key];
    if (slot != 0)
        return false;
    slot = double(*count);
    return true;
}

bool addWord(const QString &letters, const QString &countText, Counts &counts)
{
    const std::optional<qint64> count = recordCount(countText);
    QByteArray word;
    for (const QChar ch : letters) {
        const std::optional<int> code = symbolCode(ch);
        if (!code || *code == 0)
            return false;
        word.append(char(*code));
    }
    if (!count || word.isEmpty() || counts.words.count(word) != 0)
        return false;
    counts.words[word] = quint32(*count);
    return true;
}

bool addRecord(const QStringList &fields, ReadCounts &read)
{
    const QString &kind = fields.at(0);
    if (kind == QLatin1String("lmgen"))
        return fields.size() == 2 && fields.at(1).toInt() == lmgenVersion;
    if (kind == QLatin1String("source")) {
        bool sized = false;
        read.sources << Source{fields.value(1), fields.value(2).toLongLong(&sized),
                               fields.value(3).toLatin1()};
        return fields.size() == 4 && sized;
    }
    if (kind == QLatin1String("note")) {
        read.notes << fields.mid(1).join(QLatin1Char('\t'));
        return true;
    }
    bool ok = false;
    if (kind == QLatin1String("symbols")) {
        read.counts.symbols = fields.value(1).toLongLong(&ok);
        return fields.size() == 2 && ok && read.counts.symbols > 0;
    }
    if (fields.size() != 3)
        return false;
    const QString &symbols = fields.at(1);
    if (kind == QLatin1String("w"))
        return addWord(symbols, fields.at(2), read.counts);
    const int order = kind.toInt(&ok);
    const std::optional<quint32> key = gramKey(symbols);
    if (!ok || !key || order < 1 || order > longestOrder ||
        symbols.size() != std::max(1, order - 1))
        return false;
    if (order == 1)
        return addGram(read.counts, 1, *key, fields.at(2));
    const QStringList followers = fields.at(2).split(QLatin1Char(' '));
    return std::all_of(followers.begin(), followers.end(), [&](const QString &follower) {
        const std::optional<quint32> symbol = gramKey(follower.left(1));
        return symbol && addGram(read.counts, order, (*key << 5) | *symbol, follower.mid(1));
    });
}

ReadCounts readCountsFile(const QString &path)
{
    ReadCounts read;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        read.error = QStringLiteral("cannot read %1").arg(path);
        return read;
    }
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        QString line = lines.at(i);
        if (line.endsWith(QLatin1Char('\r'))) // a checkout that turned line ends into CRLF
            line.chop(1);
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (!addRecord(line.split(QLatin1Char('\t')), read)) {
            read.error = QStringLiteral("%1:%2: not a record of lmgen %3")
                             .arg(path)
                             .arg(i + 1)
                             .arg(lmgenVersion);
            return read;
        }
    }
    double singles = 0;
    for (const double count : read.counts.single)
        singles += count;
    if (read.counts.symbols < 1000 || qint64(singles) != read.counts.symbols)
        read.error = QStringLiteral("%1: the symbol counts do not add up").arg(path);
    return read;
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

namespace {

const char usage[] =
    "usage: lmgen count [--note TEXT]... [--add COUNTS]... COUNTS CORPUS...\n"
    "       lmgen tables COUNTS OUTPUT.cpp\n"
    "\n"
    "count   reduces Russian texts (UTF-8 files) to the language model's counts and "
    "writes\n"
    "        them to COUNTS, with a header naming each text, its size and its SHA-256 and\n"
    "        each --note (say where the texts came from). Characters outside the cipher's\n"
    "        alphabet are skipped; a run of whitespace (a line break, indentation,\n"
    "        aligned columns) counts as one space. To rebuild the model from a corpus\n"
    "        of your own:\n"
    "          lmgen count --note 'my texts' analysis/data/russian.lmcounts a.txt b.txt\n"
    "        then rebuild gammacrypt; the build reads only the counts. --add takes\n"
    "        the counts (and the sources and notes) of an earlier run as they stand,\n"
    "        so a model can grow without its first texts at hand:\n"
    "          lmgen count --add old.lmcounts --note 'more texts' new.lmcounts c.txt\n"
    "tables  turns COUNTS into the C++ tables the attack scores texts with (the build\n"
    "        runs this step).\n";

Source describeSource(const QString &path, const QByteArray &bytes)
{
    return {QFileInfo(path).fileName(), bytes.size(),
            QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex()};
}

bool writeFile(const QString &path, const QString &text)
{
    QFile output(path);
    if (!output.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QByteArray bytes = text.toUtf8();
    return output.write(bytes) == bytes.size() && output.flush();
}

int runCount(const QStringList &arguments)
{
    QStringList notes;
    QStringList paths;
    QStringList earlier;
    for (int i = 0; i < arguments.size(); ++i) {
        if (arguments.at(i) == QLatin1String("--note") && i + 1 < arguments.size())
            notes << arguments.at(++i);
        else if (arguments.at(i) == QLatin1String("--add") && i + 1 < arguments.size())
            earlier << arguments.at(++i);
        else
            paths << arguments.at(i);
    }
    if (paths.isEmpty() || paths.size() + earlier.size() < 2) {
        std::fputs(usage, stderr);
        return 2;
    }
    Counts total;
    QVector<Source> sources;
    QStringList earlierNotes;
    for (const QString &path : earlier) {
        const ReadCounts read = readCountsFile(path);
        if (!read.error.isEmpty()) {
            std::fprintf(stderr, "lmgen: %s\n", qPrintable(read.error));
            return 1;
        }
        addCounts(total, read.counts);
        sources << read.sources;
        earlierNotes << read.notes;
    }
    notes = earlierNotes + notes;
    for (int i = 1; i < paths.size(); ++i) {
        QFile input(paths.at(i));
        if (!input.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "lmgen: cannot read %s\n", qPrintable(paths.at(i)));
            return 1;
        }
        const QByteArray bytes = input.readAll();
        sources << describeSource(paths.at(i), bytes);
        addCounts(total, countSymbols(QString::fromUtf8(bytes)));
    }
    if (total.symbols < 1000) {
        std::fprintf(stderr, "lmgen: the texts hold too little Russian text\n");
        return 1;
    }
    if (!writeFile(paths.first(), countsFileText(total, sources, notes))) {
        std::fprintf(stderr, "lmgen: cannot write %s\n", qPrintable(paths.first()));
        return 1;
    }
    return 0;
}

int runTables(const QStringList &arguments)
{
    if (arguments.size() != 2) {
        std::fputs(usage, stderr);
        return 2;
    }
    const ReadCounts read = readCountsFile(arguments.at(0));
    if (!read.error.isEmpty()) {
        std::fprintf(stderr, "lmgen: %s\n", qPrintable(read.error));
        return 1;
    }
    const std::vector<std::pair<quint64, quint32>> words = hashedWordCounts(read.counts);
    if (words.empty()) {
        std::fprintf(stderr, "lmgen: two word forms share a hash\n");
        return 1;
    }
    QStringList sourceNames;
    for (const Source &source : read.sources)
        sourceNames << source.name;
    const QString name = QFileInfo(arguments.at(0)).fileName() + QStringLiteral(" (") +
                         sourceNames.join(QStringLiteral(", ")) + QLatin1Char(')');
    if (!writeFile(arguments.at(1), tablesSource(read.counts, words, name))) {
        std::fprintf(stderr, "lmgen: cannot write %s\n", qPrintable(arguments.at(1)));
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const QString mode = arguments.value(0);
    if (mode == QLatin1String("--help") || mode == QLatin1String("-h")) {
        std::fputs(usage, stdout);
        return 0;
    }
    if (mode == QLatin1String("count"))
        return runCount(arguments.mid(1));
    if (mode == QLatin1String("tables"))
        return runTables(arguments.mid(1));
    std::fputs(usage, stderr);
    return 2;
}
