// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#ifndef GAMMACRYPT_KEYPRIOR_H
#define GAMMACRYPT_KEYPRIOR_H

#include "keypattern.h"

#include <QtGlobal>

#include <cmath>
#include <optional>
#include <vector>

// How likely a keystream is before the cipher line is read.
//
// The attack assumes a mix of three kinds of key, the one place their shares are set:
// - keys typed in class: A, C and T0 each 0..99 (a teacher's example, a student's first try);
// - keys typed at will: each part 0..10^6;
// - any 32-bit key (a program's random key), where the sign that follows each state is a
//   coin toss.
// Keys of the first two kinds never wrap around in the states (|A·t + C| stays far below
// 2^31 for t in −31..31); a class key's T(1) = A·T0 + C never wraps either, a larger typed
// key's may, half the time. T0 in 0..31 (then T0 is a state itself) is 32 seeds of 100 among
// class keys, 32 of 10^6 among typed ones and 32 of 2^32 among the rest.
// Of two texts that read equally well, the one that more keys give wins.
namespace analysis {

constexpr double classKeyShare = 0.45;
constexpr double typedKeyShare = 0.45;
constexpr double anyKeyShare = 0.10;

constexpr double classSeedInRange = 32.0 / 100;
constexpr double typedSeedInRange = 32.0 / 1'000'001;
constexpr double anySeedInRange = 32.0 / 4294967296.0;

constexpr double logHalf = -0.6931471805599453;

// The share of keys that do not wrap (class and typed) with the seed in 0..31.
constexpr double nonWrappingSeedInRangeShare()
{
    return classKeyShare * classSeedInRange + typedKeyShare * typedSeedInRange;
}

// The share of keys that do not wrap with the seed outside 0..31 and T(1) of the given sign;
// when T(1) is a multiple of 32 its sign does not matter (firstMatters false).
constexpr double nonWrappingSeedOutShare(bool firstNegative, bool firstMatters)
{
    const double classOut = classKeyShare * (1 - classSeedInRange);
    const double typedOut = typedKeyShare * (1 - typedSeedInRange);
    if (!firstMatters)
        return classOut + typedOut;
    return firstNegative ? typedOut / 2 : classOut + typedOut / 2;
}

// The share of any 32-bit keys with the seed in 0..31 or not.
constexpr double anyKeySeedShare(bool seedInRange)
{
    return anyKeyShare * (seedInRange ? anySeedInRange : 1 - anySeedInRange);
}

// For typed keys, a negative state t is followed by a negative value when |t| > C/A. With A
// and C typed alike, C/A < 1 half the time and floor(C/A) = k with odds 1/(2·k·(k+1)); k = 32
// stands for every k >= 32, where each negative state is followed by a non-negative value.
double ratioProbability(int k);

// The natural logarithm of the share of keys, under the mix above, whose gamma codes agree
// with required at every position where it holds a code (0..31); −1 marks a position where
// any gamma does (the character there is outside the alphabet). Minus infinity when no key
// gives such a keystream. Sums over every residue class and every sign pattern, so that a
// keystream many keys share (a long run of zeros hides the residues under it) counts as
// often as it occurs. None when the walks are too many to follow (a line of few letters
// among many other characters).
std::optional<double> keystreamLogPrior(const std::vector<qint8> &required);

// The same, taking at most stepsLeft steps of the walks and spending them from it: a caller
// weighing many texts of one line gives them one budget.
std::optional<double> keystreamLogPrior(const std::vector<qint8> &required, qint64 &stepsLeft);

struct PriorPattern
{
    SignPattern pattern;
    double logPrior = 0;
};

// The sign patterns of one residue class that keys typed in class or at will give, with
// their priors. Non-negative keys without wrap-around in the states: every non-negative state
// is followed by a non-negative value, a negative state t by a negative one exactly when
// |t| > C/A; T(1) is negative only through a large T0.
std::vector<PriorPattern> typedFamily(int classIndex, int length);

} // namespace analysis

#endif // GAMMACRYPT_KEYPRIOR_H
