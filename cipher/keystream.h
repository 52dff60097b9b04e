// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#ifndef GAMMACRYPT_KEYSTREAM_H
#define GAMMACRYPT_KEYSTREAM_H

#include "gammakey.h"

#include <QtGlobal>

#include <array>

// The gamma codes of one key by position. After T(1) every generator value lies in −31..31,
// so within 63 further steps a value repeats and the codes are periodic from there on:
// positions below prefixLength take prefix[position]; from prefixLength on, cycle[k] is the
// code of position prefixLength + k for every k below span + blockLength, span being a whole
// number of periods and at least blockLength. Laid out so, a loop that handles up to
// blockLength positions a step reads its codes contiguously and wraps with one subtraction.
struct Keystream
{
    static constexpr int distinctValues = 63;
    static constexpr int maxPrefix = distinctValues + 1;
    static constexpr int blockLength = 128;
    static constexpr int maxSpan = blockLength + distinctValues - 1;

    std::array<quint16, maxPrefix> prefix{};
    int prefixLength = 0;
    std::array<quint16, maxSpan + blockLength> cycle{};
    int span = 0;
};

// The keystream of (A, C, T0). Cached for the last key used on the calling thread: callers
// transform many lines under one key, and building it costs as much as a short line. The
// reference stays valid until this thread asks for another key.
const Keystream &keystreamFor(qint32 a, qint32 c, qint32 t0);

inline const Keystream &keystreamFor(const GammaKey &key)
{
    return keystreamFor(key.a, key.c, key.t0);
}

#endif // GAMMACRYPT_KEYSTREAM_H
