// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "keypattern.h"

#include "gamma.h"

#include <QtGlobal>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <tuple>
#include <utility>
#include <vector>

namespace analysis {

void SignPattern::assign(int t, bool negativeAfter)
{
    const quint64 bit = quint64(1) << stateBit(t);
    assigned |= bit;
    if (negativeAfter)
        negative |= bit;
    else
        negative &= ~bit;
}

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

std::optional<QVector<int>> patternGamma(const SignPattern &pattern, int n)
{
    QVector<int> gamma(n, 0);
    if (n == 0)
        return gamma;
    gamma[0] = pattern.seedInRange ? pattern.r0 : 0;
    int t = pattern.r0;
    for (int i = 1; i < n; ++i) {
        const int residue = nextResidue(pattern.a, pattern.c, t);
        bool negativeNext = false;
        if (residue != 0) {
            if (i == 1 && !pattern.seedInRange) {
                negativeNext = pattern.firstNegative;
            } else {
                if (!pattern.isAssigned(t))
                    return std::nullopt;
                negativeNext = pattern.isNegativeAfter(t);
            }
        }
        t = negativeNext ? residue - 32 : residue;
        gamma[i] = negativeNext ? 0 : residue;
    }
    return gamma;
}

QVector<int> keyGamma(const GammaKey &key, int n)
{
    QVector<int> gamma(n, 0);
    qint32 value = key.t0;
    for (int i = 0; i < n; ++i) {
        if (i > 0)
            value = nextGammaValue(value, key.a, key.c);
        gamma[i] = gammaCode(value);
    }
    return gamma;
}

SignPattern patternOfKey(const GammaKey &key, int n)
{
    SignPattern pattern;
    pattern.a = int(quint32(key.a) & 31);
    pattern.c = int(quint32(key.c) & 31);
    pattern.r0 = int(quint32(key.t0) & 31);
    pattern.seedInRange = key.t0 >= 0 && key.t0 <= 31;
    qint32 value = key.t0;
    for (int i = 1; i < n; ++i) {
        const qint32 next = nextGammaValue(value, key.a, key.c);
        // A value that is a multiple of 32 tells nothing of the sign before the remainder.
        if (next != 0) {
            if (i == 1 && !pattern.seedInRange)
                pattern.firstNegative = next < 0;
            else
                pattern.assign(value, next < 0);
        }
        value = next;
    }
    return pattern;
}

namespace {

constexpr quint32 halfTurn = 0x80000000u;

bool sameGamma(const GammaKey &key, const QVector<int> &target)
{
    return keyGamma(key, target.size()) == target;
}

// The least T0 = r0 + 32·k (k >= 1) within signed 32 bits whose successor wrap32(A·T0 + C)
// has the wanted sign; failing that, the greatest T0 = r0 − 32·k. Steps of 32·A are jumped
// over in one go, so this costs a few operations whatever the key.
std::optional<qint32> seedWithSign(quint32 A, quint32 C, int r0, bool negative)
{
    const quint32 wanted = negative ? halfTurn : 0;
    for (const qint64 direction : {qint64(1), qint64(-1)}) {
        const quint32 step = direction > 0 ? 32u * A : 0u - 32u * A;
        if (step == 0)
            continue;
        // v(k): the successor shifted so that the wanted half is [0, 2^31).
        const quint32 v1 = A * quint32(r0) + C + step - wanted;
        constexpr qint64 fullTurn = qint64(1) << 32;
        qint64 k = 1;
        if (v1 >= halfTurn) {
            if (step <= halfTurn) {
                k += (fullTurn - v1 + step - 1) / step; // forward, past the top of the turn
            } else {
                const qint64 back = fullTurn - step; // backward, below the half turn
                k += (qint64(v1) - halfTurn + back) / back;
            }
        }
        const qint64 t0 = r0 + direction * 32 * k;
        if (t0 >= std::numeric_limits<qint32>::min() && t0 <= std::numeric_limits<qint32>::max())
            return qint32(t0);
    }
    return std::nullopt;
}

std::optional<qint32> seedFor(const SignPattern &pattern, quint32 A, quint32 C)
{
    if (pattern.seedInRange)
        return pattern.r0;
    if (nextResidue(pattern.a, pattern.c, pattern.r0) == 0)
        return pattern.r0 + 32;
    return seedWithSign(A, C, pattern.r0, pattern.firstNegative);
}

// Keys a person types: non-negative, small enough that A·t + C never wraps for a state t.
std::optional<GammaKey> typedKey(const SignPattern &pattern, const QVector<int> &target)
{
    qint64 lowest = 0;                // C/A is at least this...
    qint64 highest = qint64(1) << 40; // ...and below this
    for (int t = -31; t <= 31; ++t) {
        if (!pattern.isAssigned(t))
            continue;
        const bool negativeAfter = pattern.isNegativeAfter(t);
        if (t >= 0) {
            if (negativeAfter)
                return std::nullopt;
        } else if (negativeAfter) {
            highest = std::min<qint64>(highest, -t);
        } else {
            lowest = std::max<qint64>(lowest, -t);
        }
    }
    if (lowest >= highest)
        return std::nullopt;
    constexpr qint64 noWrap = qint64(1) << 31;
    for (qint64 A = pattern.a; A < (qint64(pattern.a) + 32 * 256); A += 32) {
        const qint64 smallestC = A * lowest;
        const qint64 C = smallestC + ((pattern.c - smallestC) % 32 + 32) % 32;
        if (A * 31 + C >= noWrap)
            break;
        if (highest < (qint64(1) << 40) && C >= A * highest)
            continue;
        const std::optional<qint32> t0 = seedFor(pattern, quint32(A), quint32(C));
        if (!t0)
            continue;
        const GammaKey key{qint32(A), qint32(C), *t0};
        if (sameGamma(key, target))
            return key;
    }
    return std::nullopt;
}

// The points k/(2·d), d = 1..62, in [0, 1], sorted: between two neighbours the order of the
// half-turn arcs "wrap32(A·t + C) has the wanted sign" does not change.
const std::vector<double> &torusBreakpoints()
{
    static const std::vector<double> points = [] {
        std::vector<std::pair<int, int>> fractions;
        for (int d = 1; d <= 62; ++d) {
            for (int k = 0; k <= 2 * d; ++k) {
                const int g = std::gcd(k, 2 * d);
                fractions.emplace_back(k / g, 2 * d / g);
            }
        }
        std::sort(fractions.begin(), fractions.end());
        fractions.erase(std::unique(fractions.begin(), fractions.end()), fractions.end());
        std::vector<double> values;
        values.reserve(fractions.size());
        for (const auto &[k, q] : fractions)
            values.push_back(double(k) / q);
        std::sort(values.begin(), values.end());
        return values;
    }();
    return points;
}

struct Arc
{
    quint32 start = 0;
    quint64 length = quint64(1) << 32;
};

// Intersects arc with the half turn [start, start + 2^31); both stay single arcs because
// arc is never longer than a half turn after the first constraint.
Arc intersectHalfTurn(const Arc &arc, quint32 start)
{
    if (arc.length == 0)
        return arc;
    if (arc.length == (quint64(1) << 32))
        return Arc{start, halfTurn};
    const quint32 ahead = start - arc.start;
    if (ahead < arc.length)
        return Arc{start, std::min<quint64>(arc.length - ahead, halfTurn)};
    const quint32 behind = arc.start - start;
    if (behind < halfTurn)
        return Arc{arc.start, std::min<quint64>(arc.length, halfTurn - behind)};
    return Arc{0, 0};
}

// Where the C begin that give wrap32(A·t + C) the wanted sign: a half turn from there.
quint32 halfTurnStart(quint32 A, int t, bool negative)
{
    return (negative ? halfTurn : 0u) - A * quint32(t);
}

struct Constraint
{
    int t;
    bool negative;
};

std::optional<quint32> feasibleC(const std::vector<Constraint> &constraints, quint32 A, int c)
{
    Arc arc;
    for (const Constraint &constraint : constraints) {
        arc = intersectHalfTurn(arc, halfTurnStart(A, constraint.t, constraint.negative));
        if (arc.length == 0)
            return std::nullopt;
    }
    const quint32 offset = (quint32(c) - arc.start) & 31u;
    if (offset >= arc.length)
        return std::nullopt;
    return arc.start + offset;
}

quint32 multiplierNear(double x, int a)
{
    return (quint32(x * double(1u << 27)) << 5) | quint32(a);
}

std::optional<GammaKey> torusKey(const SignPattern &pattern, const QVector<int> &target)
{
    std::vector<Constraint> constraints;
    for (int t = -31; t <= 31; ++t) {
        if (pattern.isAssigned(t))
            constraints.push_back({t, pattern.isNegativeAfter(t)});
    }
    const std::vector<double> &points = torusBreakpoints();
    const auto tryAt = [&](double x,
                           const std::vector<Constraint> &within) -> std::optional<GammaKey> {
        const quint32 A = multiplierNear(x, pattern.a);
        const std::optional<quint32> C = feasibleC(within, A, pattern.c);
        if (!C)
            return std::nullopt;
        const std::optional<qint32> t0 = seedFor(pattern, A, *C);
        if (!t0)
            return std::nullopt;
        const GammaKey key{qint32(A), qint32(*C), *t0};
        if (!sameGamma(key, target))
            return std::nullopt;
        return key;
    };
    // First A in [0, 2^31) and C >= 0 (the sign of A·0 + C), then anywhere.
    std::vector<Constraint> nonNegative = constraints;
    nonNegative.push_back({0, false});
    for (const bool nonNegativePass : {true, false}) {
        const std::vector<Constraint> &within = nonNegativePass ? nonNegative : constraints;
        for (std::size_t j = 0; j + 1 < points.size(); ++j) {
            const double left = points[j];
            const double right = points[j + 1];
            if (nonNegativePass && left >= 0.5)
                break;
            const double middle = (left + right) / 2;
            if (!feasibleC(within, multiplierNear(middle, pattern.a), pattern.c))
                continue;
            // A smaller A from the same interval when the cell is wide enough there.
            for (const double share : {1.0 / 16, 1.0 / 4, 1.0 / 2, 3.0 / 4}) {
                if (std::optional<GammaKey> key = tryAt(left + (right - left) * share, within))
                    return key;
            }
        }
    }
    return std::nullopt;
}

// The quick ways to a key: typed keys first, then the torus.
std::optional<GammaKey> typedOrTorusKey(const SignPattern &pattern, const QVector<int> &target)
{
    if (std::optional<GammaKey> key = typedKey(pattern, target))
        return key;
    return torusKey(pattern, target);
}

} // namespace

std::optional<GammaKey> realisePattern(const SignPattern &pattern, int n)
{
    const std::optional<QVector<int>> target = patternGamma(pattern, n);
    if (!target)
        return std::nullopt;
    return typedOrTorusKey(pattern, *target);
}

namespace {

// The pattern of class (a, c, r0) that gives exactly the gamma codes target, if the class
// can: each code must be the residue or 0, and a state met twice must be followed by values
// of the same sign both times.
std::optional<SignPattern> patternForGamma(int a, int c, int r0, bool seedInRange,
                                           const QVector<int> &target)
{
    if (target[0] != (seedInRange ? r0 : 0))
        return std::nullopt;
    SignPattern pattern{a, c, r0, seedInRange, false, 0, 0};
    int t = r0;
    for (int i = 1; i < target.size(); ++i) {
        const int residue = nextResidue(a, c, t);
        if (target[i] != 0 && target[i] != residue)
            return std::nullopt;
        const bool negativeNext = residue != 0 && target[i] == 0;
        if (residue != 0) {
            if (i == 1 && !seedInRange)
                pattern.firstNegative = negativeNext;
            else if (pattern.isAssigned(t) && pattern.isNegativeAfter(t) != negativeNext)
                return std::nullopt;
            else
                pattern.assign(t, negativeNext);
        }
        t = negativeNext ? residue - 32 : residue;
    }
    return pattern;
}

} // namespace

namespace {

constexpr qint64 halfWord = qint64(1) << 31;
constexpr qint64 fullWord = qint64(1) << 32;

// The multipliers k·2^31/d (d = 1..62, rounded down) in 0..2^32, each with the differences d
// (bit d) whose boundaries meet there: the sign boundaries of two states t, t + d meet only
// at these. Between two neighbours the C of one sign that keep every state's sign form one
// interval whose ends move linearly with A.
const std::vector<std::pair<qint64, quint64>> &breakpointDifferences()
{
    static const std::vector<std::pair<qint64, quint64>> points = [] {
        std::vector<std::pair<qint64, quint64>> all;
        for (qint64 d = 1; d <= 62; ++d) {
            for (qint64 k = 0; k <= 2 * d; ++k)
                all.emplace_back(k * halfWord / d, quint64(1) << d);
        }
        std::sort(all.begin(), all.end());
        std::vector<std::pair<qint64, quint64>> merged;
        for (const auto &[point, differences] : all) {
            if (!merged.empty() && merged.back().first == point)
                merged.back().second |= differences;
            else
                merged.emplace_back(point, differences);
        }
        return merged;
    }();
    return points;
}

// The same multipliers alone.
const std::vector<qint64> &multiplierBreakpoints()
{
    static const std::vector<qint64> points = [] {
        std::vector<qint64> values;
        for (const auto &breakpoint : breakpointDifferences())
            values.push_back(breakpoint.first);
        return values;
    }();
    return points;
}

qint64 modWord(qint64 value)
{
    return ((value % fullWord) + fullWord) % fullWord;
}

// The C of one sign (as an unsigned word: [0, 2^31) or [2^31, 2^32)) such that
// wrap32(A·t + C) has the pattern's sign after every assigned state t: the sign of C is the
// sign after state 0, one more half-turn constraint, which makes the set a single interval of
// its half, [lowest, highest] (empty when lowest > highest).
std::pair<qint64, qint64> signKeepingC(const SignPattern &pattern, qint64 A, bool negativeC)
{
    qint64 lowest = negativeC ? halfWord : 0;
    qint64 highest = lowest + halfWord - 1;
    for (int t = -31; t <= 31 && lowest <= highest; ++t) {
        if (!pattern.isAssigned(t))
            continue;
        const qint64 arcStart = modWord((pattern.isNegativeAfter(t) ? halfWord : 0) - A * t);
        const qint64 offset = modWord(lowest - arcStart);
        if (offset < halfWord)
            highest = std::min(highest, lowest + (halfWord - 1 - offset));
        else
            lowest += fullWord - offset;
    }
    return {lowest, highest};
}

// The smallest C ≡ c (mod 32) of the given sign (as an unsigned word: [0, 2^31) or
// [2^31, 2^32)) such that wrap32(A·t + C) has the pattern's sign after every assigned state
// t, and a seed exists for it (non-negative when asked); with its seed.
std::optional<GammaKey> keyWithMultiplier(const SignPattern &pattern, qint64 A, bool negativeC,
                                          bool nonNegativeSeed)
{
    const auto [lowest, highest] = signKeepingC(pattern, A, negativeC);
    for (qint64 C = lowest + ((pattern.c - lowest) % 32 + 32) % 32; C <= highest; C += 32) {
        const std::optional<qint32> t0 = seedFor(pattern, quint32(A), quint32(C));
        if (t0 && (*t0 >= 0 || !nonNegativeSeed))
            return GammaKey{qint32(quint32(A)), qint32(quint32(C)), *t0};
        // Without a seed for this C (a rare, degenerate multiplier) the next one may have it.
        if (C - lowest > 32 * 64)
            break;
    }
    return std::nullopt;
}

// The first key, in increasing A (as an unsigned word, below limit), that follows the pattern
// and gives target; only non-negative keys when asked. The candidate A of each breakpoint
// interval are its first few values ≡ a (mod 32): the width of the feasible C interval is
// linear there and its ends keep their residues mod 32 from one such A to the next, so when
// it grows the second one is wide enough, and when it shrinks the first one is the best there.
std::optional<GammaKey> keyByMultiplier(const SignPattern &pattern, const QVector<int> &target,
                                        bool nonNegative, qint64 limit)
{
    std::vector<bool> cSigns;
    for (const bool negativeC : {false, true}) {
        if (negativeC && nonNegative)
            continue;
        if (!pattern.isAssigned(0) || pattern.isNegativeAfter(0) == negativeC)
            cSigns.push_back(negativeC);
    }
    limit = std::min(limit, nonNegative ? halfWord : fullWord);
    std::vector<qint64> candidates;
    for (const qint64 point : multiplierBreakpoints()) {
        if (point >= limit)
            break;
        const qint64 first = point + ((pattern.a - point) % 32 + 32) % 32;
        for (int step = 0; step < 3; ++step) {
            if (first + 32 * step < limit)
                candidates.push_back(first + 32 * step);
        }
    }
    std::sort(candidates.begin(), candidates.end());
    candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
    for (const qint64 A : candidates) {
        for (const bool negativeC : cSigns) {
            const std::optional<GammaKey> key =
                keyWithMultiplier(pattern, A, negativeC, nonNegative);
            if (key && sameGamma(*key, target))
                return key;
        }
    }
    return std::nullopt;
}

} // namespace

namespace {

// The arc narrowed to the C with the wanted sign of wrap32(A·t + C) at its multiplier.
SignArc narrowed(const SignArc &arc, quint32 start)
{
    const Arc kept = intersectHalfTurn(Arc{arc.start, arc.length}, start);
    return SignArc{arc.multiplier, kept.start, quint32(kept.length)};
}

} // namespace

quint64 statesOfResidues(const std::vector<qint8> &residues)
{
    quint64 states = 0;
    for (const qint8 r : residues) {
        states |= quint64(1) << stateBit(r);
        if (r != 0)
            states |= quint64(1) << stateBit(r - 32);
    }
    return states;
}

quint64 stateDifferences(quint64 states)
{
    quint64 differences = 0;
    for (quint64 rest = states; rest != 0; rest &= rest - 1)
        differences |= states >> qCountTrailingZeroBits(rest);
    return differences & ~quint64(1); // a state and itself
}

std::vector<quint32> signIntervalMultipliers(quint64 states)
{
    const quint64 differences = stateDifferences(states);
    // Only boundaries of two visited states that meet split an interval; 0 and 2^32 always do.
    std::vector<qint64> kept;
    for (const auto &[point, meeting] : breakpointDifferences()) {
        if ((meeting & differences) != 0 || point == 0 || point == fullWord)
            kept.push_back(point);
    }
    std::vector<quint32> middles;
    middles.reserve(kept.size());
    for (std::size_t j = 0; j + 1 < kept.size(); ++j)
        middles.push_back(quint32((kept[j] + kept[j + 1]) / 2));
    return middles;
}

int startSignArcs(std::vector<SignArc> &arcs, const std::vector<quint32> &multipliers, int t,
                  bool negative)
{
    for (const quint32 multiplier : multipliers)
        arcs.push_back(SignArc{multiplier, halfTurnStart(multiplier, t, negative), halfTurn});
    return int(multipliers.size());
}

int narrowSignArcs(std::vector<SignArc> &arcs, int begin, int count, int t, bool negative)
{
    const std::size_t before = arcs.size();
    for (int k = begin; k < begin + count; ++k) {
        // By value: appending may move the arcs read from.
        const SignArc arc = arcs[k];
        const SignArc kept = narrowed(arc, halfTurnStart(arc.multiplier, t, negative));
        if (kept.length > 0)
            arcs.push_back(kept);
    }
    return int(arcs.size() - before);
}

std::optional<GammaKey> realisePatternExactly(const SignPattern &pattern, int n)
{
    const std::optional<QVector<int>> target = patternGamma(pattern, n);
    if (!target)
        return std::nullopt;
    if (std::optional<GammaKey> key = typedOrTorusKey(pattern, *target))
        return key;
    return keyByMultiplier(pattern, *target, false, fullWord);
}

namespace {

// Walks of one residue class that fit the forced codes, sign by sign; each finished walk is
// a pattern, realised exactly. Stops at the first key, or when the walks run out of budget.
class ForcedWalk
{
public:
    ForcedWalk(const std::vector<qint8> &forced, int &budget) : forced(forced), budget(budget) {}

