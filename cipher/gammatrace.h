// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#ifndef GAMMACRYPT_GAMMATRACE_H
#define GAMMACRYPT_GAMMATRACE_H

#include "gammakey.h"

#include <QtGlobal>

// What the cipher does at one position of a line: the character, its code, the generator's
// value and gamma code there, and the result.
struct TraceRow
{
    qint64 position = 0;
    char32_t character = 0;
    int code = -1;    // alphabet code, -1 outside the alphabet
    qint32 value = 0; // T(i)
    int gamma = 0;
    int resultCode = -1; // -1 outside the alphabet
    char32_t result = 0;
};

// Walks a line position by position under one key, so that a line of any length streams
// through in constant memory. Each character takes as many positions as it has UTF-16 units
// in gammaTransform (two past the first plane), and gives one row, at its first position; a
// character outside the alphabet is copied and still uses its positions.
class TraceWalker
{
public:
    explicit TraceWalker(const GammaKey &key);

    TraceRow step(char32_t character);

private:
    GammaKey key;
    qint64 position = 0;
    qint32 value = 0; // T(position)
};

#endif // GAMMACRYPT_GAMMATRACE_H
