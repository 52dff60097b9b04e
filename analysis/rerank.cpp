// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "rerank.h"

#include "keypattern.h"
#include "keyprior.h"
#include "languagemodel.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace analysis {

double tripleScore(const QByteArray &letters)
{
    double score = 0;
    int before = lineStartContext;
    int previous = lineStartContext;
    for (const char letter : letters) {
        const int q = quint8(letter);
        score += tripleLogProbability[before][previous][q];
        before = previous;
        previous = q;
    }
    return score;
}

QByteArray plainLetters(const SearchedLine &line, const QVector<int> &gamma)
{
    QByteArray letters;
    letters.reserve(line.length);
    for (int i = 0; i < line.length; ++i) {
        if (line.code[i] >= 0)
            letters.append(char(line.code[i] ^ gamma[i]));
    }
    return letters;
}

namespace {

class Ranking
{
public:
    Ranking(const SearchedLine &line, const std::vector<Placement> &placements, int top)
        : line(line), placements(placements), top(top)
    {
    }

    // The search ranks with the triples and with each key's own prior. Its best texts, the
    // texts that the typed keys of their residue classes give, and the line as it stands are
    // ranked again: with the longer contexts, which tell a real first word from a plausible
    // run of letters where the keystream leaves the line's first letters to the model alone,
    // and with the share of all keys that give each keystream, which counts a keystream that
    // many keys share (a long run of zeros hides the residues under it; weak keys leave the
    // whole line as it stands) as often as it occurs.
    std::vector<FoundText> rank(const std::vector<FoundText> &pool)
    {
        std::vector<Reranked> candidates;
        for (const FoundText &entry : pool) {
            candidates.push_back({entry.score - tripleScore(entry.letters),
                                  patternOfKey(entry.key, line.length), entry.key, entry.letters,
                                  lineLogProbability(entry.letters), 0, entry.cribPosition});
        }
        std::vector<Reranked> relatives = typedRelatives(candidates);
        for (Reranked &relative : relatives) {
            relative.textLog = lineLogProbability(relative.letters);
            relative.score = relative.ownPrior + relative.textLog;
        }
        std::sort(relatives.begin(), relatives.end(),
                  [](const Reranked &x, const Reranked &y) { return x.score > y.score; });
        if (int(relatives.size()) > relativesReranked)
            relatives.resize(relativesReranked);
        candidates.insert(candidates.end(), relatives.begin(), relatives.end());
        if (std::optional<Reranked> asItStands = lineAsItStands(candidates))
            candidates.push_back(*asItStands);

        // A line of few letters leaves too many walks to weigh: then each text keeps the prior
        // of the pattern that gave it, for all alike.
        std::vector<double> priors;
        qint64 stepsLeft = priorStepBudget;
        for (const Reranked &candidate : candidates) {
            const std::optional<double> prior =
                keystreamLogPrior(requiredGamma(candidate.letters), stepsLeft);
            if (!prior) {
                priors.clear();
                break;
            }
            priors.push_back(*prior);
        }
        for (std::size_t k = 0; k < candidates.size(); ++k) {
            Reranked &candidate = candidates[k];
            candidate.score = candidate.textLog + (priors.empty() ? candidate.ownPrior : priors[k]);
        }
        std::sort(candidates.begin(), candidates.end(),
                  [](const Reranked &x, const Reranked &y) { return x.score > y.score; });
        const double total = logSumOfScores(candidates);
        std::vector<FoundText> ranked;
        for (const Reranked &candidate : candidates) {
            if (int(ranked.size()) == top)
                break;
            const std::optional<GammaKey> key =
                candidate.key ? candidate.key : realisePattern(candidate.pattern, line.length);
            if (key)
                ranked.push_back(FoundText{candidate.score, *key, candidate.letters,
                                           candidate.cribPosition,
                                           std::exp(candidate.score - total)});
        }
        return ranked;
    }

    struct Reranked
    {
        double ownPrior = 0; // the prior of the one pattern that gave the text
        SignPattern pattern;
        std::optional<GammaKey> key; // realised when the text makes the list
        QByteArray letters;
        double textLog = 0; // how much the letters read like Russian, words included
        double score = 0;
        int cribPosition = -1;
    };