    std::optional<GammaKey> run(int a, int c, int r0, bool seedInRange)
    {
        const int first = seedInRange ? r0 : 0;
        if (forced[0] >= 0 && forced[0] != first)
            return std::nullopt;
        SignPattern pattern{a, c, r0, seedInRange, false, 0, 0};
        arcs.clear();
        multipliers.clear();
        return follow(pattern, 1, r0, -1, 0);
    }

    bool exhausted() const { return budget <= 0 || steps <= 0; }

private:
    bool fits(int i, int gamma) const { return forced[i] < 0 || forced[i] == gamma; }

    // The class's multiplier intervals, worked out when its walk first fixes a sign.
    const std::vector<quint32> &classMultipliers(const SignPattern &pattern)
    {
        if (multipliers.empty()) {
            std::vector<qint8> residues;
            fillResidues(residueClassIndex(pattern.a, pattern.c, pattern.r0), int(forced.size()),
                         residues);
            multipliers = signIntervalMultipliers(statesOfResidues(residues));
        }
        return multipliers;
    }

    // arcsBegin and arcsCount: the multiplier intervals that keep the signs fixed so far (a
    // walk no key takes is left at once, not realised at its end).
    std::optional<GammaKey> follow(SignPattern pattern, int i, int t, int arcsBegin, int arcsCount)
    {
        if (exhausted())
            return std::nullopt;
        --steps;
        if (i == int(forced.size())) {
            --budget;
            return realisePatternExactly(pattern, i);
        }
        const int residue = nextResidue(pattern.a, pattern.c, t);
        if (residue == 0)
            return fits(i, 0) ? follow(pattern, i + 1, 0, arcsBegin, arcsCount) : std::nullopt;
        const bool firstStep = i == 1 && !pattern.seedInRange;
        for (const bool negativeNext : {false, true}) {
            if (!firstStep && pattern.isAssigned(t) && pattern.isNegativeAfter(t) != negativeNext)
                continue;
            if (!fits(i, negativeNext ? 0 : residue))
                continue;
            SignPattern next = pattern;
            const std::size_t arcsBefore = arcs.size();
            int nextBegin = arcsBegin;
            int nextCount = arcsCount;
            if (firstStep) {
                next.firstNegative = negativeNext;
            } else if (!pattern.isAssigned(t)) {
                next.assign(t, negativeNext);
                nextCount = arcsBegin < 0
                                ? startSignArcs(arcs, classMultipliers(pattern), t, negativeNext)
                                : narrowSignArcs(arcs, arcsBegin, arcsCount, t, negativeNext);
                if (nextCount == 0)
                    continue;
                nextBegin = int(arcsBefore);
            }
            std::optional<GammaKey> key =
                follow(next, i + 1, negativeNext ? residue - 32 : residue, nextBegin, nextCount);
            arcs.resize(arcsBefore);
            if (key)
                return key;
        }
        return std::nullopt;
    }

