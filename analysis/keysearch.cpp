// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "keysearch.h"

#include "alphabet.h"
#include "gamma.h"
#include "keyprior.h"
#include "languagemodel.h"
#include "rerank.h"

#include <QByteArray>
#include <QElapsedTimer>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numeric>
#include <unordered_map>
#include <utility>
#include <vector>

namespace analysis {

namespace {

// The priors that bound a residue class's patterns from above, by the kind of key.
const double nonWrappingLogShare = std::log(classKeyShare + typedKeyShare);
const double anyKeyLogShare = std::log(anyKeyShare);
constexpr float impossible = -std::numeric_limits<float>::infinity();

// Most sign patterns belong to no key, and realising one costs far more than scoring it: a
// class's best few are realised, and a class adds a few texts at most, so that one class's
// near-copies of a text do not crowd out the others.
constexpr int patternsRealisedPerClass = 32;
constexpr int keysAcceptedPerClass = 6;

// Past this much work (hypotheses times positions) the sign search stops taking new
// residue classes; it bounds the time a line can take (about two seconds at most on the
// benchmark's lines, of which one in twenty reaches it).
constexpr qint64 workBudget = 45'000'000;
// Narrowing a hypothesis's multiplier intervals by one sign costs about this many intervals
// per unit of that work (a hypothesis scored at one position).
constexpr qint64 arcsPerWorkUnit = 8;

// A text this far below the best one found holds e^−30 of its weight by the search's own
// score, too little to move the confidence; the search spends nothing on texts below it. (The
// final ranking weighs the list again, and whether a limit left out anything that could beat
// the text it puts first is checked against that text.)
constexpr double negligibleMargin = 30;

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

constexpr int rankedPoolSize = 100;

// For every point of the line and every choice of gamma (residue or zero) at the last two
// letters, the best score the rest of the line could still add: entry k covers the
// letters from the k-th on. A hypothesis that cannot reach the list even so is dropped.
std::vector<std::array<float, 4>> remainingBounds(const SearchedLine &line,
                                                  const std::vector<qint8> &residues)
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
                    best = std::max(
                        best,
                        tripleLogProbability[letters[k][u]][letters[k + 1][v]][letters[k + 2][w]] +
                            bounds[k + 1][v * 2 + w]);
                }
                bounds[k][u * 2 + v] = best;
            }
        }
    }
    return bounds;
}

// Where every walk of the class fixes a sign, whatever its key: the sign search tosses a coin
// (logHalf) the first time the walk leaves a state, and the first time it leaves a residue it
// leaves one of that residue's two states for the first time. At most one place per residue.
struct SignFixes
{
    std::array<int, 32> at{};
    int count = 0;
};

SignFixes signFixesOf(const std::vector<qint8> &residues, int length)
{
    SignFixes fixes;
    quint32 leftResidues = 0;
    for (int i = 1; i < length && fixes.count < 32; ++i) {
        // A residue followed by 0 is always followed by 0: its sign never shows.
        const quint32 bit = quint32(1) << residues[i - 1];
        if (residues[i] != 0 && !(leftResidues & bit)) {
            fixes.at[fixes.count++] = i;
            leftResidues |= bit;
        }
    }
    return fixes;
}

// What every walk of the class still pays for the signs it fixes, by letter: entry k covers
// the positions from the k-th letter on; the last entry, after every letter, is 0.
std::vector<float> signCostsFrom(const SearchedLine &line, const std::vector<qint8> &residues)
{
    const SignFixes fixes = signFixesOf(residues, line.length);
    std::vector<float> costs(line.letterCount + 1, 0);
    int later = fixes.count; // fixes.at[later..] lie after position i
    for (int i = line.length - 1; i >= 0; --i) {
        while (later > 0 && fixes.at[later - 1] >= i)
            --later;
        if (line.code[i] >= 0)
            costs[line.lettersThrough[i] - 1] = float(logHalf * (fixes.count - later));
    }
    return costs;
}

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
    // The state whose sign this step fixed, not yet checked against the arcs; −32 for none.
    qint8 unchecked = noState;
    // The multiplier intervals that can still keep the signs checked so far, as a range of
    // the search's arcs; begin −1 while no sign is fixed.
    int arcsBegin = -1;
    int arcsCount = 0;

    static constexpr qint8 noState = -32;
};

