// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#ifndef GAMMACRYPT_GAMMA_REFERENCE_H
#define GAMMACRYPT_GAMMA_REFERENCE_H

#include "alphabet.h"

#include <QString>
#include <QtGlobal>

#include <optional>

// The transform written the plain way: every character looked up by scanning the 32 rows
// of a filled table, one generator step per position. Slow and obviously right; the fast
// transform must agree with it on every input.
namespace reference {

// The generator step with 64-bit arithmetic reduced to 32 bits by hand, written apart from
// the library's unsigned step so that the two check each other.
qint32 generatorStep(qint32 previous, qint32 a, qint32 c);

std::optional<int> lookupCode(const AlphabetTable &table, QChar ch);
std::optional<QString> lookupLetter(const AlphabetTable &table, int code);
QString gammaTransform(const AlphabetTable &table, const QString &source, qint32 A, qint32 C,
                       qint32 T0);

// Source with its alphabet characters upper-cased: what applying the transform twice gives.
QString upperCaseAlphabetCharacters(const AlphabetTable &table, const QString &source);

} // namespace reference

#endif // GAMMACRYPT_GAMMA_REFERENCE_H
