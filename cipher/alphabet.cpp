// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "alphabet.h"

namespace {

// Code order of the alphabet: the space, then the upper-case letters without Ё and Й.
constexpr char16_t symbols[alphabetSize] = {
    u' ', u'А', u'Б', u'В', u'Г', u'Д', u'Е', u'Ж', u'З', u'И', u'К', u'Л', u'М', u'Н', u'О', u'П',
    u'Р', u'С', u'Т', u'У', u'Ф', u'Х', u'Ц', u'Ч', u'Ш', u'Щ', u'Ъ', u'Ы', u'Ь', u'Э', u'Ю', u'Я'};

// Scans the rows for the upper-cased unit: the definition that the table below caches.
quint8 scanForCode(char16_t unit)
{
    const char16_t upper = QChar(unit).toUpper().unicode();
    for (int code = 0; code < alphabetSize; ++code) {
        if (symbols[code] == upper)
            return quint8(code);
    }
    return noCode;
}

UnitCodeTable buildUnitCodeTable()
{
    UnitCodeTable table{};
    for (std::size_t unit = 0; unit < table.size(); ++unit)
        table[unit] = scanForCode(char16_t(unit));
    return table;
}

} // namespace

void fillAlphabet(AlphabetTable &table)
{
    for (int code = 0; code < alphabetSize; ++code) {
        table[code].letter = QString(QChar(symbols[code]));
        table[code].code = code;
    }
}

const AlphabetTable &standardAlphabet()
{
    static const AlphabetTable table = [] {
        AlphabetTable filled;
        fillAlphabet(filled);
        return filled;
    }();
    return table;
}

const UnitCodeTable &unitCodeTable()
{
    static const UnitCodeTable table = buildUnitCodeTable();
    return table;
}

std::optional<int> lookupCode(QChar ch)
{
    const quint8 code = unitCodeTable()[ch.unicode()];
    if (code == noCode)
        return std::nullopt;
    return code;
}

std::optional<QChar> lookupLetter(int code)
{
    if (code < 0 || code >= alphabetSize)
        return std::nullopt;
    return QChar(symbols[code]);
}

char16_t letterUnit(int code)
{
    Q_ASSERT(code >= 0 && code < alphabetSize);
    return symbols[code];
}
