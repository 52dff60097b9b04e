// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

// attack_bench: the ciphertext-only and known-plaintext attacks on lines of Russian text
// that the language model never saw (see benchtexts.h), by genre and line length, under
// keys a class types, keys people type and uniform keys. Prints, per genre, length and kind
// of key, the share of lines whose best candidate is exact, the share of letters right, and
// the processor time per line (median and worst). Single-threaded: one core.

#include "alphabet.h"
#include "benchtexts.h"
#include "gamma.h"
#include "keysearch.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>
#include <QTextStream>

#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <random>

namespace {

enum class KeyKind { Class, Typed, Uniform, Known, Crib };

GammaKey drawKey(KeyKind kind, std::mt19937 &random)
{
    if (kind == KeyKind::Uniform) {
        std::uniform_int_distribution<qint32> any(std::numeric_limits<qint32>::min(),
                                                  std::numeric_limits<qint32>::max());
        return {any(random), any(random), any(random)};
    }
    if (kind == KeyKind::Class) {
        std::uniform_int_distribution<qint32> small(0, 99);
        return {small(random), small(random), small(random)};
    }
    std::uniform_int_distribution<qint32> typed(0, 1000000);
    return {typed(random), typed(random), typed(random)};
}

struct Figures
{
    int lines = 0;
    int exact = 0;
    double letterShare = 0;
    int reproduced = 0;
    int searchMisses = 0;   // the truth outscores the printed first candidate
    int falseNoKey = 0;     // no candidate although the line's own key fits
    int confident = 0;      // first candidates shown at 90 % or more
    int confidentRight = 0; // of those, the exact ones
    int exhaustive = 0;     // searches that did not stop early
    std::vector<qint64> milliseconds;
};

// The thread's processor time: on a machine other work shares, the wall clock would time
// the neighbours too.
qint64 cpuMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1'000'000;
}

// Ten characters from the line's middle, for the crib runs.
QString middleCrib(const QString &plain)
{
    const int length = std::min<int>(10, plain.size());
    return plain.mid((plain.size() - length) / 2, length);
}

Figures runKind(KeyKind kind, const QStringList &lines, quint32 seed, int beamWidth)
{
    std::mt19937 random(seed);
    Figures figures;
    for (const QString &plain : lines) {
        const GammaKey key = drawKey(kind, random);
        const QString cipher = gammaTransform(plain, key.a, key.c, key.t0);
        const QString expected = gammaTransform(cipher, key.a, key.c, key.t0);
        analysis::AttackSettings settings;
        settings.beamWidth = beamWidth;
        if (kind == KeyKind::Known)
            settings.known = plain.left(12);
        if (kind == KeyKind::Crib)
            settings.crib = middleCrib(plain);
        const qint64 started = cpuMilliseconds();
        const analysis::AttackResult result = analysis::attackLine(cipher, settings);
        const qint64 spent = cpuMilliseconds() - started;
        figures.milliseconds.push_back(spent);
        if (qEnvironmentVariableIsSet("ATTACK_BENCH_VERBOSE") && spent > 1500) {
            std::fprintf(stderr,
                         "slow: %lld ms, key %d,%d,%d, classes in depth %d, patterns %lld\n%s\n",
                         spent, key.a, key.c, key.t0, result.classesInDepth, result.patternsScored,
                         qPrintable(plain));
        }
        ++figures.lines;
        figures.exhaustive += result.exhaustive ? 1 : 0;
        if (result.candidates.isEmpty()) {
            figures.falseNoKey += result.problem != analysis::AttackProblem::NotFound ? 1 : 0;
            continue;
        }
        bool allReproduce = true;
        for (const analysis::Candidate &candidate : result.candidates) {
            const GammaKey &k = candidate.key;
            allReproduce = allReproduce && gammaTransform(cipher, k.a, k.c, k.t0) == candidate.text;
        }
        figures.reproduced += allReproduce ? 1 : 0;
        const QString &best = result.candidates.first().text;
        figures.exact += best == expected ? 1 : 0;
        if (result.candidates.first().confidence >= 0.9) {
            ++figures.confident;
            figures.confidentRight += best == expected ? 1 : 0;
        }
        if (best != expected && (kind != KeyKind::Known && kind != KeyKind::Crib)) {
            const std::optional<double> truth = analysis::textScore(cipher, key);
            if (truth && *truth > result.candidates.first().score + 1e-6) {
                ++figures.searchMisses;
                if (qEnvironmentVariableIsSet("ATTACK_BENCH_VERBOSE"))
                    std::fprintf(stderr, "search miss: the truth scores %.1f\n", *truth);
            }
        }
        if (best != expected && qEnvironmentVariableIsSet("ATTACK_BENCH_VERBOSE")) {
            const GammaKey &k = result.candidates.first().key;
            int rank = 0;
            for (int r = 0; r < result.candidates.size(); ++r)
                rank = result.candidates.at(r).text == expected ? r + 1 : rank;
            std::fprintf(stderr, "key %d,%d,%d found %d,%d,%d score %.1f rank %d\n%s\n%s\n", key.a,
                         key.c, key.t0, k.a, k.c, k.t0, result.candidates.first().score, rank,
                         qPrintable(expected), qPrintable(best));
        }
        int letters = 0;
        int right = 0;
        for (int i = 0; i < expected.size(); ++i) {
            if (!lookupCode(expected.at(i)))
                continue;
            ++letters;
            right += best.at(i) == expected.at(i) ? 1 : 0;
        }
        figures.letterShare += letters > 0 ? double(right) / letters : 1.0;
    }
    return figures;
}

