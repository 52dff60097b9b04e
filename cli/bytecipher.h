// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#ifndef GAMMACRYPT_CLI_BYTECIPHER_H
#define GAMMACRYPT_CLI_BYTECIPHER_H

#include "options.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <array>

namespace cli {

// The gamma transform worked on a line's bytes instead of on a UTF-16 copy of them. A symbol
// of the alphabet is the space or one two-byte UTF-8 sequence, or one Windows-1251 byte, and
// its result depends only on those bytes and the position's gamma code: tables per gamma code,
// built once from the alphabet's lookups, give it. Every other character is copied. It gives
// the same bytes as decoding, gammaTransform and encoding again, which stays the way for what
// the tables cannot decide.
class ByteCipher
{
public:
    // How blocks of ASCII and Cyrillic go: the fastest way the machine has (AVX-512, chosen
    // at run time), or as on machines without it. The tests check both.
    enum class Blocks { Fastest, WithoutAvx512 };

    ByteCipher(Encoding encoding, const GammaKey &key, Blocks blocks = Blocks::Fastest);

    // False when the tables cannot stand in for the text path in this encoding at all (a
    // Windows-1251 byte that would not come back as itself); the text path then does the work.
    bool usable() const;

    enum class Result {
        Done,
        Invalid,   // not valid UTF-8
        Undecided, // a character the tables do not decide: the line needs the text path
    };

    // Appends the result of one line, without its line end, to out. After Invalid, invalidAt
    // is the offset within the line of the first byte that starts no valid UTF-8 sequence.
    // Unless Done, out is left as it was.
    Result appendLine(const char *data, qint64 size, QByteArray &out, qint64 &invalidAt) const;

    // Windows-1251 bytes as text, one character a byte, as the window's Open decodes a file
    // that does not start with a byte-order mark.
    static QString decodeWindows1251(const char *data, qint64 size);

    // Whether Open decodes a Windows-1251 input that starts with these bytes (its first four,
    // or all of a shorter one) otherwise than byte by byte: a byte-order mark that switches to
    // a Unicode form.
    static bool switchesDecoding(const QByteArray &firstBytes);

private:
    Result appendUtf8Line(const uchar *in, qint64 size, uchar *out, qint64 &written,
                          qint64 &invalidAt) const;
    void transformWindows1251(const uchar *in, qint64 size, uchar *out) const;

    Encoding encoding;
    bool wideBlocks = false;
    // The gamma code of every position: codes[p] for p below cycleEnd, then from cycleStart on
    // again. A block of up to 64 characters reads its codes contiguously from any position
    // below cycleEnd: the cycle is laid out that far past its end.
    std::array<quint8, 320> codes{};
    int cycleStart = 0;
    int cycleEnd = 0;
};

} // namespace cli

#endif // GAMMACRYPT_CLI_BYTECIPHER_H
