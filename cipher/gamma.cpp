// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "gamma.h"

#include "alphabet.h"
#include "gamma_paths.h"
#include "keystream.h"

#include <algorithm>
#include <array>

// GAMMACRYPT_NO_SIMD builds the portable table path alone, as on machines without SSE2.
#if !defined(GAMMACRYPT_NO_SIMD) && (defined(__SSE2__) || defined(_M_X64))
#include <emmintrin.h>
#define GAMMACRYPT_SSE2 1
#endif

// AVX-512 is chosen at run time, so the library still runs on any x86-64; that needs the
// GCC/Clang target attribute and CPU check.
#if defined(GAMMACRYPT_SSE2) && defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#define GAMMACRYPT_AVX512 1
#endif

namespace {

// UTF-16 units handled together: one 128-bit register, and one 512-bit register.
constexpr int narrowLanes = 8;
constexpr int wideLanes = 32;
// The wide loop's step: four registers share one range check and one cursor update.
constexpr int wideStep = 4 * wideLanes;

// The keystream is laid out for the wide loop's step.
static_assert(wideStep == Keystream::blockLength, "one wide step reads one block of codes");

// Where the transform stands in the keystream's cycle. A small value that the loops copy
// into a local, so that the offset stays in a register across the stores of the result.
class CycleCursor
{
public:
    explicit CycleCursor(const Keystream &stream) : cycle(stream.cycle.data()), span(stream.span) {}

    const quint16 *codes() const { return cycle + offset; }

    // count must not exceed the span, which holds for every loop step.
    void advance(int count)
    {
        offset += count;
        if (offset >= span)
            offset -= span;
    }

private:
    const quint16 *cycle;
    int span;
    int offset = 0;
};

// The letters by code as UTF-16 units, for the table path.
const std::array<char16_t, alphabetSize> &letterUnits()
{
    static const std::array<char16_t, alphabetSize> units = [] {
        std::array<char16_t, alphabetSize> filled{};
        for (int code = 0; code < alphabetSize; ++code)
            filled[code] = letterUnit(code);
        return filled;
    }();
    return units;
}

// Units one at a time through the table of all code units, gamma[i] being the gamma code
// of unit i: exact for every unit, and the path the others fall back on.
void transformByTable(const char16_t *source, char16_t *result, int count, const quint16 *gamma)
{
    const UnitCodeTable &codes = unitCodeTable();
    const std::array<char16_t, alphabetSize> &letters = letterUnits();
    for (int i = 0; i < count; ++i) {
        const quint8 code = codes[source[i]];
        result[i] = code == noCode ? source[i] : letters[code ^ gamma[i]];
    }
}

// Any number of units through the table, walking the cycle a step at a time.
void transformByTableCycled(const char16_t *source, char16_t *result, int count,
                            CycleCursor &cursor)
{
    for (int done = 0; done < count; done += wideStep) {
        const int step = std::min(wideStep, count - done);
        transformByTable(source + done, result + done, step, cursor.codes());
        cursor.advance(step);
    }
}

#ifdef GAMMACRYPT_SSE2

// The code of a unit the way the register loops work it out: the space, and U+0410..U+044F
// folded onto А..Я with Й left out; nothing else has a code. Right for every unit below
// registerRangeEnd(); the table decides for the others.
int registerCode(char16_t unit)
{
    if (unit == u' ')
        return 0;
    int offset = int(unit) - 0x410;
    if (offset >= 0x20 && offset < 0x40)
        offset -= 0x20;
    if (offset < 0 || offset >= 0x20 || offset == 9)
        return noCode;
    return offset < 9 ? offset + 1 : offset;
}

// The first code unit whose code registerCode gets wrong (U+1C80, a small Cyrillic letter
// that upper-cases to В, with Qt 5.15's Unicode data). Found from the table itself, so the
// register loops stay exact whatever QChar::toUpper says.
quint16 registerRangeEnd()
{
    static const quint16 end = [] {
        const UnitCodeTable &codes = unitCodeTable();
        int unit = 0;
        while (unit < 0xFFFF && registerCode(char16_t(unit)) == codes[unit])
            ++unit;
        return quint16(unit);
    }();
    return end;
}

// Eight units, all below registerRangeEnd(): registerCode lane by lane, the exclusive or,
// and the letter of the result code.
inline __m128i transformNarrow(__m128i units, __m128i gamma)
{
    const __m128i space = _mm_set1_epi16(0x20);
    const __m128i upperA = _mm_set1_epi16(0x410);
    const __m128i caseDistance = _mm_set1_epi16(0x20);
    const __m128i top = _mm_set1_epi16(31);
    const __m128i zero = _mm_setzero_si128();
    const __m128i shortI = _mm_set1_epi16(9);
    const __m128i ten = _mm_set1_epi16(10);

    const __m128i isSpace = _mm_cmpeq_epi16(units, space);

    // Offset from А, with а..я moved onto А..Я.
    __m128i offset = _mm_sub_epi16(units, upperA);
    const __m128i isLower =
        _mm_cmpeq_epi16(_mm_subs_epu16(_mm_sub_epi16(offset, caseDistance), top), zero);
    offset = _mm_sub_epi16(offset, _mm_and_si128(isLower, caseDistance));
    const __m128i inLetterRange = _mm_cmpeq_epi16(_mm_subs_epu16(offset, top), zero);
    const __m128i isLetter = _mm_andnot_si128(_mm_cmpeq_epi16(offset, shortI), inLetterRange);

    // Letters before Й are one code above their offset; the space has code 0.
    __m128i code = _mm_sub_epi16(offset, _mm_cmpgt_epi16(shortI, offset));
    code = _mm_andnot_si128(isSpace, code);

    const __m128i result = _mm_xor_si128(code, gamma);
    const __m128i letter =
        _mm_add_epi16(_mm_add_epi16(result, upperA), _mm_cmplt_epi16(result, ten));
    const __m128i isResultSpace = _mm_cmpeq_epi16(result, zero);
    const __m128i symbol =
        _mm_or_si128(_mm_and_si128(isResultSpace, space), _mm_andnot_si128(isResultSpace, letter));

    const __m128i inAlphabet = _mm_or_si128(isSpace, isLetter);
    return _mm_or_si128(_mm_and_si128(inAlphabet, symbol), _mm_andnot_si128(inAlphabet, units));
}

// Groups of eight; a group holding any unit at or past registerRangeEnd() goes to the table.
int transformNarrowGroups(const char16_t *source, char16_t *result, int count,
                          CycleCursor &position)
{
    CycleCursor cursor = position;
    const __m128i lastInRange = _mm_set1_epi16(qint16(registerRangeEnd() - 1));
    const __m128i zero = _mm_setzero_si128();
    int i = 0;
    for (; i + narrowLanes <= count; i += narrowLanes) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i *>(source + i));
        const __m128i beyond = _mm_subs_epu16(units, lastInRange);
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(beyond, zero)) == 0xFFFF) {
            const __m128i gamma =
                _mm_loadu_si128(reinterpret_cast<const __m128i *>(cursor.codes()));
            _mm_storeu_si128(reinterpret_cast<__m128i *>(result + i),
                             transformNarrow(units, gamma));
        } else {
            transformByTable(source + i, result + i, narrowLanes, cursor.codes());
        }
        cursor.advance(narrowLanes);
    }
    position = cursor;
    return i;
}

