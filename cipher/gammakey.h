// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#ifndef GAMMACRYPT_GAMMAKEY_H
#define GAMMACRYPT_GAMMAKEY_H

#include <QtGlobal>

// The key of the gamma cipher: the generator's multiplier A, increment C and seed T0, each a
// signed 32-bit number. The window's key dialog, the tool and the attack all speak of keys in
// this one form.
struct GammaKey
{
    qint32 a = 0;
    qint32 c = 0;
    qint32 t0 = 0;
};

constexpr bool operator==(const GammaKey &x, const GammaKey &y)
{
    return x.a == y.a && x.c == y.c && x.t0 == y.t0;
}

constexpr bool operator!=(const GammaKey &x, const GammaKey &y)
{
    return !(x == y);
}

#endif // GAMMACRYPT_GAMMAKEY_H