    // The walks of every text's prior together, about a second: a line of few letters
    // among many other characters would otherwise take that for each text.
    static constexpr qint64 priorStepBudget = 24'000'000;

    // Typed relatives beyond this many, best first by their own prior, are not ranked again:
    // the full prior costs a walk through every residue class.
    static constexpr int relativesReranked = 8;

    // ln Σ exp(score) over the weighed texts: the posterior they hold together.
    static double logSumOfScores(const std::vector<Reranked> &candidates)
    {
        if (candidates.empty())
            return 0;
        const double top = candidates.front().score;
        double sum = 0;
        for (const Reranked &candidate : candidates)
            sum += std::exp(candidate.score - top);
        return top + std::log(sum);
    }

    static bool holdsLetters(const std::vector<Reranked> &candidates, const QByteArray &letters)
    {
        return std::any_of(candidates.begin(), candidates.end(),
                           [&letters](const Reranked &c) { return c.letters == letters; });
    }

    // Where the crib stands in the gamma's text (−1 without a crib), if the text fits.
    std::optional<int> fitsKnown(const QVector<int> &gamma) const
    {
        for (const Placement &placement : placements) {
            bool fits = true;
            for (int i = 0; i < line.length && fits; ++i)
                fits = placement.forced[i] < 0 || placement.forced[i] == gamma[i];
            if (fits)
                return placement.cribPosition;
        }
        return std::nullopt;
    }

    // The texts that typed keys of the candidates' residue classes give, other than theirs.
    std::vector<Reranked> typedRelatives(const std::vector<Reranked> &candidates) const
    {
        std::vector<int> classes;
        for (const Reranked &candidate : candidates) {
            const int index =
                residueClassIndex(candidate.pattern.a, candidate.pattern.c, candidate.pattern.r0);
            if (std::find(classes.begin(), classes.end(), index) == classes.end())
                classes.push_back(index);
        }
        std::vector<Reranked> relatives;
        for (const int index : classes) {
            for (const PriorPattern &typed : typedFamily(index, line.length)) {
                const std::optional<QVector<int>> gamma = patternGamma(typed.pattern, line.length);
                if (!gamma)
                    continue;
                const std::optional<int> crib = fitsKnown(*gamma);
                if (!crib)
                    continue;
                const QByteArray letters = plainLetters(line, *gamma);
                if (holdsLetters(candidates, letters) || holdsLetters(relatives, letters))
                    continue;
                relatives.push_back(
                    {typed.logPrior, typed.pattern, std::nullopt, letters, 0, 0, *crib});
            }
        }
        return relatives;
    }

    // The line as it stands: gamma 0 at every position, as weak keys give. Typed keys of the
    // class A = 1, C = 0, T0 = 1 (mod 32) with T(1) negative and C < A never leave state −31.
    std::optional<Reranked> lineAsItStands(const std::vector<Reranked> &candidates) const
    {
        const QVector<int> zeros(line.length, 0);
        const std::optional<int> crib = fitsKnown(zeros);
        if (!crib)
            return std::nullopt;
        const QByteArray letters = plainLetters(line, zeros);
        if (holdsLetters(candidates, letters))
            return std::nullopt;
        const auto negative = [](int t) { return t < 0; };
        const SignPattern pattern = patternOfSigns(1, 0, 1, false, true, negative, line.length);
        const double ownPrior = std::log(nonWrappingSeedOutShare(true, true) * ratioProbability(0));
        return Reranked{ownPrior, pattern, std::nullopt, letters, lineLogProbability(letters),
                        0,        *crib};
    }

    // The gamma code the text requires at each position; −1 where any would do.
    std::vector<qint8> requiredGamma(const QByteArray &letters) const
    {
        std::vector<qint8> required(line.length, -1);
        for (int i = 0, k = 0; i < line.length; ++i) {
            if (line.code[i] >= 0)
                required[i] = qint8(line.code[i] ^ quint8(letters.at(k++)));
        }
        return required;
    }

    const SearchedLine &line;
    const std::vector<Placement> &placements;
    const int top;
};

} // namespace

std::vector<FoundText> rankFoundTexts(const SearchedLine &line,
                                      const std::vector<Placement> &placements,
                                      const std::vector<FoundText> &found, int top)
{
    return Ranking(line, placements, top).rank(found);
}

} // namespace analysis
