// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "keyprior.h"

#include "keypattern.h"

#include <QtAlgorithms>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace analysis {

double ratioProbability(int k)
{
    if (k == 0)
        return 0.5;
    if (k >= 32)
        return 1.0 / 64;
    return 1.0 / (2.0 * k * (k + 1));
}

std::vector<PriorPattern> typedFamily(int index, int length)
{
    std::vector<PriorPattern> family;
    const SignPattern base = classPattern(index);
    const auto never = [](int) { return false; };
    const bool firstMatters = nextResidue(base.a, base.c, base.r0) != 0 && length > 1;
    for (const bool seedInRange : {true, false}) {
        // A seed in 0..31 leaves T(1) non-negative; a larger one may wrap.
        const double share = seedInRange ? nonWrappingSeedInRangeShare()
                                         : nonWrappingSeedOutShare(false, firstMatters);
        family.push_back(
            {patternOfSigns(base.a, base.c, base.r0, seedInRange, false, never, length),
             std::log(share)});
    }
    if (!firstMatters)
        return family;
    // Ratios that give the same walk share one pattern and add up their odds.
    SignPattern group;
    double groupProbability = 0;
    const auto addGroup = [&] {
        if (groupProbability > 0)
            family.push_back(
                {group, std::log(nonWrappingSeedOutShare(true, true) * groupProbability)});
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

namespace {

constexpr int stateCount = 63;
// Each character outside the alphabet lets the walk go both ways; a line of few letters
// would make the walks too many to follow. Past this many steps over all classes (over all
// the texts of one line, in the final ranking) the prior is not weighed.
constexpr qint64 stepBudget = 16'000'000;

// For each period d (1..stateCount): the last position q whose required code differs from the
// next required code d positions on (skipping free positions), or −1. The requirement is
// d-periodic from p on exactly when p is past it.
std::array<int, stateCount + 1> periodBreaks(const std::vector<qint8> &required)
{
    std::array<int, stateCount + 1> breaks{};
    const int n = int(required.size());
    std::vector<int> last;
    for (int d = 1; d <= stateCount; ++d) {
        last.assign(d, -1);
        breaks[d] = -1;
        for (int k = 0; k < n; ++k) {
            if (required[k] < 0)
                continue;
            int &previous = last[k % d];
            if (previous >= 0 && required[previous] != required[k])
                breaks[d] = previous;
            previous = k;
        }
    }
    return breaks;
}

struct Signs
{
    quint64 assigned = 0;
    quint64 negative = 0;
};

// Follows one residue class's walk under every sign pattern that gives the required codes,
// adding up how likely each pattern is. The gamma code of a state is the state itself when it
// is non-negative and 0 otherwise, so the codes a text requires fix the walk except where the
// character is outside the alphabet; there both signs are followed.
class ClassWalker
{
public:
    ClassWalker(const std::vector<qint8> &required, qint64 stepLimit)
        : required(required), n(int(required.size())), breaks(periodBreaks(required)),
          stepLimit(stepLimit)
    {
        firstAt.fill(-1);
        for (int i = 0; i < n; ++i) {
            if (required[i] > 0)
                residueRequired.push_back(i);
        }
    }

    double share(int a, int c, int r0)
    {
        this->a = a;
        this->c = c;
        total = 0;
        if (!residuesAllow(r0))
            return 0;
        if (required[0] < 0 || required[0] == r0) {
            seedInRange = true;
            coin = false;
            from(0, r0, Signs{});
        }
        if (required[0] <= 0) {
            seedInRange = false;
            gammaAt[0] = 0;
            if (n == 1) {
                coin = false;
                finish(Signs{});
                return total;
            }
            // T0 is no state; the sign of T(1) is a coin toss of its own.
            const int residue = nextResidue(a, c, r0);
            coin = residue != 0;
            for (const bool negativeNext : {false, true}) {
                if (negativeNext && residue == 0)
                    break;
                const int state = negativeNext ? residue - 32 : residue;
                firstNegative = negativeNext;
                if (allows(1, state))
                    from(1, state, Signs{});
            }
        }
        return total;
    }

    bool exhausted() const { return steps > stepLimit; }
    qint64 stepsTaken() const { return std::min(steps, stepLimit); }

private:
    static int gammaOf(int state) { return state > 0 ? state : 0; }

    // A required code other than 0 is the class's residue there, whatever the signs: most
    // classes fail this before their walks branch at the characters outside the alphabet.
    bool residuesAllow(int r0) const
    {
        int r = r0;
        int at = 0;
        for (const int i : residueRequired) {
            for (; at < i; ++at)
                r = nextResidue(a, c, r);
            if (required[i] != r)
                return false;
        }
        return true;
    }

    bool allows(int position, int state) const
    {
        return required[position] < 0 || required[position] == gammaOf(state);
    }

    // State stands at position i, its gamma there already checked.
    void from(int i, int state, Signs signs)
    {
        if (++steps > stepLimit)
            return;
        gammaAt[i] = qint8(gammaOf(state));
        if (i + 1 == n) {
            finish(signs);
            return;
        }
        const int bit = stateBit(state);
        if (firstAt[bit] >= 0) {
            // The walk has closed a cycle: from here on it repeats.
            if (cycleAgrees(firstAt[bit], i))
                finish(signs);
            return;
        }
        firstAt[bit] = i;
        const int residue = nextResidue(a, c, state);
        const quint64 mask = quint64(1) << bit;
        if (residue == 0) {
            if (allows(i + 1, 0))
                from(i + 1, 0, signs);
        } else if (signs.assigned & mask) {
            const int next = (signs.negative & mask) ? residue - 32 : residue;
            if (allows(i + 1, next))
                from(i + 1, next, signs);
        } else {
            for (const bool negativeNext : {false, true}) {
                const int next = negativeNext ? residue - 32 : residue;
                if (!allows(i + 1, next))
                    continue;
                Signs chosen = signs;
                chosen.assigned |= mask;
                if (negativeNext)
                    chosen.negative |= mask;
                from(i + 1, next, chosen);
            }
        }
        firstAt[bit] = -1;
    }

    // Positions first..now hold one turn of the cycle (now repeats first); every later code
    // must follow it.
    bool cycleAgrees(int first, int now)
    {
        const int period = now - first;
        if (breaks[period] >= first)
            return false;
        // Where the turn itself held a free position, the first required code of that phase
        // further on must be the cycle's.
        for (int phase = 0; phase < period; ++phase) {
            if (required[first + phase] >= 0)
                continue;
            for (int k = first + phase + period; k < n; k += period) {
                // On a line of few letters this look ahead is most of the work.
                ++steps;
                if (required[k] < 0)
                    continue;
                if (required[k] != gammaAt[first + phase])
                    return false;
                break;
            }
        }
        return true;
    }

    void finish(const Signs &signs)
    {
        const double coinShare = coin ? 0.5 : 1.0;
        const double freePattern =
            coinShare * std::ldexp(1.0, -int(qPopulationCount(signs.assigned)));
        const double nonWrapping = seedInRange ? nonWrappingSeedInRangeShare()
                                               : nonWrappingSeedOutShare(firstNegative, coin);
        total += nonWrapping * typedPattern(signs) + anyKeySeedShare(seedInRange) * freePattern;
    }

    // The share of typed keys of the class that give these signs: none if a non-negative
    // state is followed by a negative value; otherwise those whose floor(C/A) lies above
    // every negative state followed by a non-negative value and below every one followed
    // by a negative value.
    double typedPattern(const Signs &signs) const
    {
        constexpr quint64 nonNegativeStates = ~((quint64(1) << stateBit(0)) - 1);
        if (signs.negative & nonNegativeStates)
            return 0;
        if (seedInRange)
            return 1;
        int lowest = 0;   // floor(C/A) is at least this
        int highest = 32; // and at most this
        for (int t = -31; t < 0; ++t) {
            const quint64 mask = quint64(1) << stateBit(t);
            if (!(signs.assigned & mask))
                continue;
            if (signs.negative & mask)
                highest = std::min(highest, -t - 1);
            else
                lowest = std::max(lowest, -t);
        }
        double share = 0;
        for (int k = lowest; k <= highest; ++k)
            share += ratioProbability(k);
        return share;
    }

    const std::vector<qint8> &required;
    const int n;
    std::vector<int> residueRequired; // the positions that require a code other than 0
    const std::array<int, stateCount + 1> breaks;
    std::array<int, stateCount> firstAt;
    // A walk closes its cycle within stateCount + 1 states after its first state.
    std::array<qint8, stateCount + 3> gammaAt{};
    int a = 0;
    int c = 0;
    bool seedInRange = false;
    bool coin = false;
    bool firstNegative = false; // T(1) < 0, when the seed is no state and coin is set
    double total = 0;
    const qint64 stepLimit;
    qint64 steps = 0;
};

} // namespace

std::optional<double> keystreamLogPrior(const std::vector<qint8> &required)
{
    qint64 stepsLeft = stepBudget;
    return keystreamLogPrior(required, stepsLeft);
}

std::optional<double> keystreamLogPrior(const std::vector<qint8> &required, qint64 &stepsLeft)
{
    if (required.empty())
        return 0.0;
    ClassWalker walker(required, stepsLeft);
    double total = 0;
    for (int index = 0; index < residueClassCount && !walker.exhausted(); ++index) {
        const SignPattern residues = classPattern(index);
        total += walker.share(residues.a, residues.c, residues.r0);
    }
    stepsLeft -= walker.stepsTaken();
    if (walker.exhausted())
        return std::nullopt;
    if (total <= 0)
        return -std::numeric_limits<double>::infinity();
    return std::log(total / residueClassCount);
}

} // namespace analysis
