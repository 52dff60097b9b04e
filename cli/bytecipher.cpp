// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "bytecipher.h"

#include "alphabet.h"
#include "documentio.h"
#include "keystream.h"
#include "utf8.h"

#include <algorithm>
#include <cstring>
#include <memory>

// Blocks of ASCII and two-byte sequences go through SSE2, and blocks of ASCII and Cyrillic
// through AVX-512 (VBMI2 for the byte compress, and BMI2), chosen at run time.
// GAMMACRYPT_NO_SIMD builds the portable loop alone, as on machines without them.
#if !defined(GAMMACRYPT_NO_SIMD) && defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#define GAMMACRYPT_CLI_SIMD 1
#endif

namespace cli {

namespace {

// Bytes looked at together: whole blocks of ASCII and two-byte sequences go the short way.
constexpr int blockBytes = 64;

// ASCII and the two-byte sequences: the characters below U+0800.
constexpr int shortUnits = 0x800;

// A character of up to two bytes in UTF-8, the first byte in the low half. The second half
// is zero for one byte: no two-byte sequence ends in a zero byte.
quint16 packedUtf8(char16_t unit)
{
    if (unit < 0x80)
        return unit;
    return quint16((0xC0 | (unit >> 6)) | ((0x80 | (unit & 0x3F)) << 8));
}

// What each character below U+0800 becomes under each gamma code, packed. complete is false
// when some result would need more than two bytes, which no table entry holds.
struct Utf8Tables
{
    std::array<quint16, alphabetSize * shortUnits> results{};
    bool complete = true;
};

std::unique_ptr<Utf8Tables> buildUtf8Tables()
{
    auto tables = std::make_unique<Utf8Tables>();
    for (int unit = 0; unit < shortUnits; ++unit) {
        const std::optional<int> code = lookupCode(QChar(char16_t(unit)));
        for (int gamma = 0; gamma < alphabetSize; ++gamma) {
            char16_t result = char16_t(unit);
            if (code)
                result = lookupLetter(*code ^ gamma)->unicode();
            if (result >= shortUnits)
                tables->complete = false;
            tables->results[gamma * shortUnits + unit] = packedUtf8(result);
        }
    }
    return tables;
}

const Utf8Tables &utf8Tables()
{
    static const std::unique_ptr<Utf8Tables> tables = buildUtf8Tables();
    return *tables;
}

// What Open makes of each byte, and what each byte becomes under each gamma code. complete is
// false unless every byte decodes to one character that Save writes back as that same byte,
// and every letter of the alphabet has a byte.
struct Windows1251Tables
{
    std::array<char16_t, 256> units{};
    std::array<quint8, alphabetSize * 256> results{};
    // The same as codes by byte (noCode for none) and bytes by code, for the wide loop.
    alignas(64) std::array<quint8, 256> codes{};
    alignas(64) std::array<quint8, 64> letterBytes{};
    bool complete = true;
};

// The byte Save writes for ch, or -1 when it writes anything else.
int windows1251Byte(QChar ch)
{
    const documentio::EncodedLine encoded = documentio::encodeWindows1251(QString(ch));
    if (encoded.unrepresentable != 0 || encoded.bytes.size() != 1)
        return -1;
    return uchar(encoded.bytes.at(0));
}

Windows1251Tables buildWindows1251Tables()
{
    Windows1251Tables tables;
    QByteArray everyByte(256, Qt::Uninitialized);
    for (int byte = 0; byte < 256; ++byte)
        everyByte[byte] = char(byte); // starts 00 01: no byte-order mark
    const QString text = documentio::decodeDocument(everyByte);
    if (text.size() != 256) {
        tables.complete = false;
        return tables;
    }
    std::array<int, alphabetSize> letterBytes{};
    for (int code = 0; code < alphabetSize; ++code) {
        letterBytes[code] = windows1251Byte(*lookupLetter(code));
        tables.complete = tables.complete && letterBytes[code] >= 0;
        tables.letterBytes[code] = quint8(letterBytes[code]);
    }
    for (int byte = 0; byte < 256; ++byte) {
        const QChar ch = text.at(byte);
        tables.units[byte] = ch.unicode();
        tables.complete = tables.complete && windows1251Byte(ch) == byte;
        const std::optional<int> code = lookupCode(ch);
        tables.codes[byte] = quint8(code.value_or(noCode));
        for (int gamma = 0; gamma < alphabetSize; ++gamma) {
            const int result = code ? letterBytes[*code ^ gamma] : byte;
            tables.results[gamma * 256 + byte] = quint8(result);
        }
    }
    return tables;
}

const Windows1251Tables &windows1251Tables()
{
    static const Windows1251Tables tables = buildWindows1251Tables();
    return tables;
}

// A character of three or four bytes that the lookup gives a code (a letter's other form, as
// U+1C80 is one of В): the tables hold no entry for it. A four-byte one is two UTF-16 units,
// each looked up on its own.
bool hasCode(const uchar *in, int length)
{
    if (length == 3) {
        const auto unit = char16_t(((in[0] & 0x0F) << 12) | ((in[1] & 0x3F) << 6) | (in[2] & 0x3F));
        return lookupCode(QChar(unit)).has_value();
    }
    const char32_t point =
        ((in[0] & 0x07) << 18) | ((in[1] & 0x3F) << 12) | ((in[2] & 0x3F) << 6) | (in[3] & 0x3F);
    return lookupCode(QChar(QChar::highSurrogate(point))).has_value() ||
           lookupCode(QChar(QChar::lowSurrogate(point))).has_value();
}

#ifdef GAMMACRYPT_CLI_SIMD

#define GAMMACRYPT_CLI_WIDE_TARGET                                                                 \
    __attribute__((target("avx512f,avx512bw,avx512vbmi,avx512vbmi2,bmi2,popcnt")))

// The bytes of a block by kind, one bit a byte (bit i for byte i).
struct BlockKinds
{
    quint64 high = 0;         // 0x80 and above
    quint64 continuation = 0; // 0x80..0xBF
    quint64 twoByteLead = 0;  // 0xC2..0xDF
    quint64 d0OrD1 = 0;       // the lead bytes of U+0400..U+047F, Cyrillic
};

// The characters of a block that holds only ASCII and complete two-byte sequences, except
// perhaps a lead byte at its end whose sequence goes on in the next block.
struct ShortCharacters
{
    quint64 starts = 0;    // their first bytes; none when the block holds anything else
    int length = 0;        // the bytes they take: the block, or all of it but that lead byte
    bool cyrillic = false; // no two-byte sequences but those of U+0400..U+047F
};

ShortCharacters shortCharacters(const BlockKinds &kinds)
{
    const bool onlyShort = kinds.high == (kinds.continuation | kinds.twoByteLead) &&
                           kinds.continuation == (kinds.twoByteLead << 1);
    if (!onlyShort)
        return {};
    const quint64 lastLead = kinds.twoByteLead >> (blockBytes - 1);
    return {~kinds.continuation & (~quint64(0) >> lastLead), blockBytes - int(lastLead),
            kinds.twoByteLead == kinds.d0OrD1};
}

quint64 movemask64(__m128i a, __m128i b, __m128i c, __m128i d)
{
    return quint64(uint(_mm_movemask_epi8(a))) | quint64(uint(_mm_movemask_epi8(b))) << 16 |
           quint64(uint(_mm_movemask_epi8(c))) << 32 | quint64(uint(_mm_movemask_epi8(d))) << 48;
}

BlockKinds kindsOf(const uchar *block)
{
    __m128i bytes[4];
    for (int i = 0; i < 4; ++i)
        bytes[i] = _mm_loadu_si128(reinterpret_cast<const __m128i *>(block + 16 * i));
    // As signed bytes 0x80..0xBF are −128..−65, and 0xC2..0xDF are −62..−33.
    const __m128i belowLead = _mm_set1_epi8(-64);
    const __m128i beforeC2 = _mm_set1_epi8(-63);
    const __m128i afterDF = _mm_set1_epi8(-32);
    const __m128i evenBits = _mm_set1_epi8(char(0xFE));
    const __m128i d0 = _mm_set1_epi8(char(0xD0));
    __m128i continuation[4], lead[4], cyrillic[4];
    for (int i = 0; i < 4; ++i) {
        continuation[i] = _mm_cmplt_epi8(bytes[i], belowLead);
        lead[i] =
            _mm_and_si128(_mm_cmpgt_epi8(bytes[i], beforeC2), _mm_cmplt_epi8(bytes[i], afterDF));
        cyrillic[i] = _mm_cmpeq_epi8(_mm_and_si128(bytes[i], evenBits), d0);
    }
    return {movemask64(bytes[0], bytes[1], bytes[2], bytes[3]),
            movemask64(continuation[0], continuation[1], continuation[2], continuation[3]),
            movemask64(lead[0], lead[1], lead[2], lead[3]),
            movemask64(cyrillic[0], cyrillic[1], cyrillic[2], cyrillic[3])};
}

// The character that starts at each byte of a block, as its UTF-16 unit, on the assumption
// that the block holds only ASCII and two-byte sequences (what a continuation byte gets is of
// no use). Reads one byte past the block.
void unitsOf(const uchar *block, quint16 *units)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i ascii = _mm_set1_epi16(0x7F);
    const __m128i leadBits = _mm_set1_epi16(0x1F);
    const __m128i lowBits = _mm_set1_epi16(0x3F);
    for (int i = 0; i < blockBytes; i += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(block + i));
        const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i *>(block + i + 1));
        for (int half = 0; half < 2; ++half) {
            const __m128i lead =
                half == 0 ? _mm_unpacklo_epi8(bytes, zero) : _mm_unpackhi_epi8(bytes, zero);
            const __m128i second =
                half == 0 ? _mm_unpacklo_epi8(next, zero) : _mm_unpackhi_epi8(next, zero);
            const __m128i pair = _mm_or_si128(_mm_slli_epi16(_mm_and_si128(lead, leadBits), 6),
                                              _mm_and_si128(second, lowBits));
            const __m128i isPair = _mm_cmpgt_epi16(lead, ascii);
            const __m128i unit =
                _mm_or_si128(_mm_and_si128(isPair, pair), _mm_andnot_si128(isPair, lead));
            _mm_storeu_si128(reinterpret_cast<__m128i *>(units + i + 8 * half), unit);
        }
    }
}

