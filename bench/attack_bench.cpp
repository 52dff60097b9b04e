// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

// attack_bench: the ciphertext-only and known-plaintext attacks on lines of Russian prose
// that the language model never saw, under keys people type and under uniform keys.
// Prints, per kind of key, the share of lines whose best candidate is exact, the share of
// letters right, and the time per line (median and worst). Single-threaded: one core.

#include "alphabet.h"
#include "gamma.h"
#include "keysearch.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <random>

namespace {

// Lines of 150..209 characters cut at spaces from the text's paragraphs (the title line
// and the chapter numbers left out).
QStringList proseLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList paragraphs = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    paragraphs.removeFirst();
    QStringList words;
    for (const QString &paragraph : paragraphs) {
        if (paragraph.trimmed().size() >= 20)
            words += paragraph.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    }
    QStringList lines;
    QString line;
    for (const QString &word : words) {
        const int target = 150 + (lines.size() * 37) % 60;
        if (line.size() >= 150 && line.size() + 1 + word.size() > target) {
            lines << line;
            line.clear();
        }
        line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
    }
    return lines;
}

enum class KeyKind { Typed, Uniform, Known };

GammaKey drawKey(KeyKind kind, std::mt19937 &random)
{
    if (kind == KeyKind::Uniform) {
        std::uniform_int_distribution<qint32> any(std::numeric_limits<qint32>::min(),
                                                  std::numeric_limits<qint32>::max());
        return {any(random), any(random), any(random)};
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
    std::vector<qint64> milliseconds;
};

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
        QElapsedTimer timer;
        timer.start();
        const analysis::AttackResult result = analysis::attackLine(cipher, settings);
        figures.milliseconds.push_back(timer.elapsed());
        if (qEnvironmentVariableIsSet("ATTACK_BENCH_VERBOSE") && timer.elapsed() > 1500) {
            std::fprintf(stderr,
                         "slow: %lld ms, key %d,%d,%d, classes in depth %d, patterns %lld\n",
                         timer.elapsed(), key.a, key.c, key.t0, result.classesInDepth,
                         result.patternsScored);
        }
        ++figures.lines;
        if (result.candidates.isEmpty())
            continue;
        bool allReproduce = true;
        for (const analysis::Candidate &candidate : result.candidates) {
            const GammaKey &k = candidate.key;
            allReproduce = allReproduce && gammaTransform(cipher, k.a, k.c, k.t0) == candidate.text;
        }
        figures.reproduced += allReproduce ? 1 : 0;
        const QString &best = result.candidates.first().text;
        figures.exact += best == expected ? 1 : 0;
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

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Benchmarks gammacrypt-cli attack."));
    parser.addHelpOption();
    const QCommandLineOption textOption(QStringLiteral("text"), QStringLiteral("Prose file."),
                                        QStringLiteral("path"),
                                        QStringLiteral(GAMMACRYPT_BENCH_TEXT));
    const QCommandLineOption linesOption(QStringLiteral("lines"),
                                         QStringLiteral("Lines per kind of key (0: all)."),
                                         QStringLiteral("n"), QStringLiteral("0"));
    const QCommandLineOption kindsOption(
        QStringLiteral("kinds"), QStringLiteral("typed,uniform,known (default all)."),
        QStringLiteral("list"), QStringLiteral("typed,uniform,known"));
    const QCommandLineOption seedOption(QStringLiteral("seed"), QStringLiteral("GammaKey seed."),
                                        QStringLiteral("n"), QStringLiteral("2026"));
    const QCommandLineOption beamOption(QStringLiteral("beam"), QStringLiteral("Beam width."),
                                        QStringLiteral("n"), QStringLiteral("2048"));
    parser.addOptions({textOption, linesOption, kindsOption, seedOption, beamOption});
    parser.process(application);

    QStringList lines = proseLines(parser.value(textOption));
    if (lines.isEmpty()) {
        std::fprintf(stderr, "attack_bench: no prose lines in %s\n",
                     qPrintable(parser.value(textOption)));
        return 1;
    }
    const int wanted = parser.value(linesOption).toInt();
    if (wanted > 0 && wanted < lines.size())
        lines = lines.mid(0, wanted);

    QTextStream out(stdout);
    out << "lines: " << lines.size() << " of 150..209 characters\n";
    out << "kind\tlines\texact %\tletters %\tkeys reproduce %\tmedian ms\tworst ms\n";
    const QStringList kinds = parser.value(kindsOption).split(QLatin1Char(','));
    for (const QString &name : kinds) {
        const KeyKind kind = name == QLatin1String("uniform") ? KeyKind::Uniform
                             : name == QLatin1String("known") ? KeyKind::Known
                                                              : KeyKind::Typed;
        Figures figures = runKind(kind, lines, parser.value(seedOption).toUInt(),
                                  parser.value(beamOption).toInt());
        std::sort(figures.milliseconds.begin(), figures.milliseconds.end());
        const qint64 median = figures.milliseconds[figures.milliseconds.size() / 2];
        out << name << '\t' << figures.lines << '\t'
            << QString::number(100.0 * figures.exact / figures.lines, 'f', 1) << '\t'
            << QString::number(100.0 * figures.letterShare / figures.lines, 'f', 2) << '\t'
            << QString::number(100.0 * figures.reproduced / figures.lines, 'f', 1) << '\t' << median
            << '\t' << figures.milliseconds.back() << '\n';
        out.flush();
    }
    return 0;
}
