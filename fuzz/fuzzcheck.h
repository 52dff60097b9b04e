// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#ifndef GAMMACRYPT_FUZZCHECK_H
#define GAMMACRYPT_FUZZCHECK_H

#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

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

} // namespace fuzzinput

#endif // GAMMACRYPT_FUZZCHECK_H
