// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "utf8.h"

#include <cstring>

namespace cli {

namespace {

bool isContinuation(uchar byte)
{
    return (byte & 0xC0) == 0x80;
}

// The bytes allowed right after a lead byte: the narrower ranges after E0, ED, F0 and F4
// are what rule out overlong forms, surrogates and values past U+10FFFF.
bool secondByteFits(uchar lead, uchar second)
{
    switch (lead) {
    case 0xE0:
        return second >= 0xA0 && second <= 0xBF;
    case 0xED:
        return second >= 0x80 && second <= 0x9F;
    case 0xF0:
        return second >= 0x90 && second <= 0xBF;
    case 0xF4:
        return second >= 0x80 && second <= 0x8F;
    default:
        return isContinuation(second);
    }
}

int sequenceLength(uchar lead)
{
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0; // a continuation byte, C0, C1 or F5..FF cannot start a sequence
}

// Ordinary text is mostly ASCII: eight bytes at a time while none has its top bit set.
const uchar *copyAsciiRun(const uchar *in, const uchar *end, char16_t *&out)
{
    constexpr quint64 highBits = 0x8080808080808080ULL;
    while (end - in >= 8) {
        quint64 word;
        std::memcpy(&word, in, sizeof word);
        if (word & highBits)
            break;
        for (int i = 0; i < 8; ++i)
            out[i] = in[i];
        in += 8;
        out += 8;
    }
    while (in < end && *in < 0x80)
        *out++ = *in++;
    return in;
}

// Cyrillic letters are two-byte sequences: a short way for a word of them. Stops before
// anything else, and before a lead byte whose sequence is not complete in the data.
const uchar *copyTwoByteRun(const uchar *in, const uchar *end, char16_t *&out)
{
    while (end - in >= 2 && in[0] >= 0xC2 && in[0] <= 0xDF && isContinuation(in[1])) {
        *out++ = char16_t(((in[0] & 0x1F) << 6) | (in[1] & 0x3F));
        in += 2;
    }
    return in;
}

} // namespace

int validSequenceLength(const uchar *in, const uchar *end)
{
    if (*in < 0x80)
        return 1;
    const uchar lead = *in;
    const int length = sequenceLength(lead);
    if (length == 0 || end - in < length || !secondByteFits(lead, in[1]))
        return 0;
    for (int i = 2; i < length; ++i) {
        if (!isContinuation(in[i]))
            return 0;
    }
    return length;
}

qint64 decodeUtf8(const char *data, qint64 size, QString &text)
{
    // UTF-8 never needs more UTF-16 code units than it has bytes.
    text.resize(int(size));
    char16_t *const first = reinterpret_cast<char16_t *>(text.data());
    char16_t *out = first;
    const auto *const begin = reinterpret_cast<const uchar *>(data);
    const uchar *const end = begin + size;
    const uchar *in = begin;

    while (in < end) {
        in = copyAsciiRun(in, end, out);
        in = copyTwoByteRun(in, end, out);
        if (in == end)
            break;
        if (*in < 0x80) {
            *out++ = *in++;
            continue;
        }
        const uchar lead = *in;
        const int length = validSequenceLength(in, end);
        if (length == 0)
            return in - begin;
        if (length == 2) {
            *out++ = char16_t(((lead & 0x1F) << 6) | (in[1] & 0x3F));
        } else if (length == 3) {
            *out++ = char16_t(((lead & 0x0F) << 12) | ((in[1] & 0x3F) << 6) | (in[2] & 0x3F));
        } else {
            const char32_t point = ((lead & 0x07) << 18) | ((in[1] & 0x3F) << 12) |
                                   ((in[2] & 0x3F) << 6) | (in[3] & 0x3F);
            *out++ = char16_t(0xD800 + ((point - 0x10000) >> 10));
            *out++ = char16_t(0xDC00 + ((point - 0x10000) & 0x3FF));
        }
        in += length;
    }
    text.resize(int(out - first));
    return -1;
}

qint64 utf8CompletePrefix(const char *data, qint64 size)
{
    for (qint64 back = 1; back <= 3 && back <= size; ++back) {
        const auto byte = uchar(data[size - back]);
        if (!isContinuation(byte))
            return sequenceLength(byte) > back ? size - back : size;
    }
    return size;
}

int appendUtf8(const QString &text, QByteArray &bytes)
{
    const int start = bytes.size();
    bytes.resize(start + text.size() * 3); // no UTF-16 unit takes more than three bytes
    auto *out = reinterpret_cast<uchar *>(bytes.data()) + start;
    const auto *in = reinterpret_cast<const char16_t *>(text.constData());
    const char16_t *const end = in + text.size();
    int lone = 0;
    while (in < end) {
        // Units below U+0800 without a branch between one and two bytes (the second byte is
        // written either way; the room for three bytes a unit allows it).
        while (in < end && *in < 0x800) {
            const uint unit = *in++;
            const uint ascii = unit < 0x80;
            const uint asciiMask = 0u - ascii;
            out[0] = uchar((unit & asciiMask) | ((0xC0 | (unit >> 6)) & ~asciiMask));
            out[1] = uchar(0x80 | (unit & 0x3F));
            out += 2 - ascii;
        }
        if (in == end)
            break;
        const char16_t unit = *in++;
        if (unit >= 0xD800 && unit <= 0xDBFF && in < end && *in >= 0xDC00 && *in <= 0xDFFF) {
            const char32_t point = 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (*in++ - 0xDC00);
            *out++ = uchar(0xF0 | (point >> 18));
            *out++ = uchar(0x80 | ((point >> 12) & 0x3F));
            *out++ = uchar(0x80 | ((point >> 6) & 0x3F));
            *out++ = uchar(0x80 | (point & 0x3F));
        } else {
            char16_t written = unit;
            if (unit >= 0xD800 && unit <= 0xDFFF) {
                written = 0xFFFD;
                ++lone;
            }
            *out++ = uchar(0xE0 | (written >> 12));
            *out++ = uchar(0x80 | ((written >> 6) & 0x3F));
            *out++ = uchar(0x80 | (written & 0x3F));
        }
    }
    bytes.resize(int(out - reinterpret_cast<uchar *>(bytes.data())));
    return lone;
}

} // namespace cli