class Search
{
public:
    Search(const SearchedLine &line, const AttackSettings &settings, AttackResult &result)
        : line(line), settings(settings), result(result),
          keep(std::max(settings.top, rankedPoolSize) + 2)
    {
    }

    // Searches the line as it stands, or, given the classes whose residues allow the forced
    // codes (every other class has no text at all), only those.
    void run(const std::vector<int> *fittingClasses = nullptr)
    {
        exactBounds.assign(residueClassCount, std::numeric_limits<float>::quiet_NaN());
        lastBoundsIndex = -1;
        if (!screenClasses(fittingClasses))
            return;
        result.residueClasses = residueClassCount;

        // The keys people type first: few patterns per class, each cheap to score.
        progressBase = residueClassCount;
        visitClasses(float(nonWrappingLogShare), false, [this](int index, double) {
            typedPatterns(index);
            return true;
        });
        // Then every sign pattern, class by class while a class could still beat the list.
        // The budget is the line's: each place a crib may stand spends from the same one.
        progressBase = 2 * residueClassCount;
        visitClasses(float(anyKeyLogShare), true, [this](int index, double reach) {
            if (work > workBudget) {
                // The classes left unvisited reach no higher than this one.
                couldBeatFirst(reach);
                return false;
            }
            work += signSearch(index);
            ++result.classesInDepth;
            return true;
        });
        if (!result.cancelled)
            reportProgress(progressTotal);
    }

    // The list's entry with these letters, or the list's end; const or not as the list is.
    template <typename List> static auto findText(List &list, const QByteArray &letters)
    {
        return std::find_if(list.begin(), list.end(),
                            [&letters](const FoundText &e) { return e.letters == letters; });
    }

    // The search's own score of a text on the list; minus infinity for one it never found.
    double searchScoreOf(const QByteArray &letters) const
    {
        const auto found = findText(pool, letters);
        return found != pool.end() ? found->score : -std::numeric_limits<double>::infinity();
    }

    // Whether nothing a limit left out could have beaten, by the search's own score, the
    // text the final ranking put first (a text the final ranking alone brought in could have
    // been beaten by anything). The final ranking's first text often scores well below the
    // search's best, whose readings the longer contexts and the words turned down; if it
    // fell more than the margin below, texts between the two were never kept either.
    bool provenFirst(const QByteArray &letters) const
    {
        const double first = searchScoreOf(letters);
        const double marginCut = pool.empty() ? first : bestFound() - negligibleMargin;
        return leftOutReach <= first && marginCut <= first;
    }

    // The search reports three passes over the residue classes: the screening, the typed
    // keys, the sign search; a pass that ends early jumps to its end.
    static constexpr int progressTotal = 3 * residueClassCount;
    // Classes between two progress reports or cancel checks in the screening, which takes
    // a few microseconds a class.
    static constexpr int progressStride = 256;

    // The cheap bound of every class; false when cancelled.
    bool screenClasses(const std::vector<int> *fittingClasses)
    {
        std::vector<qint8> residues;
        const PairTable &pairs = bestAfterLetter();
        const int count = fittingClasses ? int(fittingClasses->size()) : residueClassCount;
        if (fittingClasses)
            looseBounds.assign(residueClassCount, impossible);
        else
            looseBounds.resize(residueClassCount);
        signCosts.assign(residueClassCount, 0);
        for (int k = 0; k < count; ++k) {
            if (k % progressStride == 0) {
                if (cancelled())
                    return false;
                reportProgress(int(qint64(k) * residueClassCount / count));
            }
            const int index = fittingClasses ? (*fittingClasses)[k] : k;
            fillResidues(index, line.length, residues);
            looseBounds[index] = classBound(line, residues, pairs);
            signCosts[index] = float(logHalf * signFixesOf(residues, line.length).count);
        }
        return true;
    }