// The characters whose first bytes are the bits of starts, units[i] being the one that starts
// at byte i, through the tables under successive gamma codes. Returns the end of the result.
uchar *transformShortCharacters(const quint16 *units, quint64 starts, const quint8 *gamma,
                                const quint16 *tables, uchar *out)
{
    for (; starts != 0; starts &= starts - 1) {
        const quint16 packed = tables[*gamma++ * shortUnits + units[__builtin_ctzll(starts)]];
        out[0] = uchar(packed);
        out[1] = uchar(packed >> 8);
        out += packed > 0xFF ? 2 : 1;
    }
    return out;
}

bool hasWideBlocks()
{
    static const bool supported =
        __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vbmi") &&
        __builtin_cpu_supports("avx512vbmi2") && __builtin_cpu_supports("bmi2") &&
        __builtin_cpu_supports("popcnt");
    return supported;
}

// The lookups of the wide loop, from the same lookups as the tables: codes of ASCII and of
// U+0400..U+047F (by the low bit of the lead byte and the low six of the second), and the
// result letters' bytes by code (the second zero for a one-byte letter). noCode for none,
// which no exclusive or with a gamma code brings below 32.
struct WideTables
{
    alignas(64) std::array<quint8, 128> asciiCodes{};
    alignas(64) std::array<quint8, 128> cyrillicCodes{};
    alignas(64) std::array<quint8, 64> letterFirst{};
    alignas(64) std::array<quint8, 64> letterSecond{};
    // Byte i of the interleaved first and second bytes of characters 0..31, then 32..63.
    alignas(64) std::array<quint8, 64> interleaveLow{};
    alignas(64) std::array<quint8, 64> interleaveHigh{};
};

