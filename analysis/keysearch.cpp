// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "keysearch.h"

#include "alphabet.h"
#include "gamma.h"
#include "keyprior.h"
#include "languagemodel.h"

#include <QByteArray>
#include <QElapsedTimer>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numeric>
#include <utility>
#include <vector>

namespace analysis {

namespace {

constexpr int residueClassCount = 32 * 32 * 32;
constexpr float impossible = -std::numeric_limits<float>::infinity();

// Past this much work (hypotheses times positions) the sign search stops taking new
// residue classes; it bounds the time a line can take.
constexpr qint64 workBudget = 30'000'000;

struct SearchedLine
{
    std::vector<qint8> code;         // the alphabet code at each position, or −1
    std::vector<qint8> forced;       // the gamma code the known beginning requires, or −1
    std::vector<int> lettersThrough; // alphabet positions among 0..i
    int length = 0;
    int letterCount = 0;
};

// False when the known beginning cannot be the plain text of this line under any key.
bool applyKnown(const QString &cipher, const QString &known, SearchedLine &line)
{
    if (known.size() > cipher.size())
        return false;
    for (int i = 0; i < known.size(); ++i) {
        const std::optional<int> cipherCode = lookupCode(cipher.at(i));
        const std::optional<int> plainCode = lookupCode(known.at(i));
        if (!cipherCode || !plainCode) {
            if (cipher.at(i) != known.at(i))
                return false;
            continue;
        }
        line.forced[i] = qint8(*cipherCode ^ *plainCode);
    }
    return true;
}

// The residues r(0..n−1) of one class.
void fillResidues(int classIndex, int n, std::vector<qint8> &residues)
{
    const int a = classIndex >> 10;
    const int c = (classIndex >> 5) & 31;
    residues.resize(n);
    int r = classIndex & 31;
    for (int i = 0; i < n; ++i) {
        residues[i] = qint8(r);
        r = (a * r + c) & 31;
    }
}

SignPattern classPattern(int classIndex)
{
    SignPattern pattern;
    pattern.a = classIndex >> 10;
    pattern.c = (classIndex >> 5) & 31;
    pattern.r0 = classIndex & 31;
    return pattern;
}

// The best the model gives a letter after a given one, whatever came before it: scoring
// with this never falls below scoring with the full context, and it fits in the first-level
// cache, which matters when all 32768 classes are screened.
using PairTable = std::array<std::array<float, alphabetSize>, alphabetSize>;

const PairTable &bestAfterLetter()
{
    static const PairTable table = [] {
        PairTable best;
        for (int y = 0; y < alphabetSize; ++y) {
            for (int q = 0; q < alphabetSize; ++q) {
                best[y][q] = impossible;
                for (int x = 0; x < alphabetSize; ++x)
                    best[y][q] = std::max(best[y][q], tripleLogProbability[x][y][q]);
            }
        }
        return best;
    }();
    return table;
}

// The best score any keystream of the class could reach if every position could take its
// gamma (r(i) or 0) freely: an upper bound on every sign pattern of the class.
float classBound(const SearchedLine &line, const std::vector<qint8> &residues,
                 const PairTable &pairs)
{
    float score[2] = {0, impossible};
    int letter[2] = {lineStartContext, lineStartContext};
    for (int i = 0; i < line.length; ++i) {
        const int code = line.code[i];
        if (code < 0)
            continue;
        const int options[2] = {residues[i], 0};
        const int optionCount = residues[i] == 0 ? 1 : 2;
        float nextScore[2] = {impossible, impossible};
        int nextLetter[2] = {0, 0};
        for (int o = 0; o < optionCount; ++o) {
            if (line.forced[i] >= 0 && line.forced[i] != options[o])
                continue;
            const int q = code ^ options[o];
            nextLetter[o] = q;
            nextScore[o] = std::max(score[0] + pairs[letter[0]][q], score[1] + pairs[letter[1]][q]);
        }
        if (nextScore[0] == impossible && nextScore[1] == impossible)
            return impossible;
        std::copy(nextScore, nextScore + 2, score);
        std::copy(nextLetter, nextLetter + 2, letter);
    }
    return std::max(score[0], score[1]);
}

float gammaScore(const SearchedLine &line, const QVector<int> &gamma)
{
    float score = 0;
    int before = lineStartContext;
    int previous = lineStartContext;
    for (int i = 0; i < line.length; ++i) {
        if (line.forced[i] >= 0 && line.forced[i] != gamma[i])
            return impossible;
        if (line.code[i] < 0)
            continue;
        const int q = line.code[i] ^ gamma[i];
        score += tripleLogProbability[before][previous][q];
        before = previous;
        previous = q;
    }
    return score;
}

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

struct PriorPattern
{
    SignPattern pattern;
    double logPrior = 0;
};

// The sign patterns of one residue class that typed keys give, with their priors.
// Non-negative keys without wrap-around in the states: every non-negative state is followed
// by a non-negative value, a negative state t by a negative one exactly when |t| > C/A; T(1)
// is negative only through a large T0.
std::vector<PriorPattern> typedFamily(int index, int length)
{
    std::vector<PriorPattern> family;
    const SignPattern base = classPattern(index);
    const auto never = [](int) { return false; };
    const bool firstMatters = nextResidue(base.a, base.c, base.r0) != 0 && length > 1;
    for (const bool seedInRange : {true, false}) {
        // A seed in 0..31 leaves T(1) non-negative; a larger one may wrap.
        const double first = (seedInRange || !firstMatters) ? 0.0 : logHalf;
        family.push_back(
            {patternOfSigns(base.a, base.c, base.r0, seedInRange, false, never, length),
             typedLogPrior + seedLogPrior(seedInRange) + first});
    }
    if (!firstMatters)
        return family;
    // Ratios that give the same walk share one pattern and add up their odds.
    SignPattern group;
    double groupProbability = 0;
    const auto addGroup = [&] {
        if (groupProbability > 0)
            family.push_back({group, typedLogPrior + seedLogPrior(false) + logHalf +
                                         std::log(groupProbability)});
    };
    for (int ratio = 0; ratio <= 32; ++ratio) {
        const auto beyondRatio = [ratio](int t) { return t < 0 && -t > ratio; };
        const SignPattern pattern =
            patternOfSigns(base.a, base.c, base.r0, false, true, beyondRatio, length);
        if (groupProbability > 0 && pattern.assigned == group.assigned &&
            pattern.negative == group.negative) {
            groupProbability += ratioProbability(ratio);
            continue;
        }
        addGroup();
        group = pattern;
        groupProbability = ratioProbability(ratio);
    }
    addGroup();
    return family;
}

struct PoolEntry
{
    double score = 0;
    GammaKey key;
    QByteArray letters;
};

// One state of the sign search: the signs fixed so far and where the walk stands.
struct Hypothesis
{
    quint64 assigned = 0;
    quint64 negative = 0;
    float score = 0;
    qint8 state = 0;  // T(i) at the position just scored
    qint8 before = 0; // the two last plain letters, the model's context
    qint8 letter = 0;
    quint8 options = 0; // which gamma gave them: bit 0 the last, bit 1 the one before; 1 = zero
    bool seedInRange = false;
    bool firstNegative = false;
};

class Search
{
public:
    Search(const SearchedLine &line, const AttackSettings &settings, AttackResult &result)
        : line(line), settings(settings), result(result), keep(settings.top + 2)
    {
    }

