// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#ifndef GAMMACRYPT_KEYPRIOR_H
#define GAMMACRYPT_KEYPRIOR_H

#include <QtGlobal>

#include <cmath>
#include <optional>
#include <vector>

// How likely a keystream is before the cipher line is read.
//
// The attack assumes a mix of keys: nine tenths are typed by people (A, C and T0 non-negative
// numbers of any size, so no wrap-around in the states), the rest are any 32-bit keys, where
// the sign that follows each state is a coin toss. Among either, T0 in 0..31 is rare: 32 of
// the 2^32 seeds, and among typed keys about one in a thousand (a seed typed from 0..32000).
// Of two texts that read equally well, the one that more keys give wins.
namespace analysis {

constexpr double logHalf = -0.6931471805599453;
constexpr double typedLogPrior = -0.10536051565782628; // ln 0.9
constexpr double freeLogPrior = -2.3025850929940455;   // ln 0.1

inline double seedLogPrior(bool seedInRange)
{
    return seedInRange ? std::log(0.001) : std::log(0.999);
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

} // namespace analysis

#endif // GAMMACRYPT_KEYPRIOR_H