const WideTables &wideTables()
{
    static const WideTables tables = [] {
        WideTables filled;
        for (int unit = 0; unit < 128; ++unit) {
            filled.asciiCodes[unit] = quint8(lookupCode(QChar(char16_t(unit))).value_or(noCode));
            filled.cyrillicCodes[unit] =
                quint8(lookupCode(QChar(char16_t(0x400 + unit))).value_or(noCode));
        }
        for (int code = 0; code < alphabetSize; ++code) {
            const quint16 packed = packedUtf8(lookupLetter(code)->unicode());
            filled.letterFirst[code] = quint8(packed);
            filled.letterSecond[code] = quint8(packed >> 8);
        }
        for (int i = 0; i < 64; ++i) {
            const int fromSecond = (i & 1) * 64;
            filled.interleaveLow[i] = quint8(fromSecond + i / 2);
            filled.interleaveHigh[i] = quint8(fromSecond + 32 + i / 2);
        }
        return filled;
    }();
    return tables;
}

GAMMACRYPT_CLI_WIDE_TARGET BlockKinds wideKindsOf(const uchar *block)
{
    const __m512i bytes = _mm512_loadu_si512(block);
    const __mmask64 lead = _mm512_cmpge_epu8_mask(bytes, _mm512_set1_epi8(char(0xC2))) &
                           _mm512_cmple_epu8_mask(bytes, _mm512_set1_epi8(char(0xDF)));
    const __m512i evenBits = _mm512_and_si512(bytes, _mm512_set1_epi8(char(0xFE)));
    return {_mm512_movepi8_mask(bytes),
            _mm512_cmplt_epu8_mask(bytes, _mm512_set1_epi8(char(0xC0))) &
                _mm512_movepi8_mask(bytes),
            lead, _mm512_cmpeq_epi8_mask(evenBits, _mm512_set1_epi8(char(0xD0)))};
}

