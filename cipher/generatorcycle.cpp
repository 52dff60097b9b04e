// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "generatorcycle.h"

#include "gamma.h"

#include <QHash>

GeneratorCycle generatorCycle(const GammaKey &key)
{
    // Every value after the seed lies in -31..31, so a value repeats within 65 steps.
    QHash<qint32, int> firstPosition;
    qint32 value = key.t0;
    for (int position = 0;; ++position) {
        const auto seen = firstPosition.constFind(value);
        if (seen != firstPosition.constEnd())
            return GeneratorCycle{*seen, position - *seen, value};
        firstPosition.insert(value, position);
        value = nextGammaValue(value, key.a, key.c);
    }
}
