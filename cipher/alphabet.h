// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#ifndef GAMMACRYPT_ALPHABET_H
#define GAMMACRYPT_ALPHABET_H

#include <QChar>
#include <QString>
#include <QtGlobal>

#include <array>
#include <optional>

// One row of the cipher's alphabet: a symbol and its 5-bit code.
struct AlphabetEntry
{
    QString letter;
    int code = 0;
};

constexpr int alphabetSize = 32;
using AlphabetTable = std::array<AlphabetEntry, alphabetSize>;

// Writes the 32 rows (the space, then А..Я without Ё and Й), the code of each row
// being its position. Overwrites whatever the rows held.
void fillAlphabet(AlphabetTable &table);

// The filled table, built once.
const AlphabetTable &standardAlphabet();

// The code of ch after QChar::toUpper, or none when the upper-cased character is not
// one of the 32 symbols.
std::optional<int> lookupCode(QChar ch);

// The symbol with the given code, or none for a code outside 0..31.
std::optional<QChar> lookupLetter(int code);

// Marks a UTF-16 code unit that has no code in UnitCodeTable.
constexpr quint8 noCode = 0xFF;

// What lookupCode yields for every UTF-16 code unit (noCode for none), so that looking a
// character up costs one load instead of an upper-casing and a scan of the rows.
using UnitCodeTable = std::array<quint8, 0x10000>;

// The table for all code units, built once from QChar::toUpper on first use.
const UnitCodeTable &unitCodeTable();

// The UTF-16 code unit of the symbol with the given code, which must lie in 0..31.
char16_t letterUnit(int code);

#endif // GAMMACRYPT_ALPHABET_H