// Up to 64 characters of a block of ASCII and Cyrillic two-byte sequences whose first bytes
// are the bits of starts, in registers: their first and second bytes packed together, each
// character's code looked up and put through the exclusive or with its gamma code, and the
// result's one or two bytes packed together again. Reads one byte past the block and 64
// gamma codes; writes up to 128 bytes from out. Returns the end of the result, and adds the
// number of characters to position.
GAMMACRYPT_CLI_WIDE_TARGET uchar *transformCyrillicBlock(const uchar *block, quint64 starts,
                                                         const quint8 *gamma, uchar *out,
                                                         int &position)
{
    const WideTables &t = wideTables();
    const __m512i lead = _mm512_maskz_compress_epi8(starts, _mm512_loadu_si512(block));
    const __m512i second = _mm512_maskz_compress_epi8(starts, _mm512_loadu_si512(block + 1));
    const __mmask64 isAscii = _mm512_movepi8_mask(lead) ^ ~__mmask64(0);

    const __m512i asciiCode = _mm512_permutex2var_epi8(_mm512_load_si512(t.asciiCodes.data()), lead,
                                                       _mm512_load_si512(t.asciiCodes.data() + 64));
    const __m512i lowSix = _mm512_and_si512(second, _mm512_set1_epi8(0x3F));
    const __mmask64 isD1 = _mm512_test_epi8_mask(lead, _mm512_set1_epi8(1));
    const __m512i cyrillicIndex = _mm512_or_si512(lowSix, _mm512_maskz_set1_epi8(isD1, 0x40));
    const __m512i cyrillicCode =
        _mm512_permutex2var_epi8(_mm512_load_si512(t.cyrillicCodes.data()), cyrillicIndex,
                                 _mm512_load_si512(t.cyrillicCodes.data() + 64));
    const __m512i code = _mm512_mask_blend_epi8(isAscii, cyrillicCode, asciiCode);

    const __m512i result = _mm512_xor_si512(code, _mm512_loadu_si512(gamma));
    const __mmask64 coded = _mm512_cmplt_epu8_mask(result, _mm512_set1_epi8(alphabetSize));
    const __m512i first =
        _mm512_mask_permutexvar_epi8(lead, coded, result, _mm512_load_si512(t.letterFirst.data()));
    const __m512i last =
        _mm512_mask_permutexvar_epi8(_mm512_maskz_mov_epi8(~isAscii, second), coded, result,
                                     _mm512_load_si512(t.letterSecond.data()));

    const int count = __builtin_popcountll(starts);
    position += count;
    const quint64 present = count == 64 ? ~quint64(0) : (quint64(1) << count) - 1;
    const quint64 twoBytes = _mm512_test_epi8_mask(last, last) & present;
    constexpr quint64 firstBytes = 0x5555555555555555ULL;
    constexpr quint64 secondBytes = 0xAAAAAAAAAAAAAAAAULL;
    const quint64 keepLow = _pdep_u64(present, firstBytes) | _pdep_u64(twoBytes, secondBytes);
    const quint64 keepHigh =
        _pdep_u64(present >> 32, firstBytes) | _pdep_u64(twoBytes >> 32, secondBytes);
    const __m512i low =
        _mm512_permutex2var_epi8(first, _mm512_load_si512(t.interleaveLow.data()), last);
    const __m512i high =
        _mm512_permutex2var_epi8(first, _mm512_load_si512(t.interleaveHigh.data()), last);
    _mm512_storeu_si512(out, _mm512_maskz_compress_epi8(keepLow, low));
    out += __builtin_popcountll(keepLow);
    _mm512_storeu_si512(out, _mm512_maskz_compress_epi8(keepHigh, high));
    return out + __builtin_popcountll(keepHigh);
}