    void run()
    {
        looseBounds.resize(residueClassCount);
        exactBounds.assign(residueClassCount, std::numeric_limits<float>::quiet_NaN());
        std::vector<qint8> residues;
        const PairTable &pairs = bestAfterLetter();
        for (int index = 0; index < residueClassCount; ++index) {
            if (index % progressStride == 0) {
                if (cancelled())
                    return;
                reportProgress(index);
            }
            fillResidues(index, line.length, residues);
            looseBounds[index] = classBound(line, residues, pairs);
        }
        result.residueClasses = residueClassCount;

        // The keys people type first: few patterns per class, each cheap to score.
        progressBase = residueClassCount;
        visitClasses(typedLogPrior, [this](int index) {
            typedPatterns(index);
            return true;
        });
        // Then every sign pattern, class by class while a class could still beat the list.
        progressBase = 2 * residueClassCount;
        qint64 work = 0;
        visitClasses(freeLogPrior, [this, &work](int index) {
            work += signSearch(index);
            ++result.classesInDepth;
            return work <= workBudget;
        });
        if (!result.cancelled)
            reportProgress(progressTotal);
    }

    // The search reports three passes over the residue classes: the screening, the typed
    // keys, the sign search; a pass that ends early jumps to its end.
    static constexpr int progressTotal = 3 * residueClassCount;
    // Classes between two progress reports or cancel checks in the screening, which takes
    // a few microseconds a class.
    static constexpr int progressStride = 256;

