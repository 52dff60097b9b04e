// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "gammatrace.h"

#include "alphabet.h"
#include "gamma.h"

namespace {

int alphabetCode(char32_t character)
{
    if (character > 0xFFFF)
        return -1;
    const quint8 code = unitCodeTable()[character];
    return code == noCode ? -1 : code;
}

} // namespace

TraceWalker::TraceWalker(const GammaKey &key) : key(key), value(key.t0) {}

TraceRow TraceWalker::step(char32_t character)
{
    TraceRow row;
    row.position = position++;
    row.character = character;
    row.code = alphabetCode(character);
    row.value = value;
    row.gamma = gammaCode(value);
    row.resultCode = row.code < 0 ? -1 : row.code ^ row.gamma;
    row.result = row.resultCode < 0 ? character : char32_t(letterUnit(row.resultCode));
    // A character past the first plane is two UTF-16 units, and takes two positions, as in
    // gammaTransform.
    const int units = character > 0xFFFF ? 2 : 1;
    position += units - 1;
    for (int unit = 0; unit < units; ++unit)
        value = nextGammaValue(value, key);
    return row;
}
