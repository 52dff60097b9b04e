// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#ifndef GAMMACRYPT_GAMMA_H
#define GAMMACRYPT_GAMMA_H

#include "gammakey.h"

#include <QString>
#include <QtGlobal>

// The gamma code of a generator value: the value itself within 0..31, otherwise 0.
constexpr int gammaCode(qint32 t)
{
    return (t >= 0 && t <= 31) ? t : 0;
}

// The generator step T(i) = (A·T(i−1) + C) rem 32 in 32-bit two's complement with
// wrap-around and a truncating remainder. Computed unsigned: signed overflow is
// undefined in C++, and the step must wrap.
constexpr qint32 nextGammaValue(qint32 previous, qint32 a, qint32 c)
{
    const quint32 wrapped = quint32(a) * quint32(previous) + quint32(c);
    const auto sum = static_cast<qint32>(wrapped); // two's complement since C++20, and on every
                                                   // compiler we build with
    return sum % 32;
}

constexpr qint32 nextGammaValue(qint32 previous, const GammaKey &key)
{
    return nextGammaValue(previous, key.a, key.c);
}

// Enciphers (or deciphers: the transform is its own inverse) one line under the key
// (A, C, T0). Characters outside the alphabet are copied; each position consumes its own
// gamma value whatever its character.
QString gammaTransform(const QString &source, qint32 A, qint32 C, qint32 T0);

inline QString gammaTransform(const QString &source, const GammaKey &key)
{
    return gammaTransform(source, key.a, key.c, key.t0);
}

#endif // GAMMACRYPT_GAMMA_H