#endif // GAMMACRYPT_SSE2

#ifdef GAMMACRYPT_AVX512

bool hasAvx512()
{
    static const bool supported = __builtin_cpu_supports("avx512bw");
    return supported;
}

// registerCode of U+0410..U+044F, indexed by the unit's low six bits (the 64 units cover each
// value once). Й gets 32, which no exclusive or with a gamma code brings back below 32.
struct WideTables
{
    alignas(64) std::array<quint16, 64> codes{};
    alignas(64) std::array<quint16, alphabetSize> letters{};
};

const WideTables &wideTables()
{
    static const WideTables tables = [] {
        WideTables filled;
        for (int unit = 0x410; unit < 0x450; ++unit) {
            const int code = registerCode(char16_t(unit));
            filled.codes[unit & 63] = quint16(code == noCode ? alphabetSize : code);
        }
        for (int code = 0; code < alphabetSize; ++code)
            filled.letters[code] = letterUnit(code);
        return filled;
    }();
    return tables;
}

// The constants of the wide loop, held in registers across it.
struct WideConstants
{
    __m512i codesLow;
    __m512i codesHigh;
    __m512i letters;
    __m512i upperA;
    __m512i blockSize;
    __m512i space;
    __m512i codeLimit;
};

// 32 units, all below registerRangeEnd(), with two permutes instead of arithmetic: the code
// from the 64-row table, and the letter of the result code from the 32-row one.
__attribute__((target("avx512bw"))) inline __m512i
transformWide(__m512i units, const quint16 *gammaCodes, const WideConstants &k)
{
    const __m512i gamma = _mm512_loadu_si512(gammaCodes);
    const __mmask32 inBlock =
        _mm512_cmplt_epu16_mask(_mm512_sub_epi16(units, k.upperA), k.blockSize);
    const __mmask32 isSpace = _mm512_cmpeq_epi16_mask(units, k.space);
    const __m512i code = _mm512_maskz_permutex2var_epi16(inBlock, k.codesLow, units, k.codesHigh);
    const __m512i resultCode = _mm512_xor_si512(code, gamma);
    const __mmask32 inAlphabet =
        _mm512_mask_cmplt_epu16_mask(inBlock, resultCode, k.codeLimit) | isSpace;
    return _mm512_mask_permutexvar_epi16(units, inAlphabet, resultCode, k.letters);
}