KeyKind kindNamed(const QString &name)
{
    return name == QLatin1String("class")     ? KeyKind::Class
           : name == QLatin1String("uniform") ? KeyKind::Uniform
           : name == QLatin1String("known")   ? KeyKind::Known
           : name == QLatin1String("crib")    ? KeyKind::Crib
                                              : KeyKind::Typed;
}

void printRow(QTextStream &out, const QString &cell, Figures figures)
{
    std::sort(figures.milliseconds.begin(), figures.milliseconds.end());
    const qint64 median = figures.milliseconds[figures.milliseconds.size() / 2];
    out << cell << '\t' << figures.lines << '\t'
        << QString::number(100.0 * figures.exact / figures.lines, 'f', 1) << '\t'
        << QString::number(100.0 * figures.letterShare / figures.lines, 'f', 2) << '\t'
        << QString::number(100.0 * figures.reproduced / figures.lines, 'f', 1) << '\t' << median
        << '\t' << figures.milliseconds.back() << '\t' << figures.searchMisses << '\t'
        << figures.falseNoKey << '\t' << figures.confidentRight << '/' << figures.confident << '\t'
        << figures.exhaustive << '\n';
    out.flush();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Benchmarks gammacrypt-cli attack on lines from Debian packages of Russian text "
        "(literature: fortunes-ru; technical: manpages-ru)."));
    parser.addHelpOption();
    const QCommandLineOption genresOption(
        QStringLiteral("genres"), QStringLiteral("literature,technical (default both)."),
        QStringLiteral("list"), QStringLiteral("literature,technical"));
    const QCommandLineOption lengthsOption(QStringLiteral("lengths"),
                                           QStringLiteral("Line lengths in characters (±20 %)."),
                                           QStringLiteral("list"), QStringLiteral("15,40,100,200"));
    const QCommandLineOption linesOption(QStringLiteral("lines"),
                                         QStringLiteral("Lines per genre, length and kind of key."),
                                         QStringLiteral("n"), QStringLiteral("30"));
    const QCommandLineOption kindsOption(
        QStringLiteral("kinds"),
        QStringLiteral("class (0..99),typed (0..10^6),uniform (32-bit),known (first 12 characters),"
                       "crib (10 from the middle, typed keys) (default all)."),
        QStringLiteral("list"), QStringLiteral("class,typed,uniform,known,crib"));
    const QCommandLineOption seedOption(QStringLiteral("seed"),
                                        QStringLiteral("Seed of the lines and keys."),
                                        QStringLiteral("n"), QStringLiteral("2026"));
    const QCommandLineOption beamOption(QStringLiteral("beam"), QStringLiteral("Beam width."),
                                        QStringLiteral("n"), QStringLiteral("2048"));
    const QCommandLineOption showOption(QStringLiteral("show-lines"),
                                        QStringLiteral("Print the chosen lines, attack none."));
    parser.addOptions({genresOption, lengthsOption, linesOption, kindsOption, seedOption,
                       beamOption, showOption});
    parser.process(application);

    const quint32 seed = parser.value(seedOption).toUInt();
    const int perCell = std::max(1, parser.value(linesOption).toInt());
    QTextStream out(stdout);
    if (!parser.isSet(showOption))
        out << "genre\tlength\tkind\tlines\texact %\tletters %\tkeys reproduce %\tmedian "
               "ms\tworst ms\tsearch misses\tfalse no key\tright at >=90 %\tnot stopped early\n";
    int cells = 0;
    for (const QString &genreName : parser.value(genresOption).split(QLatin1Char(','))) {
        const std::optional<bench::Genre> genre = bench::genreNamed(genreName);
        if (!genre) {
            std::fprintf(stderr, "attack_bench: no genre %s\n", qPrintable(genreName));
            return 2;
        }
        const bench::GenreSource source = bench::genreSource(*genre);
        const QStringList passages = bench::genrePassages(*genre);
        if (passages.isEmpty()) {
            std::fprintf(stderr,
                         "attack_bench: %s skipped: no texts in %s (is the Debian package %s "
                         "installed? tools/setup.sh test installs it)\n",
                         qPrintable(source.name), qPrintable(source.folder),
                         qPrintable(source.package));
            continue;
        }
        for (const QString &lengthText : parser.value(lengthsOption).split(QLatin1Char(','))) {
            const int length = lengthText.toInt();
            const QStringList lines = bench::benchLines(passages, length, perCell, seed + length);
            if (lines.isEmpty()) {
                std::fprintf(stderr, "attack_bench: %s has no lines of about %d characters\n",
                             qPrintable(source.name), length);
                continue;
            }
            if (parser.isSet(showOption)) {
                for (const QString &line : lines)
                    out << source.name << '\t' << length << '\t' << line << '\n';
                ++cells;
                continue;
            }
            for (const QString &kind : parser.value(kindsOption).split(QLatin1Char(','))) {
                const QString cell =
                    QStringLiteral("%1\t%2\t%3").arg(source.name).arg(length).arg(kind);
                printRow(out, cell,
                         runKind(kindNamed(kind), lines, seed, parser.value(beamOption).toInt()));
                ++cells;
            }
        }
    }
    struct rusage usage
    {
    };
    getrusage(RUSAGE_SELF, &usage);
    out << "peak memory of the whole run: " << usage.ru_maxrss / 1024 << " MiB\n";
    return cells > 0 ? 0 : 1;
}