    void reportProgress(int done) const
    {
        if (settings.progress) {
            const qint64 total = qint64(progressTotal) * placementCount;
            const qint64 overall =
                qint64(progressTotal) * placementIndex + std::min(done, progressTotal);
            settings.progress(int(overall * progressTotal / total), progressTotal);
        }
    }

public:
    // The search runs once for each place the crib may stand, adding to one list.
    void setPlacement(int index, int count, int cribPosition)
    {
        placementIndex = index;
        placementCount = count;
        currentCrib = cribPosition;
    }

    bool poolEmpty() const { return pool.empty(); }

    // A key found outside the search (the proof that a key exists) joins the list.
    void addFound(const GammaKey &key, int cribPosition)
    {
        const QVector<int> gamma = keyGamma(key, line.length);
        const QByteArray letters = plainLetters(line, gamma);
        pool.push_back(
            FoundText{tripleScore(letters) + anyKeyLogShare, key, letters, cribPosition});
    }

    void setPlacements(std::vector<Placement> all) { placements = std::move(all); }

    // A limit of time or width, not the bound, left out texts that score at most reach.
    void couldBeatFirst(double reach) { leftOutReach = std::max(leftOutReach, reach); }

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
    // visited, and only those near the top get the full bound computed at all. withSignCosts:
    // every walk pays for the signs it fixes (the sign search's coin tosses).
    template <typename Visit> void visitClasses(float prior, bool withSignCosts, const Visit &visit)
    {
        const auto signCost = [&](int index) { return withSignCosts ? signCosts[index] : 0.0f; };
        std::vector<std::pair<float, int>> heap; // (bound, index·2 + 1 when the bound is full)
        heap.reserve(residueClassCount);
        for (int index = 0; index < residueClassCount; ++index) {
            if (looseBounds[index] == impossible)
                continue;
            const bool exact = !std::isnan(exactBounds[index]);
            heap.emplace_back((exact ? exactBounds[index] : looseBounds[index]) + signCost(index),
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
                lastBounds = remainingBounds(line, residues);
                lastBoundsIndex = index;
                exactBounds[index] = lastBounds[0][0];
                heap.emplace_back(exactBounds[index] + signCost(index), index * 2 + 1);
                std::push_heap(heap.begin(), heap.end());
                continue;
            }
            if (!visit(index, double(bound + prior)) || cancelled())
                return;
            if (++visited % 16 == 0)
                reportProgress(progressBase + visited);
        }
    }

    std::vector<FoundText> best() const
    {
        return rankFoundTexts(line, placements, pool, settings.top);
    }

private:
    // What a text must beat to make the list: the last text on a full list, and never less
    // than the best text found less the margin below which no text counts.
    double threshold() const
    {
        double cut = -std::numeric_limits<double>::infinity();
        if (!pool.empty())
            cut = bestFound() - negligibleMargin;
        if (int(pool.size()) < keep)
            return cut;
        return std::max(
            cut,
            std::min_element(pool.begin(), pool.end(), [](const FoundText &x, const FoundText &y) {
                return x.score < y.score;
            })->score);
    }

