// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#ifndef GAMMACRYPT_KEYPATTERN_H
#define GAMMACRYPT_KEYPATTERN_H

#include "gammakey.h"

#include <QVector>
#include <QtGlobal>

#include <optional>
#include <vector>

// What fixes a keystream, and how to find a key for it.
//
// After the seed every generator value T(i) lies in −31..31, and T(i) mod 32 follows
// r(i) = (a·r(i−1) + c) mod 32 with a = A mod 32, c = C mod 32, r(0) = T0 mod 32. T(i) is
// r(i) or r(i) − 32, by the sign of wrap32(A·T(i−1) + C); the gamma code is r(i) for the
// first and 0 for the second. So a keystream is fixed by the residues, by whether T0 itself
// lies in 0..31 (then it is one of the 63 states and its gamma code is r(0)), by the sign of
// T(1) otherwise, and by the sign that each state the walk passes on to its successor.
namespace analysis {

// States −31..31 as bits 0..62.
constexpr int stateBit(int t)
{
    return t + 31;
}

struct SignPattern
{
    int a = 0;
    int c = 0;
    int r0 = 0;
    bool seedInRange = false;   // 0 <= T0 <= 31
    bool firstNegative = false; // T(1) < 0, when the seed is not a state
    quint64 assigned = 0;       // states whose successor's sign is fixed
    quint64 negative = 0;       // of those, the ones followed by a negative value

    bool isAssigned(int t) const { return (assigned >> stateBit(t)) & 1; }
    bool isNegativeAfter(int t) const { return (negative >> stateBit(t)) & 1; }
    void assign(int t, bool negativeAfter);
};

// The residue classes (A, C, T0) mod 32, one index each: a·1024 + c·32 + r0.
constexpr int residueClassCount = 32 * 32 * 32;

constexpr int residueClassIndex(int a, int c, int r0)
{
    return (a << 10) | (c << 5) | r0;
}

// The class's residues as a pattern with no signs fixed yet.
SignPattern classPattern(int classIndex);

// The residues r(0..n−1) of one class.
void fillResidues(int classIndex, int n, std::vector<qint8> &residues);

// The residue that follows state or residue t: (a·t + c) mod 32, for negative t as well.
constexpr int nextResidue(int a, int c, int t)
{
    return (a * (t & 31) + c) & 31;
}

// The gamma codes of the pattern's walk at positions 0..n−1. None when the walk meets a
// state whose sign matters but is not fixed.
std::optional<QVector<int>> patternGamma(const SignPattern &pattern, int n);

// The gamma codes of the real generator under key at positions 0..n−1.
QVector<int> keyGamma(const GammaKey &key, int n);

// The pattern that key follows over positions 0..n−1: only the signs that walk uses.
SignPattern patternOfKey(const GammaKey &key, int n);

// The pattern of the walk on the residues (a, c, r0) whose states are followed by negative
// values exactly where negativeAfter says (a predicate on t in −31..31).
template <typename Predicate>
SignPattern patternOfSigns(int a, int c, int r0, bool seedInRange, bool firstNegative,
                           const Predicate &negativeAfter, int n)
{
    SignPattern pattern{a, c, r0, seedInRange, firstNegative, 0, 0};
    int t = r0;
    for (int i = 1; i < n; ++i) {
        const int residue = nextResidue(a, c, t);
        bool negativeNext = false;
        if (i == 1 && !seedInRange) {
            negativeNext = firstNegative;
        } else if (residue != 0) {
            if (pattern.isAssigned(t))
                break; // the walk has closed its cycle: every later sign is already fixed
            negativeNext = negativeAfter(t);
            pattern.assign(t, negativeNext);
        }
        t = (negativeNext && residue != 0) ? residue - 32 : residue;
    }
    return pattern;
}

// Whether some multiplier and C keep the signs a walk has fixed so far. The sign boundaries
// of two states t and t + d meet only at the multipliers k·2^31/d (d <= 62); between two
// neighbours where boundaries of states the walk can visit meet, whether some C keeps a set
// of signs does not change, so each such interval is tested at one multiplier inside it, where
// the C that keep the signs form one arc. A set of signs no interval keeps belongs to no key
// at all, whatever the residues.
struct SignArc
{
    quint32 multiplier = 0; // inside its interval, of any residue
    quint32 start = 0;      // the C that keep the signs: start .. start + length − 1, wrapping
    quint32 length = 0;     // at most a half turn
};

// The states a walk through these residues can visit, as bits stateBit(t): r and r − 32 for
// each residue r (0 alone for 0).
quint64 statesOfResidues(const std::vector<qint8> &residues);

// The differences d > 0 between two of the states, as bits d.
quint64 stateDifferences(quint64 states);

// One multiplier inside each interval that decides the signs of a walk visiting only the
// given states: 2,384 when every difference of two states occurs, 64 for a walk that stays on
// one residue. Walks whose states have the same differences have the same intervals.
std::vector<quint32> signIntervalMultipliers(quint64 states);

// Appends an arc for each of the multipliers: the C after which state t is followed by a
// value of the given sign. Returns how many (the first sign a walk fixes).
int startSignArcs(std::vector<SignArc> &arcs, const std::vector<quint32> &multipliers, int t,
                  bool negative);

// Appends those of the count arcs from begin on that stay non-empty once state t is followed
// by a value of the given sign, narrowed to it. Returns how many; 0 means no key keeps the
// signs.
int narrowSignArcs(std::vector<SignArc> &arcs, int begin, int count, int t, bool negative);

// A key whose gamma codes over positions 0..n−1 are the pattern's, checked by running the
// real generator; none when no key was found (most sign patterns belong to no key).
//
// First the keys a person types are tried (A, C, T0 non-negative, no wrap-around in the
// states): there the pattern must have non-negative states followed by non-negative values
// and a negative state t followed by a negative value exactly when |t| > C/A; the smallest
// such key (least A, then C, then T0) is returned. Otherwise A and C are sought on the torus
// x = A/2^32, y = C/2^32, where "wrap32(A·t + C) is negative" is "frac(x·t + y) lies in
// [1/2, 1)": the set of feasible y changes only where x is a multiple of 1/(2·d), d <= 62, so
// every such x interval is tried, non-negative keys first.
std::optional<GammaKey> realisePattern(const SignPattern &pattern, int n);

// A key for the pattern whenever one exists: realisePattern first, then every multiplier
// interval where the states' sign boundaries keep their order. Slower; for proofs that no
// key exists.
std::optional<GammaKey> realisePatternExactly(const SignPattern &pattern, int n);

// A key whose gamma codes agree with forced at every position that holds a code (−1: any).
// Every residue class and every sign the walk can take is followed, so none means that no
// key exists; undecided is set instead when there were too many walks to follow.
std::optional<GammaKey> keyForForcedGamma(const std::vector<qint8> &forced, bool &undecided);

// About how many keys (A, C, T0 over all 2^96) give key's gamma codes over positions 0..n−1
// by the same walk, as a power of two: the (A, C) pairs of the walk's cell, counted along
// each multiplier interval from the widths at its ends, times the seeds of its residue.
double keyCountLog2(const GammaKey &key, int n);

// The smallest non-negative key (least A, then C, then T0) whose gamma codes over positions
// 0..n−1 are key's; none when no non-negative key gives them.
std::optional<GammaKey> smallestEquivalentKey(const GammaKey &key, int n);

} // namespace analysis

#endif // GAMMACRYPT_KEYPATTERN_H
