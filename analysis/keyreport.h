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
    int leadingZeros = 0; // gamma codes 0 from position 0 on, within the first mu + lambda
    std::optional<GammaKey> smallest; // none: no non-negative key gives this keystream
    bool weak = false;
    QString weakReason; // Russian, empty when not weak
};

// The report on key over gamma positions 0..length-1; length is at least 1.
KeyReport analyseKey(const GammaKey &key, int length);

// The least divisor of the cycle's length that the gamma codes on the cycle repeat with.
int gammaPeriod(const GammaKey &key, const GeneratorCycle &cycle);

// The report in words, as the tool's table and the lab's key page show it.
// "на позициях 0–69" (or "на позиции 0"): a range needs no agreement with its count.
QString positionsText(int length);
// "3 из 40 (7,5 %)".
QString zeroShareText(const KeyReport &report);
// "да: " and the reason, or "нет".
QString weaknessText(const KeyReport &report);
// What stands in place of the smallest non-negative key when there is none.
QString noSmallestKeyText(const KeyReport &report);

} // namespace analysis

#endif // GAMMACRYPT_KEYREPORT_H
