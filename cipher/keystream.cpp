// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "keystream.h"

#include "gamma.h"

#include <algorithm>

namespace {

Keystream makeKeystream(qint32 a, qint32 c, qint32 t0)
{
    // Codes by position until the first repeated value; firstSeen remembers where each
    // value of −31..31 appeared.
    std::array<quint16, Keystream::maxPrefix + 1> codes{};
    std::array<int, Keystream::distinctValues> firstSeen;
    firstSeen.fill(-1);

    codes[0] = quint16(gammaCode(t0));
    qint32 t = nextGammaValue(t0, a, c);
    int position = 1;
    while (firstSeen[t + 31] < 0) {
        firstSeen[t + 31] = position;
        codes[position] = quint16(gammaCode(t));
        t = nextGammaValue(t, a, c);
        ++position;
    }

    Keystream stream;
    stream.prefixLength = firstSeen[t + 31];
    std::copy_n(codes.begin(), stream.prefixLength, stream.prefix.begin());

    const int period = position - stream.prefixLength;
    stream.span = (Keystream::blockLength + period - 1) / period * period;
    for (int k = 0, inPeriod = 0; k < stream.span + Keystream::blockLength; ++k) {
        stream.cycle[k] = codes[stream.prefixLength + inPeriod];
        if (++inPeriod == period)
            inPeriod = 0;
    }
    return stream;
}

} // namespace

const Keystream &keystreamFor(qint32 a, qint32 c, qint32 t0)
{
    struct Cached
    {
        bool valid = false;
        qint32 a = 0, c = 0, t0 = 0;
        Keystream stream;
    };
    thread_local Cached last;
    if (!last.valid || last.a != a || last.c != c || last.t0 != t0) {
        last.stream = makeKeystream(a, c, t0);
        last.a = a;
        last.c = c;
        last.t0 = t0;
        last.valid = true;
    }
    return last.stream;
}
