// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "keypattern.h"

#include "gamma.h"

#include <QtGlobal>

#include <algorithm>
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

struct Constraint
{
    int t;
    bool negative;
};

std::optional<quint32> feasibleC(const std::vector<Constraint> &constraints, quint32 A, int c)
{
    Arc arc;
    for (const Constraint &constraint : constraints) {
        const quint32 start = (constraint.negative ? halfTurn : 0u) - A * quint32(constraint.t);
        arc = intersectHalfTurn(arc, start);
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

} // namespace

std::optional<GammaKey> realisePattern(const SignPattern &pattern, int n)
{
    const std::optional<QVector<int>> target = patternGamma(pattern, n);
    if (!target)
        return std::nullopt;
    if (std::optional<GammaKey> key = typedKey(pattern, *target))
        return key;
    return torusKey(pattern, *target);
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

std::optional<GammaKey> smallestEquivalentKey(const GammaKey &key, int n)
{
    const auto nonNegative = [](const GammaKey &k) { return k.a >= 0 && k.c >= 0 && k.t0 >= 0; };
    const auto better = [&nonNegative](const GammaKey &x, const std::optional<GammaKey> &y) {
        if (!y)
            return true;
        if (nonNegative(x) != nonNegative(*y))
            return nonNegative(x);
        return std::tie(x.a, x.c, x.t0) < std::tie(y->a, y->c, y->t0);
    };
    const QVector<int> target = keyGamma(key, n);
    std::optional<GammaKey> best;
    if (nonNegative(key))
        best = key;
    // Any class with the same codes will do, not only the key's own: in increasing a, and no
    // further once a exceeds the best A found (a key of class a has A >= a).
    for (int a = 0; a < 32; ++a) {
        if (best && nonNegative(*best) && best->a < a)
            break;
        for (int c = 0; c < 32; ++c) {
            for (int r0 = 0; r0 < 32; ++r0) {
                for (const bool seedInRange : {true, false}) {
                    const std::optional<SignPattern> pattern =
                        patternForGamma(a, c, r0, seedInRange, target);
                    if (!pattern)
                        continue;
                    const std::optional<GammaKey> found = realisePattern(*pattern, n);
                    if (found && better(*found, best))
                        best = found;
                }
            }
        }
    }
    if (best && !nonNegative(*best))
        return std::nullopt;
    return best;
}

} // namespace analysis
