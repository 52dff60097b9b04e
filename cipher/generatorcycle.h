// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#ifndef GAMMACRYPT_GENERATORCYCLE_H
#define GAMMACRYPT_GENERATORCYCLE_H

#include "gammakey.h"

#include <QtGlobal>

// The generator's cycle: from position mu on the values repeat with period lambda, and
// mu is the first position whose value comes again later.
struct GeneratorCycle
{
    int mu = 0;
    int lambda = 0;
    qint32 value = 0; // T(mu)
};

GeneratorCycle generatorCycle(const GammaKey &key);

#endif // GAMMACRYPT_GENERATORCYCLE_H