// 64 Windows-1251 bytes at positions with the given codes: each byte's code from the 256-row
// table, the exclusive or, and the result letter's byte.
GAMMACRYPT_CLI_WIDE_TARGET void transformWindows1251Block(const uchar *in, const quint8 *gamma,
                                                          uchar *out)
{
    const Windows1251Tables &t = windows1251Tables();
    const __m512i bytes = _mm512_loadu_si512(in);
    const __m512i lowHalf = _mm512_permutex2var_epi8(_mm512_load_si512(t.codes.data()), bytes,
                                                     _mm512_load_si512(t.codes.data() + 64));
    const __m512i highHalf = _mm512_permutex2var_epi8(
        _mm512_load_si512(t.codes.data() + 128), bytes, _mm512_load_si512(t.codes.data() + 192));
    const __m512i code = _mm512_mask_blend_epi8(_mm512_movepi8_mask(bytes), lowHalf, highHalf);
    const __m512i result = _mm512_xor_si512(code, _mm512_loadu_si512(gamma));
    const __mmask64 coded = _mm512_cmplt_epu8_mask(result, _mm512_set1_epi8(alphabetSize));
    _mm512_storeu_si512(out, _mm512_mask_permutexvar_epi8(bytes, coded, result,
                                                          _mm512_load_si512(t.letterBytes.data())));
}

#endif // GAMMACRYPT_CLI_SIMD

bool isContinuation(uchar byte)
{
    return (byte & 0xC0) == 0x80;
}

} // namespace

ByteCipher::ByteCipher(Encoding encoding, const GammaKey &key, Blocks blocks) : encoding(encoding)
{
#ifdef GAMMACRYPT_CLI_SIMD
    wideBlocks = blocks == Blocks::Fastest && hasWideBlocks();
#else
    Q_UNUSED(blocks)
#endif
    const Keystream &stream = keystreamFor(key);
    static_assert(Keystream::maxPrefix + Keystream::maxSpan + blockBytes <= 320, "codes fit");
    static_assert(blockBytes <= Keystream::blockLength, "the cycle is laid out far enough");
    std::copy_n(stream.prefix.begin(), stream.prefixLength, codes.begin());
    std::copy_n(stream.cycle.begin(), stream.span + blockBytes,
                codes.begin() + stream.prefixLength);
    cycleStart = stream.prefixLength;
    cycleEnd = stream.prefixLength + stream.span;
}

bool ByteCipher::usable() const
{
    return encoding == Encoding::Utf8 ? utf8Tables().complete : windows1251Tables().complete;
}

ByteCipher::Result ByteCipher::appendLine(const char *data, qint64 size, QByteArray &out,
                                          qint64 &invalidAt) const
{
    const int start = out.size();
    // No character grows by more than one byte for each of its bytes: the space becomes a
    // two-byte letter at most. The wide loop stores two whole registers even for a short rest.
    const qint64 room = encoding == Encoding::Utf8 ? 2 * size + 2 * blockBytes : size;
    out.resize(int(start + room));
    const auto *in = reinterpret_cast<const uchar *>(data);
    auto *result = reinterpret_cast<uchar *>(out.data()) + start;
    qint64 written = size;
    Result outcome = Result::Done;
    if (encoding == Encoding::Utf8)
        outcome = appendUtf8Line(in, size, result, written, invalidAt);
    else
        transformWindows1251(in, size, result);
    out.resize(int(start + (outcome == Result::Done ? written : 0)));
    return outcome;
}

