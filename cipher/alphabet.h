#ifndef GAMMACRYPT_ALPHABET_H
#define GAMMACRYPT_ALPHABET_H

#include <QChar>
#include <QString>

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

#endif // GAMMACRYPT_ALPHABET_H
