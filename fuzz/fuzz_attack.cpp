// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The key search behind `attack` and the key analysis behind `analyze`, on short random
// lines, random keys, random known beginnings, fragments and options: every key printed must
// turn the cipher line into its text, and the search must end (libFuzzer's -timeout) without
// leaks.
#include "fuzzcheck.h"
#include "gamma.h"
#include "gammakey.h"
#include "keypattern.h"
#include "keysearch.h"

#include <QSet>

#include <optional>
#include <tuple>

namespace {

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
        // The true beginning and fragment never contradict: the key that made the line agrees
        // with them.
        FUZZ_REQUIRE(!(knownIsTrue && result.problem == analysis::AttackProblem::KnownContradicts));
        FUZZ_REQUIRE(!(knownIsTrue && settings.crib &&
                       result.problem == analysis::AttackProblem::CribAbsent));
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
        if (settings.crib)
            FUZZ_REQUIRE(asTheAlphabetSees(candidate.text)
                             .mid(candidate.cribPosition, settings.crib->size()) ==
                         asTheAlphabetSees(*settings.crib));
        FUZZ_REQUIRE(candidate.confidence >= 0 && candidate.confidence <= 1);
    }
}

// What `analyze` reports of a key: its smallest equivalent is non-negative, gives the same
// keystream, and is never larger than the key itself when that is non-negative.
void checkAnalysis(const GammaKey &key, int length)
{
    const std::optional<GammaKey> smallest = analysis::smallestEquivalentKey(key, length);
    const bool nonNegative = key.a >= 0 && key.c >= 0 && key.t0 >= 0;
    FUZZ_REQUIRE(smallest || !nonNegative);
    if (!smallest)
        return;
    FUZZ_REQUIRE(smallest->a >= 0 && smallest->c >= 0 && smallest->t0 >= 0);
    FUZZ_REQUIRE(analysis::keyGamma(*smallest, length) == analysis::keyGamma(key, length));
    FUZZ_REQUIRE(!nonNegative || std::tie(smallest->a, smallest->c, smallest->t0) <=
                                     std::tie(key.a, key.c, key.t0));
}

} // namespace

// Input: an options byte (top 1..8, known beginning 0..15 characters, whether it and the
// fragment are the true ones), a byte for the beam width and whether a fragment from the
// middle is known, the key (three little-endian 32-bit numbers), then the plain line.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    constexpr std::size_t headerBytes = 2 + 3 * sizeof(std::uint32_t);
    constexpr int longestLine = 32; // short lines: the search ends within a second (uninstrumented)
    if (size < headerBytes)
        return 0;
    const GammaKey key{fuzzinput::keyNumberFrom(data + 2), fuzzinput::keyNumberFrom(data + 6),
                       fuzzinput::keyNumberFrom(data + 10)};
    const QString plain =
        fuzzinput::textFrom(data + headerBytes, size - headerBytes, fuzzinput::nearAlphabetUnit)
            .left(longestLine);
    const QString cipher = gammaTransform(plain, key.a, key.c, key.t0);

    analysis::AttackSettings settings;
    settings.top = 1 + (data[0] & 7);
    settings.beamWidth = 1 + (data[1] & 0x7F) * 4;
    // The options' top bit guesses the beginning from the cipher line instead: mostly wrong.
    const int knownLength = (data[0] >> 3) & 15;
    const bool knownIsTrue = (data[0] & 0x80) == 0;
    if (knownLength > 0)
        settings.known = (knownIsTrue ? plain : cipher).left(knownLength);
    if ((data[1] & 0x80) && plain.size() >= 3)
        settings.crib = (knownIsTrue ? plain : cipher).mid(plain.size() / 3, 6);
    checkAttack(cipher, settings, knownIsTrue);
    checkAnalysis(key, qMax(1, int(plain.size())));
    return 0;
}
