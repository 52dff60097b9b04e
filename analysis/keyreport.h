// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#ifndef GAMMACRYPT_KEYREPORT_H
#define GAMMACRYPT_KEYREPORT_H

#include "gammakey.h"
#include "generatorcycle.h"

#include <QString>
#include <QVector>

#include <optional>

namespace analysis {

// What a student should see about one key: its cycle, its gamma codes and how weak they are.
struct KeyReport
{
    GammaKey key;
    GeneratorCycle cycle;
    QVector<int> gamma; // over the asked length
    int zeros = 0;
    int period = 0; // the least period of the gamma codes on the generator's cycle
    bool allZero = false;
    std::optional<GammaKey> smallest; // none: no non-negative key gives this keystream
    bool weak = false;
    QString weakReason; // Russian, empty when not weak
};

// The report on key over gamma positions 0..length-1; length is at least 1.
KeyReport analyseKey(const GammaKey &key, int length);

// The least divisor of the cycle's length that the gamma codes on the cycle repeat with.
int gammaPeriod(const GammaKey &key, const GeneratorCycle &cycle);

} // namespace analysis

#endif // GAMMACRYPT_KEYREPORT_H
