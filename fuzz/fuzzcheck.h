// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#ifndef GAMMACRYPT_FUZZCHECK_H
#define GAMMACRYPT_FUZZCHECK_H

#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// A broken property is a finding: abort, so that libFuzzer keeps the input as a crash.
#define FUZZ_REQUIRE(condition)                                                                    \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition);  \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

namespace fuzzinput {

// Bytes turned into UTF-16 text. A byte below 0x80 stands for one unit picked by the
// target; a byte of 0x80 or more takes the next two bytes, low first, as any unit at all
// (surrogates, U+FFFF and the other Cyrillic and digit forms among them).
template <typename PickUnit>
QString textFrom(const std::uint8_t *data, std::size_t size, PickUnit pick)
{
    QString text;
    text.reserve(int(size));
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] < 0x80) {
            text += QChar(pick(data[i]));
        } else if (i + 2 < size) {
            text += QChar(char16_t(data[i + 1] | (data[i + 2] << 8)));
            i += 2;
        }
    }
    return text;
}

// A unit the alphabet has or nearly has, for a byte below 0x80: the Cyrillic block (upper and
// lower case, Ё, ё, Й, й and their neighbours), then the space, digits and punctuation.
inline char16_t nearAlphabetUnit(std::uint8_t byte)
{
    return byte < 0x60 ? char16_t(0x0400 + byte) : char16_t(0x20 + (byte - 0x60));
}

// Four bytes as one key part: any signed 32-bit number.
inline qint32 keyNumberFrom(const std::uint8_t *bytes)
{
    std::uint32_t value;
    std::memcpy(&value, bytes, sizeof value);
    return qint32(value);
}

} // namespace fuzzinput

#endif // GAMMACRYPT_FUZZCHECK_H