    double bestFound() const
    {
        return std::max_element(
                   pool.begin(), pool.end(),
                   [](const FoundText &x, const FoundText &y) { return x.score < y.score; })
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
        const auto same = findText(pool, letters);
        if (same != pool.end() && same->score >= score)
            return false;
        std::optional<GammaKey> key = realisePattern(pattern, line.length);
        // While nothing is on the list, a text is worth the slower look that finds a key
        // whenever there is one: with a known beginning or a crib, it may be the only text.
        if (!key && pool.empty())
            key = realisePatternExactly(pattern, line.length);
        if (!key)
            return false;
        if (same != pool.end()) {
            *same = FoundText{score, *key, letters, currentCrib};
            return true;
        }
        pool.push_back(FoundText{score, *key, letters, currentCrib});
        if (int(pool.size()) > keep) {
            pool.erase(std::min_element(
                pool.begin(), pool.end(),
                [](const FoundText &x, const FoundText &y) { return x.score < y.score; }));
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
    qint64 signSearch(int index)
    {
        std::vector<qint8> residues;
        fillResidues(index, line.length, residues);
        const SignPattern base = classPattern(index);
        // Usually the class was bounded just before it came up.
        if (lastBoundsIndex != index) {
            lastBounds = remainingBounds(line, residues);
            lastBoundsIndex = index;
        }
        const std::vector<std::array<float, 4>> &remaining = lastBounds;
        const std::vector<float> signCostFrom = signCostsFrom(line, residues);
        const double cut = threshold();
        std::vector<Hypothesis> current;
        std::vector<Hypothesis> next;
        qint64 work = 0;

        arcs.clear();
        // Only the sign boundaries of states this class's walk can visit split its intervals.
        classMultipliers = &multipliersOfStates(statesOfResidues(residues));
        arcsNarrowed = 0;
        const auto extend = [&](Hypothesis h, int i, int value,
                                std::optional<int> fixes = std::nullopt) {
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
            const int rest = line.lettersThrough[i];
            if (double(h.score + remaining[rest][h.options] + signCostFrom[rest]) <= cut)
                return;
            if (fixes)
                h.unchecked = qint8(*fixes);
            h.state = qint8(value);
            next.push_back(h);
        };

        for (const bool seedInRange : {true, false}) {
            Hypothesis h;
            h.seedInRange = seedInRange;
            h.before = lineStartContext;
            h.letter = lineStartContext;
            h.score = float(std::log(anyKeySeedShare(seedInRange)));
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
                    extend(child, i, negativeNext ? residue - 32 : residue, int(h.state));
                }
            }
            work += qint64(next.size());
            const int rest = line.lettersThrough[i];
            keepBest(next, remaining[rest], signCostFrom[rest]);
            work += arcsNarrowed / arcsPerWorkUnit;
            arcsNarrowed %= arcsPerWorkUnit;
            current.swap(next);
            compactArcs(current);
        }

        std::sort(current.begin(), current.end(),
                  [](const Hypothesis &x, const Hypothesis &y) { return x.score > y.score; });
        result.patternsScored += qint64(current.size());
        // Most sign patterns belong to no key: a few of the best are realised at most.
        int tried = 0;
        int accepted = 0;
        for (const Hypothesis &h : current) {
            if (double(h.score) <= threshold())
                break;
            if (tried == patternsRealisedPerClass || accepted == keysAcceptedPerClass) {
                couldBeatFirst(h.score);
                break;
            }
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

    // Narrows the hypothesis's arcs by the sign it fixed at this step; false when no key
    // keeps its signs.
    bool checkSigns(Hypothesis &h)
    {
        if (h.unchecked == Hypothesis::noState)
            return true;
        const int t = h.unchecked;
        h.unchecked = Hypothesis::noState;
        const bool negative = (h.negative >> stateBit(t)) & 1;
        const bool first = h.arcsBegin < 0;
        arcsNarrowed += first ? qint64(classMultipliers->size()) : h.arcsCount;
        const int kept = first ? startSignArcs(arcs, *classMultipliers, t, negative)
                               : narrowSignArcs(arcs, h.arcsBegin, h.arcsCount, t, negative);
        if (kept == 0)
            return false;
        h.arcsBegin = int(arcs.size()) - kept;
        h.arcsCount = kept;
        return true;
    }

    // Keeps the settings.beamWidth best hypotheses that some key can still follow. Most sign
    // patterns belong to no key, and one that none keeps must not crowd out walks that keys
    // do take; the check is most of the search's time, so it goes best first and stops once
    // the beam is full. bounds: what the rest of the line can still add, by options, besides
    // the signs still to fix, which cost signCost.
    void keepBest(std::vector<Hypothesis> &next, const std::array<float, 4> &bounds, float signCost)
    {
        const auto better = [](const Hypothesis &x, const Hypothesis &y) {
            return x.score > y.score;
        };
        const std::size_t width = std::size_t(settings.beamWidth);
        std::size_t kept = 0; // next[0, kept) are checked and kept
        while (kept < width && kept < next.size()) {
            std::size_t end = next.size();
            if (end > width) {
                end = width;
                std::nth_element(next.begin() + kept, next.begin() + end, next.end(), better);
            }
            std::size_t placed = kept;
            for (std::size_t k = kept; k < end; ++k) {
                if (checkSigns(next[k]))
                    next[placed++] = next[k];
            }
            next.erase(next.begin() + placed, next.begin() + end);
            kept = placed;
        }
        // What the best dropped hypothesis that a key keeps could have reached: the dropped
        // ones, as a heap by reach, are checked from the top until one is kept.
        const std::size_t arcsKept = arcs.size();
        const auto reach = [&bounds, signCost](const Hypothesis &h) {
            return double(h.score + bounds[h.options] + signCost);
        };
        const auto reachesLess = [&reach](const Hypothesis &x, const Hypothesis &y) {
            return reach(x) < reach(y);
        };
        const auto dropped = next.begin() + kept;
        std::make_heap(dropped, next.end(), reachesLess);
        for (auto end = next.end(); end != dropped; --end) {
            if (checkSigns(*dropped)) {
                couldBeatFirst(reach(*dropped));
                break;
            }
            std::pop_heap(dropped, end, reachesLess);
        }
        arcs.resize(arcsKept);
        next.resize(kept);
    }

    // The multiplier intervals of walks that visit these states. Finding them costs about as
    // much as searching a class the bound soon ends, and the thousands of classes a line
    // searches share about a thousand sets of differences between their states.
    const std::vector<quint32> &multipliersOfStates(quint64 states)
    {
        constexpr std::size_t remembered = 1024; // at most 2,384 intervals each
        const quint64 differences = stateDifferences(states);
        const auto found = multipliersByDifferences.find(differences);
        if (found != multipliersByDifferences.end())
            return found->second;
        if (multipliersByDifferences.size() == remembered)
            multipliersByDifferences.clear();
        return multipliersByDifferences.emplace(differences, signIntervalMultipliers(states))
            .first->second;
    }

    // Moves the arcs the hypotheses still use to the front once the dropped ones take most
    // of the room: the search then holds a few beams' worth of arcs at most.
    void compactArcs(std::vector<Hypothesis> &hypotheses)
    {
        constexpr std::size_t slack = 1 << 16;
        if (arcs.size() < slack)
            return;
        std::size_t live = 0;
        for (const Hypothesis &h : hypotheses)
            live += std::size_t(h.arcsCount);
        if (arcs.size() < 2 * live + slack)
            return;
        std::vector<SignArc> kept;
        kept.reserve(std::max(2 * live, slack));
        for (Hypothesis &h : hypotheses) {
            if (h.arcsBegin < 0)
                continue;
            const int begin = int(kept.size());
            kept.insert(kept.end(), arcs.begin() + h.arcsBegin,
                        arcs.begin() + h.arcsBegin + h.arcsCount);
            h.arcsBegin = begin;
        }
        arcs.swap(kept);
    }

    const SearchedLine &line;
    const AttackSettings &settings;
    AttackResult &result;
    const int keep;
    double leftOutReach = -std::numeric_limits<double>::infinity(); // see couldBeatFirst
    std::vector<SignArc> arcs; // the hypotheses' multiplier intervals, each a range of it
    const std::vector<quint32> *classMultipliers = nullptr; // the intervals of the class searched
    std::unordered_map<quint64, std::vector<quint32>> multipliersByDifferences;
    qint64 arcsNarrowed = 0; // arcs narrowed in that class, not yet counted as work
    qint64 work = 0;         // the sign search's, over the whole line
    std::vector<FoundText> pool;
    std::vector<float> looseBounds; // per class, from the screening
    std::vector<float> exactBounds; // per class, with the full model; NaN until computed
    std::vector<float> signCosts;   // per class, what every walk pays for its signs
    std::vector<std::array<float, 4>> lastBounds; // remainingBounds of class lastBoundsIndex
    int lastBoundsIndex = -1;
    int progressBase = 0; // where the current pass's progress starts
    int placementIndex = 0;
    int placementCount = 1;
    int currentCrib = -1;
    std::vector<Placement> placements;
};

} // namespace

namespace {

// The gamma code that turns the cipher character into the plain one: −1 where the alphabet
// leaves the character as it is (then the two must be equal), none where they cannot match.
std::optional<int> requiredCode(QChar cipher, QChar plain)
{
    const std::optional<int> cipherCode = lookupCode(cipher);
    const std::optional<int> plainCode = lookupCode(plain);
    if (!cipherCode || !plainCode) {
        if (cipher != plain)
            return std::nullopt;
        return -1;
    }
    return *cipherCode ^ *plainCode;
}

// The places in the searched part where the crib fits the cipher line and the known
// beginning, each with the codes it requires.
std::vector<Placement> cribPlacements(const QString &cipher, const QString &crib,
                                      const std::vector<qint8> &known, int length)
{
    std::vector<Placement> placements;
    for (int position = 0; position + crib.size() <= length; ++position) {
        Placement placement{position, known};
        bool fits = true;
        for (int i = 0; i < crib.size() && fits; ++i) {
            const std::optional<int> code = requiredCode(cipher.at(position + i), crib.at(i));
            qint8 &slot = placement.forced[position + i];
            fits = code && (*code < 0 || slot < 0 || slot == *code);
            if (fits && *code >= 0)
                slot = qint8(*code);
        }
        if (fits)
            placements.push_back(std::move(placement));
    }
    return placements;
}

// For each placement, the residue classes whose residues allow its forced codes: a forced
// code must be the class's residue there, or 0 where the state is negative. Any other class
// gives no text that fits the placement, so the search need not screen it once per place.
std::vector<std::vector<int>> classesFittingPlacements(const std::vector<Placement> &placements,
                                                       int length)
{
    std::vector<std::vector<std::pair<int, int>>> required(placements.size());
    for (std::size_t k = 0; k < placements.size(); ++k) {
        const std::vector<qint8> &forced = placements[k].forced;
        // The crib's codes first: they differ between places, and reject a class soonest.
        const int cribStart = std::max(placements[k].cribPosition, 0);
        for (int j = 0; j < length; ++j) {
            const int i = (cribStart + j) % length;
            if (forced[i] > 0)
                required[k].emplace_back(i, forced[i]);
        }
    }
    std::vector<std::vector<int>> fitting(placements.size());
    std::vector<qint8> residues;
    for (int index = 0; index < residueClassCount; ++index) {
        fillResidues(index, length, residues);
        for (std::size_t k = 0; k < placements.size(); ++k) {
            const auto &codes = required[k];
            const bool fits = std::all_of(codes.begin(), codes.end(), [&residues](auto code) {
                return residues[code.first] == code.second;
            });
            if (fits)
                fitting[k].push_back(index);
        }
    }
    return fitting;
}

SearchedLine searchedLine(const QString &cipherLine, const AttackSettings &settings)
{
    SearchedLine line;
    line.length = std::min<int>(cipherLine.size(), longestSearchedLength);
    if (settings.known)
        line.length =
            std::min<int>(cipherLine.size(), std::max(line.length, int(settings.known->size())));
    line.code.assign(line.length, -1);
    line.forced.assign(line.length, -1);
    line.lettersThrough.assign(line.length, 0);
    for (int i = 0; i < line.length; ++i) {
        if (const std::optional<int> code = lookupCode(cipherLine.at(i))) {
            line.code[i] = qint8(*code);
            ++line.letterCount;
        }
        line.lettersThrough[i] = line.letterCount;
    }
    return line;
}

bool holdsAlphabetCharacter(const QString &text)
{
    return std::any_of(text.begin(), text.end(),
                       [](QChar ch) { return lookupCode(ch).has_value(); });
}

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
    SearchedLine line = searchedLine(cipherLine, settings);
    if (line.letterCount == 0 && !holdsAlphabetCharacter(cipherLine)) {
        result.problem = AttackProblem::NoAlphabetCharacter;
        return result;
    }
    if (settings.known && !applyKnown(cipherLine, *settings.known, line)) {
        result.problem = AttackProblem::KnownContradicts;
        return result;
    }
    const AttackProblem noKey =
        settings.crib ? AttackProblem::CribAbsent : AttackProblem::KnownContradicts;
    std::vector<Placement> placements{Placement{-1, line.forced}};
    if (settings.crib) {
        placements = cribPlacements(cipherLine, *settings.crib, line.forced, line.length);
        if (placements.empty()) {
            result.problem = AttackProblem::CribAbsent;
            return result;
        }
    }
    result.searchedLength = line.length;
    result.shortLine = line.letterCount < shortLineLetters;

