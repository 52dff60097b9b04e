// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The fast gamma transform against the plain reference, on any line and any key of
// signed 32-bit numbers, through every loop this machine can run.
#include "fuzzcheck.h"
#include "gamma.h"
#include "gamma_paths.h"
#include "gamma_reference.h"

namespace {

void checkTransform(const QString &line, qint32 a, qint32 c, qint32 t0)
{
    const AlphabetTable &table = standardAlphabet();
    const QString expected = reference::gammaTransform(table, line, a, c, t0);
    const QString result = gammaTransform(line, a, c, t0);

    FUZZ_REQUIRE(result == expected);
    FUZZ_REQUIRE(result.size() == line.size());
    for (int i = 0; i < line.size(); ++i) {
        if (!reference::lookupCode(table, line.at(i)))
            FUZZ_REQUIRE(result.at(i) == line.at(i));
    }
    FUZZ_REQUIRE(gammaTransform(result, a, c, t0) ==
                 reference::upperCaseAlphabetCharacters(table, line));

    for (TransformPath path : {TransformPath::Table, TransformPath::Narrow, TransformPath::Wide}) {
        if (transformPathAvailable(path))
            FUZZ_REQUIRE(gammaTransformVia(path, line, a, c, t0) == expected);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    constexpr std::size_t keyBytes = 3 * sizeof(std::uint32_t);
    if (size < keyBytes)
        return 0;
    const qint32 a = fuzzinput::keyNumberFrom(data);
    const qint32 c = fuzzinput::keyNumberFrom(data + 4);
    const qint32 t0 = fuzzinput::keyNumberFrom(data + 8);
    checkTransform(
        fuzzinput::textFrom(data + keyBytes, size - keyBytes, fuzzinput::nearAlphabetUnit), a, c,
        t0);
    return 0;
}
