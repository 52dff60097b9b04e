// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Any bytes as a line for gammacrypt-cli's byte path, under a key and an encoding taken from
// the first bytes: the same result as the text path (decoding, gammaTransform, encoding), the
// same first invalid byte, or undecided exactly when the text path holds a character the
// tables leave to it. Never a crash, and nothing written outside the result.
#include "alphabet.h"
#include "bytecipher.h"
#include "documentio.h"
#include "fuzzcheck.h"
#include "gamma.h"
#include "utf8.h"

#include <algorithm>
#include <cstring>

namespace {

using cli::ByteCipher;

bool hasCodeOutsideTables(const QString &text)
{
    return std::any_of(text.cbegin(), text.cend(),
                       [](QChar ch) { return ch.unicode() >= 0x800 && lookupCode(ch); });
}

void checkUtf8(const GammaKey &key, const QByteArray &line, const QByteArray &result,
               ByteCipher::Result outcome, qint64 invalidAt)
{
    QString text;
    const qint64 bad = cli::decodeUtf8(line.constData(), line.size(), text);
    if (bad >= 0)
        cli::decodeUtf8(line.constData(), bad, text);
    if (hasCodeOutsideTables(text)) {
        FUZZ_REQUIRE(outcome == ByteCipher::Result::Undecided);
        return;
    }
    if (bad >= 0) {
        FUZZ_REQUIRE(outcome == ByteCipher::Result::Invalid);
        FUZZ_REQUIRE(invalidAt == bad);
        return;
    }
    FUZZ_REQUIRE(outcome == ByteCipher::Result::Done);
    QByteArray expected;
    cli::appendUtf8(gammaTransform(text, key.a, key.c, key.t0), expected);
    FUZZ_REQUIRE(result == expected);
}

void checkWindows1251(const GammaKey &key, const QByteArray &line, const QByteArray &result,
                      ByteCipher::Result outcome)
{
    FUZZ_REQUIRE(outcome == ByteCipher::Result::Done);
    // Behind a byte that keeps the line from starting like a byte-order mark.
    const QString text = documentio::decodeDocument("x" + line).mid(1);
    const QByteArray expected =
        documentio::encodeWindows1251(gammaTransform(text, key.a, key.c, key.t0)).bytes;
    FUZZ_REQUIRE(result == expected);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    constexpr std::size_t header = 1 + 3 * sizeof(qint32);
    if (size < header)
        return 0;
    const auto encoding = (data[0] & 1) ? cli::Encoding::Windows1251 : cli::Encoding::Utf8;
    const auto blocks =
        (data[0] & 2) ? ByteCipher::Blocks::WithoutAvx512 : ByteCipher::Blocks::Fastest;
    GammaKey key;
    std::memcpy(&key.a, data + 1, sizeof(qint32));
    std::memcpy(&key.c, data + 5, sizeof(qint32));
    std::memcpy(&key.t0, data + 9, sizeof(qint32));
    const QByteArray line(reinterpret_cast<const char *>(data + header), int(size - header));

    const ByteCipher cipher(encoding, key, blocks);
    FUZZ_REQUIRE(cipher.usable());
    const QByteArray before = "before";
    QByteArray result = before;
    qint64 invalidAt = -1;
    const ByteCipher::Result outcome =
        cipher.appendLine(line.constData(), line.size(), result, invalidAt);
    FUZZ_REQUIRE(result.startsWith(before));
    result.remove(0, before.size());
    if (outcome != ByteCipher::Result::Done)
        FUZZ_REQUIRE(result.isEmpty());

    if (encoding == cli::Encoding::Utf8)
        checkUtf8(key, line, result, outcome, invalidAt);
    else
        checkWindows1251(key, line, result, outcome);
    return 0;
}