    Search search(line, settings, result);
    search.setPlacements(placements);
    const std::vector<std::vector<int>> fitting =
        settings.crib ? classesFittingPlacements(placements, line.length)
                      : std::vector<std::vector<int>>();
    for (std::size_t k = 0; k < placements.size() && !result.cancelled; ++k) {
        line.forced = placements[k].forced;
        search.setPlacement(int(k), int(placements.size()), placements[k].cribPosition);
        search.run(settings.crib ? &fitting[k] : nullptr);
    }
    if (result.cancelled)
        return result;
    // The search may give up on a fitting text; whether any key fits at all is decided apart.
    bool undecided = false;
    if (search.poolEmpty() && (settings.known || settings.crib)) {
        for (const Placement &placement : placements) {
            bool open = false;
            if (const std::optional<GammaKey> key = keyForForcedGamma(placement.forced, open)) {
                search.addFound(*key, placement.cribPosition);
                break;
            }
            undecided = undecided || open;
        }
    }
    const std::vector<FoundText> best = search.best();
    result.exhaustive = search.provenFirst(best.empty() ? QByteArray() : best.front().letters);
    for (const FoundText &entry : best) {
        const QString text = settings.candidateTexts ? gammaTransform(cipherLine, entry.key.a,
                                                                      entry.key.c, entry.key.t0)
                                                     : QString();
        result.candidates.append(
            Candidate{entry.score, entry.key, text, entry.confidence, entry.cribPosition});
    }
    if (result.candidates.isEmpty())
        result.problem =
            undecided || !(settings.known || settings.crib) ? AttackProblem::NotFound : noKey;
    result.elapsedMs = timer.elapsed();
    return result;
}

ClassBounds residueClassBounds(const QString &cipherLine, int classIndex)
{
    const SearchedLine line = searchedLine(cipherLine, AttackSettings{});
    std::vector<qint8> residues;
    fillResidues(classIndex, line.length, residues);
    std::vector<std::array<float, 4>> remaining = remainingBounds(line, residues);
    const double full = remaining.front()[0];
    return {classBound(line, residues, bestAfterLetter()), full, std::move(remaining),
            signCostsFrom(line, residues)};
}

std::optional<double> textScore(const QString &cipherLine, const GammaKey &key)
{
    const SearchedLine line = searchedLine(cipherLine, AttackSettings{});
    const QVector<int> gamma = keyGamma(key, line.length);
    const QByteArray letters = plainLetters(line, gamma);
    std::vector<qint8> required(line.length, -1);
    for (int i = 0; i < line.length; ++i) {
        if (line.code[i] >= 0)
            required[i] = qint8(gamma[i]);
    }
    const std::optional<double> prior = keystreamLogPrior(required);
    if (!prior)
        return std::nullopt;
    return lineLogProbability(letters) + *prior;
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
