// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The key search behind `attack` and the key analysis behind `analyze`, on short random
// lines, random keys, random known beginnings and options: every key printed must turn the
// cipher line into its text, and the search must end (libFuzzer's -timeout) without leaks.
#include "fuzzcheck.h"
#include "gamma.h"
#include "gammakey.h"
#include "keypattern.h"
#include "keysearch.h"

#include <QSet>

#include <cstring>

namespace {

// Mostly the alphabet and its near misses, some spaces and punctuation.
char16_t lineUnit(std::uint8_t byte)
{
    return byte < 0x60 ? char16_t(0x0400 + byte) : char16_t(0x20 + (byte - 0x60));
}

qint32 keyNumberFrom(const std::uint8_t *bytes)
{
    std::uint32_t value;
    std::memcpy(&value, bytes, sizeof value);
    return qint32(value);
}

// Letters as the alphabet sees them: the transform with any key turns them upper case, and
// twice with the same key gives them back.
QString asTheAlphabetSees(const QString &text)
{
    return gammaTransform(gammaTransform(text, 1, 1, 1), 1, 1, 1);
}

void checkAttack(const QString &cipher, const analysis::AttackSettings &settings, bool knownIsTrue)
{
    const analysis::AttackResult result = analysis::attackLine(cipher, settings);
    if (result.problem != analysis::AttackProblem::None) {
        // The true beginning never contradicts: the key that made the line agrees with it.
        FUZZ_REQUIRE(!(knownIsTrue && result.problem == analysis::AttackProblem::KnownContradicts));
        FUZZ_REQUIRE(result.candidates.isEmpty());
        return;
    }
    FUZZ_REQUIRE(!result.candidates.isEmpty() && result.candidates.size() <= settings.top);
    QSet<QString> texts;
    for (const analysis::Candidate &candidate : result.candidates) {
        const GammaKey &key = candidate.key;
        FUZZ_REQUIRE(gammaTransform(cipher, key.a, key.c, key.t0) == candidate.text);
        FUZZ_REQUIRE(!texts.contains(candidate.text));
        texts.insert(candidate.text);
        if (settings.known)
            FUZZ_REQUIRE(
                asTheAlphabetSees(candidate.text).startsWith(asTheAlphabetSees(*settings.known)));
    }
}

// What `analyze` reports of a key: its smallest equivalent gives the same keystream.
void checkAnalysis(const GammaKey &key, int length)
{
    const GammaKey smallest = analysis::smallestEquivalentKey(key, length);
    FUZZ_REQUIRE(analysis::keyGamma(smallest, length) == analysis::keyGamma(key, length));
}

} // namespace

// Input: an options byte (top 1..8, known beginning 0..15 characters, whether it is the true
// one), a byte for the
// beam width, the key (three little-endian 32-bit numbers), then the plain line.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    constexpr std::size_t headerBytes = 2 + 3 * sizeof(std::uint32_t);
    constexpr int longestLine = 32; // short lines: the search ends within a second (uninstrumented)
    if (size < headerBytes)
        return 0;
    const GammaKey key{keyNumberFrom(data + 2), keyNumberFrom(data + 6), keyNumberFrom(data + 10)};
    const QString plain =
        fuzzinput::textFrom(data + headerBytes, size - headerBytes, lineUnit).left(longestLine);
    const QString cipher = gammaTransform(plain, key.a, key.c, key.t0);

    analysis::AttackSettings settings;
    settings.top = 1 + (data[0] & 7);
    settings.beamWidth = 1 + data[1] * 4;
    // The options' top bit guesses the beginning from the cipher line instead: mostly wrong.
    const int knownLength = (data[0] >> 3) & 15;
    const bool knownIsTrue = (data[0] & 0x80) == 0;
    if (knownLength > 0)
        settings.known = (knownIsTrue ? plain : cipher).left(knownLength);
    checkAttack(cipher, settings, knownIsTrue);
    checkAnalysis(key, qMax(1, int(plain.size())));
    return 0;
}
