// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#ifndef GAMMACRYPT_LAB_LABSHARED_H
#define GAMMACRYPT_LAB_LABSHARED_H

// What the lab shares with gammacrypt-cli: the trace rows, the generator's cycle and the key
// report. They live in the cipher and analysis libraries once those carry them; until then the
// lab computes them itself with the same names and meaning, so that the pages do not change
// when the libraries' versions arrive.

#include "gammakey.h"

#include <QString>
#include <QVector>
#include <QtGlobal>

#include <optional>

#if __has_include("gammatrace.h") && __has_include("generatorcycle.h")
#include "gammatrace.h"
#include "generatorcycle.h"
namespace lab {
using ::GeneratorCycle;
using ::generatorCycle;
using ::TraceRow;
using ::TraceWalker;
} // namespace lab
#else
#define GAMMACRYPT_LAB_OWN_TRACE
namespace lab {

// From position mu on the values repeat with period lambda; value = T(mu).
struct GeneratorCycle
{
    int mu = 0;
    int lambda = 0;
    qint32 value = 0;
};

GeneratorCycle generatorCycle(const GammaKey &key);

struct TraceRow
{
    qint64 position = 0;
    char32_t character = 0;
    int code = -1;    // alphabet code, −1 outside the alphabet
    qint32 value = 0; // T(i)
    int gamma = 0;
    int resultCode = -1; // −1 outside the alphabet
    char32_t result = 0;
};

// Steps the generator position by position, one row per character.
class TraceWalker
{
public:
    explicit TraceWalker(const GammaKey &key);
    TraceRow step(char32_t character);

private:
    GammaKey key;
    qint64 position = 0;
    qint32 value = 0;
};

} // namespace lab
#endif

#if __has_include("keyreport.h")
#include "keyreport.h"
namespace lab {
using analysis::analyseKey;
using analysis::KeyReport;
} // namespace lab
#else
#define GAMMACRYPT_LAB_OWN_KEYREPORT
namespace lab {

struct KeyReport
{
    GammaKey key;
    GeneratorCycle cycle;
    QVector<int> gamma; // over the asked length
    int zeros = 0;
    int period = 0;
    bool allZero = false;
    std::optional<GammaKey> smallest; // none: no non-negative key gives this keystream
    bool weak = false;
    QString weakReason; // Russian, empty when not weak
};

KeyReport analyseKey(const GammaKey &key, int length);

} // namespace lab
#endif

#endif // GAMMACRYPT_LAB_LABSHARED_H