    void reportProgress(int done) const
    {
        if (settings.progress)
            settings.progress(std::min(done, progressTotal), progressTotal);
    }

    bool cancelled()
    {
        if (!result.cancelled && settings.cancel &&
            settings.cancel->load(std::memory_order_relaxed))
            result.cancelled = true;
        return result.cancelled;
    }

    // Visits the classes best bound first while the bound plus prior could still make the
    // list. The screening bound is cheap and loose; a class that comes up is bounded again
    // with the full model and put back, so that only classes whose full bound is high are
    // visited, and only those near the top get the full bound computed at all.
    template <typename Visit> void visitClasses(float prior, const Visit &visit)
    {
        std::vector<std::pair<float, int>> heap; // (bound, index·2 + 1 when the bound is full)
        heap.reserve(residueClassCount);
        for (int index = 0; index < residueClassCount; ++index) {
            const bool exact = !std::isnan(exactBounds[index]);
            heap.emplace_back(exact ? exactBounds[index] : looseBounds[index],
                              index * 2 + (exact ? 1 : 0));
        }
        std::make_heap(heap.begin(), heap.end());
        int visited = 0;
        while (!heap.empty()) {
            if (cancelled())
                return;
            std::pop_heap(heap.begin(), heap.end());
            const auto [bound, code] = heap.back();
            heap.pop_back();
            if (bound == impossible || double(bound + prior) <= threshold())
                return;
            const int index = code / 2;
            if (code % 2 == 0) {
                std::vector<qint8> residues;
                fillResidues(index, line.length, residues);
                lastBounds = remainingBounds(residues);
                lastBoundsIndex = index;
                exactBounds[index] = lastBounds[0][0];
                heap.emplace_back(exactBounds[index], index * 2 + 1);
                std::push_heap(heap.begin(), heap.end());
                continue;
            }
            if (!visit(index) || cancelled())
                return;
            if (++visited % 16 == 0)
                reportProgress(progressBase + visited);
        }
    }

