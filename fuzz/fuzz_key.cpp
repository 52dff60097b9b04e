// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Key field validation and conversion against a reference written here, apart from the
// key module: any three texts, never a crash, never a number outside 0..2147483647 from a
// field called valid.
#include "fuzzcheck.h"
#include "key.h"

#include <QStringList>

#include <algorithm>
#include <optional>

namespace {

bool referenceIsDigitString(const QString &text)
{
    return !text.isEmpty() && std::all_of(text.cbegin(), text.cend(),
                                          [](QChar ch) { return ch >= u'0' && ch <= u'9'; });
}

// Decimal digits accumulated one by one; a value past the largest key is no number.
std::optional<qint32> referenceKeyNumber(const QString &text)
{
    if (!referenceIsDigitString(text))
        return std::nullopt;
    std::uint64_t value = 0;
    for (const QChar ch : text) {
        value = value * 10 + std::uint64_t(ch.unicode() - u'0');
        if (value > 2147483647)
            return std::nullopt;
    }
    return qint32(value);
}

void checkField(const QString &text)
{
    const bool digits = isDigitString(text);
    FUZZ_REQUIRE(digits == referenceIsDigitString(text));
    const std::optional<qint32> number = keyNumber(text);
    FUZZ_REQUIRE(number == referenceKeyNumber(text));
    FUZZ_REQUIRE(!number || (digits && *number >= 0));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // Three fields, as the dialog has them, separated by line feeds (a line edit holds none).
    // The field texts are read as typed: ASCII stands for itself.
    const QString typed =
        fuzzinput::textFrom(data, size, [](std::uint8_t byte) { return char16_t(byte); });
    const QStringList fields = typed.split(QLatin1Char('\n'));
    for (int i = 0; i < 3; ++i)
        checkField(fields.value(i));
    return 0;
}