ByteCipher::Result ByteCipher::appendUtf8Line(const uchar *in, qint64 size, uchar *out,
                                              qint64 &written, qint64 &invalidAt) const
{
    const quint16 *const tables = utf8Tables().results.data();
    const uchar *const begin = in;
    const uchar *const end = in + size;
    uchar *const first = out;
    int position = 0;

    // Characters one at a time until stop (the last may reach past it), each checked. What
    // the loop reads is copied into locals: a store of a result byte could alias anything
    // else, and the compiler would load it again after every character.
    const auto oneByOne = [&](const uchar *stop) {
        const uchar *from = in;
        uchar *to = out;
        int at = position;
        const uchar *const lineEnd = end;
        const quint8 *const gamma = codes.data();
        const int wrap = cycleEnd;
        const int restart = cycleStart;
        Result result = Result::Done;
        while (from < stop) {
            // ASCII or a two-byte sequence through the tables; anything longer, or invalid,
            // checked in full.
            const uint lead = from[0];
            const uint second = lineEnd - from >= 2 ? from[1] : 0;
            const bool pair = lead - 0xC2 <= 0xDF - 0xC2 && isContinuation(uchar(second));
            if (lead >= 0x80 && !pair) {
                const int length = validSequenceLength(from, lineEnd);
                if (length == 0) {
                    invalidAt = from - begin;
                    result = Result::Invalid;
                    break;
                }
                // Three and four bytes are copied, unless the lookup gives a code.
                if (hasCode(from, length)) {
                    result = Result::Undecided;
                    break;
                }
                std::memcpy(to, from, size_t(length));
                to += length;
                from += length;
                // One position for each UTF-16 unit: two for a four-byte character.
                for (int units = length == 4 ? 2 : 1; units > 0; --units) {
                    if (++at == wrap)
                        at = restart;
                }
                continue;
            }
            const uint unit = pair ? ((lead & 0x1F) << 6) | (second & 0x3F) : lead;
            const quint16 packed = tables[gamma[at] * shortUnits + unit];
            to[0] = uchar(packed);
            to[1] = uchar(packed >> 8);
            to += packed > 0xFF ? 2 : 1;
            from += pair ? 2 : 1;
            if (++at == wrap)
                at = restart;
        }
        in = from;
        out = to;
        position = at;
        return result;
    };

#ifdef GAMMACRYPT_CLI_SIMD
    // A block of ASCII and two-byte sequences at in, its characters found from the bits of
    // their first bytes; false for any other block. The block loops read one byte past a
    // block: the rest of the line, a block or shorter, is looked at padded with zero bytes
    // (ASCII), and only if its characters end with it (a lead byte at its end has no second).
    const auto shortBlock = [&] {
        const qint64 rest = end - in;
        std::array<uchar, blockBytes + 1> padded{};
        const uchar *block = in;
        if (rest <= blockBytes) {
            std::memcpy(padded.data(), in, size_t(rest));
            block = padded.data();
        }
        const ShortCharacters characters =
            shortCharacters(wideBlocks ? wideKindsOf(block) : kindsOf(block));
        if (characters.starts == 0 || (rest <= blockBytes && characters.length < rest))
            return false;
        const quint64 starts =
            characters.starts & (rest >= blockBytes ? ~quint64(0) : (quint64(1) << rest) - 1);
        if (characters.cyrillic && wideBlocks) {
            out = transformCyrillicBlock(block, starts, codes.data() + position, out, position);
        } else {
            std::array<quint16, blockBytes> units;
            unitsOf(block, units.data());
            out = transformShortCharacters(units.data(), starts, codes.data() + position, tables,
                                           out);
            position += __builtin_popcountll(starts);
        }
        if (position >= cycleEnd)
            position -= cycleEnd - cycleStart;
        in += std::min<qint64>(rest, characters.length);
        return true;
    };
    while (in < end) {
        if (shortBlock())
            continue;
        if (const Result result = oneByOne(std::min(end, in + blockBytes)); result != Result::Done)
            return result;
    }
#endif
    if (const Result result = oneByOne(end); result != Result::Done)
        return result;
    written = out - first;
    return Result::Done;
}

void ByteCipher::transformWindows1251(const uchar *in, qint64 size, uchar *out) const
{
    const quint8 *const tables = windows1251Tables().results.data();
    int position = 0;
    qint64 done = 0;
#ifdef GAMMACRYPT_CLI_SIMD
    if (wideBlocks) {
        const int span = cycleEnd - cycleStart;
        for (; size - done >= blockBytes; done += blockBytes) {
            transformWindows1251Block(in + done, codes.data() + position, out + done);
            position += blockBytes;
            if (position >= cycleEnd)
                position -= span;
        }
    }
#endif
    while (done < size) {
        // Up to the end of the cycle's codes, one byte a position.
        const quint8 *const gamma = codes.data() + position;
        const qint64 run = std::min<qint64>(size - done, cycleEnd - position);
        for (qint64 i = 0; i < run; ++i)
            out[done + i] = tables[gamma[i] * 256 + in[done + i]];
        done += run;
        position = cycleStart;
    }
}

QString ByteCipher::decodeWindows1251(const char *data, qint64 size)
{
    const std::array<char16_t, 256> &units = windows1251Tables().units;
    QString text(int(size), Qt::Uninitialized);
    auto *out = reinterpret_cast<char16_t *>(text.data());
    for (qint64 i = 0; i < size; ++i)
        out[i] = units[uchar(data[i])];
    return text;
}

bool ByteCipher::switchesDecoding(const QByteArray &firstBytes)
{
    return documentio::decodeDocument(firstBytes) !=
           decodeWindows1251(firstBytes.constData(), firstBytes.size());
}

} // namespace cli