    // The search ranks with the triples and with each key's own prior. Its best texts, the
    // texts that the typed keys of their residue classes give, and the line as it stands are
    // ranked again: with the longer contexts, which tell a real first word from a plausible
    // run of letters where the keystream leaves the line's first letters to the model alone,
    // and with the share of all keys that give each keystream, which counts a keystream that
    // many keys share (a long run of zeros hides the residues under it; weak keys leave the
    // whole line as it stands) as often as it occurs.
    std::vector<PoolEntry> best()
    {
        std::vector<Reranked> candidates;
        for (const PoolEntry &entry : pool) {
            candidates.push_back({entry.score - tripleScore(entry.letters),
                                  patternOfKey(entry.key, line.length), entry.key, entry.letters,
                                  lineLogProbability(entry.letters)});
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
        for (const Reranked &candidate : candidates) {
            const std::optional<double> prior = keystreamLogPrior(requiredGamma(candidate.letters));
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
        std::vector<PoolEntry> ranked;
        for (const Reranked &candidate : candidates) {
            if (int(ranked.size()) == settings.top)
                break;
            const std::optional<GammaKey> key =
                candidate.key ? candidate.key : realisePattern(candidate.pattern, line.length);
            if (key)
                ranked.push_back(PoolEntry{candidate.score, *key, candidate.letters});
        }
        return ranked;
    }

private:
    struct Reranked
    {
        double ownPrior = 0; // the prior of the one pattern that gave the text
        SignPattern pattern;
        std::optional<GammaKey> key; // realised when the text makes the list
        QByteArray letters;
        double textLog = 0; // how much the letters read like Russian, words included
        double score = 0;
    };

    // Typed relatives beyond this many, best first by their own prior, are not ranked again:
    // the full prior costs a walk through every residue class.
    static constexpr int relativesReranked = 8;

    static bool holdsLetters(const std::vector<Reranked> &candidates, const QByteArray &letters)
    {
        return std::any_of(candidates.begin(), candidates.end(),
                           [&letters](const Reranked &c) { return c.letters == letters; });
    }

    bool fitsKnown(const QVector<int> &gamma) const
    {
        for (int i = 0; i < line.length; ++i) {
            if (line.forced[i] >= 0 && line.forced[i] != gamma[i])
                return false;
        }
        return true;
    }

    // The texts that typed keys of the candidates' residue classes give, other than theirs.
    std::vector<Reranked> typedRelatives(const std::vector<Reranked> &candidates) const
    {
        std::vector<int> classes;
        for (const Reranked &candidate : candidates) {
            const int index =
                (candidate.pattern.a << 10) | (candidate.pattern.c << 5) | candidate.pattern.r0;
            if (std::find(classes.begin(), classes.end(), index) == classes.end())
                classes.push_back(index);
        }
        std::vector<Reranked> relatives;
        for (const int index : classes) {
            for (const PriorPattern &typed : typedFamily(index, line.length)) {
                const std::optional<QVector<int>> gamma = patternGamma(typed.pattern, line.length);
                if (!gamma || !fitsKnown(*gamma))
                    continue;
                const QByteArray letters = plainLetters(line, *gamma);
                if (holdsLetters(candidates, letters) || holdsLetters(relatives, letters))
                    continue;
                relatives.push_back({typed.logPrior, typed.pattern, std::nullopt, letters});
            }
        }
        return relatives;
    }

    // The line as it stands: gamma 0 at every position, as weak keys give. Typed keys of the
    // class A = 1, C = 0, T0 = 1 (mod 32) with T(1) negative and C < A never leave state −31.
    std::optional<Reranked> lineAsItStands(const std::vector<Reranked> &candidates) const
    {
        const QVector<int> zeros(line.length, 0);
        if (!fitsKnown(zeros))
            return std::nullopt;
        const QByteArray letters = plainLetters(line, zeros);
        if (holdsLetters(candidates, letters))
            return std::nullopt;
        const auto negative = [](int t) { return t < 0; };
        const SignPattern pattern = patternOfSigns(1, 0, 1, false, true, negative, line.length);
        const double ownPrior =
            typedLogPrior + seedLogPrior(false) + logHalf + std::log(ratioProbability(0));
        return Reranked{ownPrior, pattern, std::nullopt, letters, lineLogProbability(letters)};
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

    double threshold() const
    {
        if (int(pool.size()) < keep)
            return -std::numeric_limits<double>::infinity();
        return std::min_element(
                   pool.begin(), pool.end(),
                   [](const PoolEntry &x, const PoolEntry &y) { return x.score < y.score; })
            ->score;
    }

    // Adds the pattern's text with its key when it makes the list; false otherwise.
    bool offer(const SignPattern &pattern, double score)
    {
        if (score <= threshold())
            return false;
        const std::optional<QVector<int>> gamma = patternGamma(pattern, line.length);
        if (!gamma)
            return false;
        const QByteArray letters = plainLetters(line, *gamma);
        const auto same = std::find_if(pool.begin(), pool.end(), [&letters](const PoolEntry &e) {
            return e.letters == letters;
        });
        if (same != pool.end() && same->score >= score)
            return false;
        const std::optional<GammaKey> key = realisePattern(pattern, line.length);
        if (!key)
            return false;
        if (same != pool.end()) {
            *same = PoolEntry{score, *key, letters};
            return true;
        }
        pool.push_back(PoolEntry{score, *key, letters});
        if (int(pool.size()) > keep) {
            pool.erase(std::min_element(
                pool.begin(), pool.end(),
                [](const PoolEntry &x, const PoolEntry &y) { return x.score < y.score; }));
        }
        return true;
    }

    void scoreAndOffer(const SignPattern &pattern, float prior)
    {
        const std::optional<QVector<int>> gamma = patternGamma(pattern, line.length);
        if (!gamma)
            return;
        ++result.patternsScored;
        const float score = gammaScore(line, *gamma);
        if (score != impossible)
            offer(pattern, double(score) + prior);
    }

    void typedPatterns(int index)
    {
        for (const PriorPattern &typed : typedFamily(index, line.length))
            scoreAndOffer(typed.pattern, float(typed.logPrior));
    }

    // Follows the walk position by position, deciding the sign after each state the first
    // time the walk leaves it (later visits follow that decision), and keeps the best
    // settings.beamWidth hypotheses. Returns the work done.
    // For every point of the line and every choice of gamma (residue or zero) at the last two
    // letters, the best score the rest of the line could still add: entry k covers the
    // letters from the k-th on. A hypothesis that cannot reach the list even so is dropped.
    std::vector<std::array<float, 4>> remainingBounds(const std::vector<qint8> &residues) const
    {
        const int m = line.letterCount;
        std::vector<std::array<qint8, 2>> letters(m + 2, {lineStartContext, lineStartContext});
        std::vector<std::array<bool, 2>> allowed(m + 2, {true, true});
        for (int i = 0, k = 2; i < line.length; ++i) {
            if (line.code[i] < 0)
                continue;
            const int r = residues[i];
            letters[k] = {qint8(line.code[i] ^ r), qint8(line.code[i])};
            allowed[k] = {line.forced[i] < 0 || line.forced[i] == r,
                          r != 0 && (line.forced[i] < 0 || line.forced[i] == 0)};
            ++k;
        }
        std::vector<std::array<float, 4>> bounds(m + 1, {0, 0, 0, 0});
        for (int k = m - 1; k >= 0; --k) {
            for (int u = 0; u < 2; ++u) {
                for (int v = 0; v < 2; ++v) {
                    float best = impossible;
                    for (int w = 0; w < 2; ++w) {
                        if (!allowed[k + 2][w])
                            continue;
                        best = std::max(best, tripleLogProbability[letters[k][u]][letters[k + 1][v]]
                                                                  [letters[k + 2][w]] +
                                                  bounds[k + 1][v * 2 + w]);
                    }
                    bounds[k][u * 2 + v] = best;
                }
            }
        }
        return bounds;
    }

    qint64 signSearch(int index)
    {
        std::vector<qint8> residues;
        fillResidues(index, line.length, residues);
        const SignPattern base = classPattern(index);
        // Usually the class was bounded just before it came up.
        if (lastBoundsIndex != index) {
            lastBounds = remainingBounds(residues);
            lastBoundsIndex = index;
        }
        const std::vector<std::array<float, 4>> &remaining = lastBounds;
        const double cut = threshold();
        std::vector<Hypothesis> current;
        std::vector<Hypothesis> next;
        qint64 work = 0;

        const auto extend = [&](Hypothesis h, int i, int value) {
            const int gamma = value >= 0 ? value : 0;
            if (line.forced[i] >= 0 && line.forced[i] != gamma)
                return;
            if (line.code[i] >= 0) {
                const int q = line.code[i] ^ gamma;
                h.score += tripleLogProbability[h.before][h.letter][q];
                h.before = h.letter;
                h.letter = qint8(q);
                const bool zeroInsteadOfResidue = gamma == 0 && residues[i] != 0;
                h.options = quint8(((h.options & 1) << 1) | (zeroInsteadOfResidue ? 1 : 0));
            }
            if (double(h.score + remaining[line.lettersThrough[i]][h.options]) <= cut)
                return;
            h.state = qint8(value);
            next.push_back(h);
        };

        for (const bool seedInRange : {true, false}) {
            Hypothesis h;
            h.seedInRange = seedInRange;
            h.before = lineStartContext;
            h.letter = lineStartContext;
            h.score = freeLogPrior + seedLogPrior(seedInRange);
            // A seed outside 0..31 has gamma 0 and is no state; T(1) then gets its own sign.
            extend(h, 0, seedInRange ? base.r0 : -1);
        }
        current.swap(next);

        for (int i = 1; i < line.length && !current.empty(); ++i) {
            if (i % 64 == 0 && cancelled())
                return work;
            next.clear();
            const int residue = residues[i];
            for (const Hypothesis &h : current) {
                if (residue == 0) {
                    extend(h, i, 0);
                    continue;
                }
                if (i == 1 && !h.seedInRange) {
                    for (const bool negativeNext : {false, true}) {
                        Hypothesis child = h;
                        child.firstNegative = negativeNext;
                        child.score += logHalf;
                        extend(child, i, negativeNext ? residue - 32 : residue);
                    }
                    continue;
                }
                const quint64 bit = quint64(1) << stateBit(h.state);
                if (h.assigned & bit) {
                    extend(h, i, (h.negative & bit) ? residue - 32 : residue);
                    continue;
                }
                for (const bool negativeNext : {false, true}) {
                    Hypothesis child = h;
                    child.assigned |= bit;
                    if (negativeNext)
                        child.negative |= bit;
                    child.score += logHalf;
                    extend(child, i, negativeNext ? residue - 32 : residue);
                }
            }
            work += qint64(next.size());
            if (int(next.size()) > settings.beamWidth) {
                std::nth_element(
                    next.begin(), next.begin() + settings.beamWidth, next.end(),
                    [](const Hypothesis &x, const Hypothesis &y) { return x.score > y.score; });
                next.resize(settings.beamWidth);
            }
            current.swap(next);
        }

        std::sort(current.begin(), current.end(),
                  [](const Hypothesis &x, const Hypothesis &y) { return x.score > y.score; });
        result.patternsScored += qint64(current.size());
        // Most sign patterns belong to no key: a few of the best are realised at most.
        int tried = 0;
        int accepted = 0;
        for (const Hypothesis &h : current) {
            if (tried == 32 || accepted == 6 || double(h.score) <= threshold())
                break;
            SignPattern pattern = base;
            pattern.seedInRange = h.seedInRange;
            pattern.firstNegative = h.firstNegative;
            pattern.assigned = h.assigned;
            pattern.negative = h.negative;
            ++tried;
            if (offer(pattern, h.score))
                ++accepted;
        }
        return work;
    }

    const SearchedLine &line;
    const AttackSettings &settings;
    AttackResult &result;
    const int keep;
    std::vector<PoolEntry> pool;
    std::vector<float> looseBounds; // per class, from the screening
    std::vector<float> exactBounds; // per class, with the full model; NaN until computed
    std::vector<std::array<float, 4>> lastBounds; // remainingBounds of class lastBoundsIndex
    int lastBoundsIndex = -1;
    int progressBase = 0; // where the current pass's progress starts
};

} // namespace

AttackResult attackLine(const QString &cipherLine, const AttackSettings &settings)
{
    QElapsedTimer timer;
    timer.start();
    AttackResult result;
    if (cipherLine.isEmpty()) {
        result.problem = AttackProblem::EmptyLine;
        return result;
    }
    SearchedLine line;
    line.length = std::min<int>(cipherLine.size(), longestSearchedLength);
    if (settings.known)
        line.length =
            std::min<int>(cipherLine.size(), std::max(line.length, int(settings.known->size())));
    line.code.assign(line.length, -1);
    line.forced.assign(line.length, -1);
    line.lettersThrough.assign(line.length, 0);
    bool anyLetter = false;
    for (int i = 0; i < line.length; ++i) {
        if (const std::optional<int> code = lookupCode(cipherLine.at(i))) {
            line.code[i] = qint8(*code);
            ++line.letterCount;
            anyLetter = true;
        }
        line.lettersThrough[i] = line.letterCount;
    }
    if (!anyLetter) {
        for (const QChar ch : cipherLine)
            anyLetter = anyLetter || lookupCode(ch).has_value();
        if (!anyLetter) {
            result.problem = AttackProblem::NoAlphabetCharacter;
            return result;
        }
    }
    if (settings.known && !applyKnown(cipherLine, *settings.known, line)) {
        result.problem = AttackProblem::KnownContradicts;
        return result;
    }
    result.searchedLength = line.length;

    Search search(line, settings, result);
    search.run();
    if (result.cancelled)
        return result;
    for (const PoolEntry &entry : search.best()) {
        const QString text = gammaTransform(cipherLine, entry.key.a, entry.key.c, entry.key.t0);
        result.candidates.append(Candidate{entry.score, entry.key, text});
    }
    if (result.candidates.isEmpty() && settings.known && !result.cancelled)
        result.problem = AttackProblem::KnownContradicts;
    result.elapsedMs = timer.elapsed();
    return result;
}

double keystreamCountLog2(int length)
{
    // Breakpoints k/(2·d), d <= 62, on the circle [0, 1): reduced fractions p/q with q <= 62
    // or q even and q <= 124; there are φ(q) of each denominator.
    qint64 points = 0;
    for (int q = 1; q <= 124; ++q) {
        if (q > 62 && q % 2 != 0)
            continue;
        for (int p = 0; p < q; ++p)
            points += std::gcd(p, q) == 1 ? 1 : 0;
    }
    // The points and the open intervals between them; over each, the 63 half turns cut the
    // circle of y at 126 ends, into at most 126 arcs and 126 points.
    const double signPatterns = double(2 * points) * 252.0;
    const double seedCases = 3; // T0 a state; T0 not, T(1) >= 0; T0 not, T(1) < 0
    const double perClassLog2 =
        std::min(std::log2(seedCases * signPatterns), double(std::max(length, 1)));
    return std::log2(double(residueClassCount)) + perClassLog2;
}

} // namespace analysis