    const std::vector<qint8> &forced;
    int &budget;
    std::vector<SignArc> arcs;        // the intervals of the walk's steps so far, as a stack
    std::vector<quint32> multipliers; // of the class walked, empty until needed
    // Positions followed at most, over all classes: a few hundred milliseconds.
    qint64 steps = 20'000'000;
};

} // namespace

std::optional<GammaKey> keyForForcedGamma(const std::vector<qint8> &forced, bool &undecided)
{
    undecided = false;
    std::vector<qint8> needed = forced;
    while (!needed.empty() && needed.back() < 0)
        needed.pop_back();
    if (needed.empty())
        return GammaKey{0, 0, 0};
    // Walks realised at most: each costs up to a few milliseconds when it has no key.
    int budget = 4000;
    ForcedWalk walk(needed, budget);
    for (int a = 0; a < 32; ++a) {
        for (int c = 0; c < 32; ++c) {
            for (int r0 = 0; r0 < 32; ++r0) {
                for (const bool seedInRange : {true, false}) {
                    if (std::optional<GammaKey> key = walk.run(a, c, r0, seedInRange))
                        return key;
                    if (walk.exhausted()) {
                        undecided = true;
                        return std::nullopt;
                    }
                }
            }
        }
    }
    return std::nullopt;
}

namespace {

// How many C ≡ c (mod 32) of one sign keep the pattern's signs under multiplier A.
qint64 countC(const SignPattern &pattern, qint64 A, bool negativeC)
{
    const auto [lowest, highest] = signKeepingC(pattern, A, negativeC);
    if (lowest > highest)
        return 0;
    const qint64 first = lowest + ((pattern.c - lowest) % 32 + 32) % 32;
    return first > highest ? 0 : (highest - first) / 32 + 1;
}

} // namespace

double keyCountLog2(const GammaKey &key, int n)
{
    const SignPattern pattern = patternOfKey(key, n);
    const std::vector<qint64> &points = multiplierBreakpoints();
    double pairs = 0;
    for (std::size_t k = 0; k < points.size(); ++k) {
        const qint64 end = k + 1 < points.size() ? points[k + 1] : fullWord;
        const qint64 first = points[k] + ((pattern.a - points[k]) % 32 + 32) % 32;
        if (first >= end)
            continue;
        const qint64 last = first + (end - 1 - first) / 32 * 32;
        const double multipliers = double((last - first) / 32 + 1);
        for (const bool negativeC : {false, true}) {
            // The width is linear between the interval's ends: the mean of the two counts.
            pairs += multipliers * 0.5 *
                     double(countC(pattern, first, negativeC) + countC(pattern, last, negativeC));
        }
    }
    double seeds = 1;
    if (!pattern.seedInRange) {
        const double outOfRange = double(qint64(1) << 27) - 1; // T0 ≡ r0 outside 0..31
        seeds = n > 1 && nextResidue(pattern.a, pattern.c, pattern.r0) != 0 ? outOfRange / 2
                                                                            : outOfRange;
    }
    return std::log2(std::max(pairs, 1.0) * seeds);
}

std::optional<GammaKey> smallestEquivalentKey(const GammaKey &key, int n)
{
    const QVector<int> target = keyGamma(key, n);
    std::optional<GammaKey> best;
    // Every class whose walk can give the same codes, not only the key's own; a key of
    // class a has A >= a, so the classes past the best A found need no look.
    for (int a = 0; a < 32; ++a) {
        if (best && best->a < a)
            break;
        for (int c = 0; c < 32; ++c) {
            for (int r0 = 0; r0 < 32; ++r0) {
                for (const bool seedInRange : {true, false}) {
                    const std::optional<SignPattern> pattern =
                        patternForGamma(a, c, r0, seedInRange, target);
                    if (!pattern)
                        continue;
                    const qint64 limit = best ? qint64(best->a) + 1 : halfWord;
                    const std::optional<GammaKey> found =
                        keyByMultiplier(*pattern, target, true, limit);
                    if (found && (!best || std::tie(found->a, found->c, found->t0) <
                                               std::tie(best->a, best->c, best->t0)))
                        best = found;
                }
            }
        }
    }
    return best;
}

} // namespace analysis