// Steps of wideStep units. One comparison per step finds whether any unit lies at or past
// registerRangeEnd(), and such a (rare) step goes to the table.
__attribute__((target("avx512bw"))) int
transformWideGroups(const char16_t *source, char16_t *result, int count, CycleCursor &position)
{
    CycleCursor cursor = position;
    const WideTables &tables = wideTables();
    const WideConstants k = {_mm512_load_si512(tables.codes.data()),
                             _mm512_load_si512(tables.codes.data() + 32),
                             _mm512_load_si512(tables.letters.data()),
                             _mm512_set1_epi16(0x410),
                             _mm512_set1_epi16(64),
                             _mm512_set1_epi16(0x20),
                             _mm512_set1_epi16(alphabetSize)};
    const __m512i rangeEnd = _mm512_set1_epi16(qint16(registerRangeEnd()));

    int i = 0;
    for (; i + wideStep <= count; i += wideStep) {
        const char16_t *in = source + i;
        const __m512i units0 = _mm512_loadu_si512(in);
        const __m512i units1 = _mm512_loadu_si512(in + wideLanes);
        const __m512i units2 = _mm512_loadu_si512(in + 2 * wideLanes);
        const __m512i units3 = _mm512_loadu_si512(in + 3 * wideLanes);
        const __m512i highest =
            _mm512_max_epu16(_mm512_max_epu16(units0, units1), _mm512_max_epu16(units2, units3));
        const quint16 *gamma = cursor.codes();
        if (_mm512_cmpge_epu16_mask(highest, rangeEnd) != 0) {
            transformByTable(in, result + i, wideStep, gamma);
        } else {
            char16_t *out = result + i;
            _mm512_storeu_si512(out, transformWide(units0, gamma, k));
            _mm512_storeu_si512(out + wideLanes, transformWide(units1, gamma + wideLanes, k));
            _mm512_storeu_si512(out + 2 * wideLanes,
                                transformWide(units2, gamma + 2 * wideLanes, k));
            _mm512_storeu_si512(out + 3 * wideLanes,
                                transformWide(units3, gamma + 3 * wideLanes, k));
        }
        cursor.advance(wideStep);
    }
    position = cursor;
    return i;
}

#endif // GAMMACRYPT_AVX512

// Every unit past the keystream's prefix, the first of them at the start of the cycle.
void transformCycled(TransformPath path, const char16_t *source, char16_t *result, int count,
                     const Keystream &stream)
{
    Q_UNUSED(path) // without SIMD there is only the table
    CycleCursor cursor(stream);
    int done = 0;
#ifdef GAMMACRYPT_AVX512
    if (path == TransformPath::Wide) {
        // A 64-byte store that straddles two cache lines costs far more than an aligned one,
        // so the units before the first aligned address of the result go through the table.
        const auto misalignment = reinterpret_cast<quintptr>(result) % 64;
        const int leading = misalignment % sizeof(char16_t) != 0
                                ? 0
                                : std::min(count, int((64 - misalignment) % 64 / sizeof(char16_t)));
        transformByTableCycled(source, result, leading, cursor);
        done = leading;
        done += transformWideGroups(source + done, result + done, count - done, cursor);
    }
#endif
#ifdef GAMMACRYPT_SSE2
    if (path != TransformPath::Table)
        done += transformNarrowGroups(source + done, result + done, count - done, cursor);
#endif
    transformByTableCycled(source + done, result + done, count - done, cursor);
}

TransformPath fastestPath()
{
    static const TransformPath path =
        transformPathAvailable(TransformPath::Wide)     ? TransformPath::Wide
        : transformPathAvailable(TransformPath::Narrow) ? TransformPath::Narrow
                                                        : TransformPath::Table;
    return path;
}

} // namespace

bool transformPathAvailable(TransformPath path)
{
    switch (path) {
    case TransformPath::Table:
        return true;
    case TransformPath::Narrow:
#ifdef GAMMACRYPT_SSE2
        return true;
#else
        return false;
#endif
    case TransformPath::Wide:
#ifdef GAMMACRYPT_AVX512
        return hasAvx512();
#else
        return false;
#endif
    }
    return false;
}

QString gammaTransformVia(TransformPath path, const QString &source, qint32 A, qint32 C, qint32 T0)
{
    Q_ASSERT(transformPathAvailable(path));
    const int n = source.size();
    if (n == 0)
        return QString();

    const Keystream &stream = keystreamFor(A, C, T0);
    QString result(n, Qt::Uninitialized);
    const auto *in = reinterpret_cast<const char16_t *>(source.utf16());
    auto *out = reinterpret_cast<char16_t *>(result.data());

    const int prefixCount = std::min(n, stream.prefixLength);
    transformByTable(in, out, prefixCount, stream.prefix.data());
    transformCycled(path, in + prefixCount, out + prefixCount, n - prefixCount, stream);
    return result;
}

QString gammaTransform(const QString &source, qint32 A, qint32 C, qint32 T0)
{
    return gammaTransformVia(fastestPath(), source, A, C, T0);
}
