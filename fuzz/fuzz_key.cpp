// Key field validation and conversion against a reference written here, apart from the
// key module: any three texts, never a crash, never a number outside 0..2147483647 from a
// field called valid.
#include "fuzzcheck.h"
#include "key.h"

#include <QStringList>

#include <optional>

namespace {

constexpr std::uint64_t largestKey = 2147483647;

// The field texts are read as typed: ASCII stands for itself.
char16_t typedUnit(std::uint8_t byte)
{
    return byte;
}

bool referenceIsDigitString(const QString &text)
{
    if (text.isEmpty())
        return false;
    for (int i = 0; i < text.size(); ++i) {
        const char16_t unit = text.at(i).unicode();
        if (unit < u'0' || unit > u'9')
            return false;
    }
    return true;
}

// Decimal digits accumulated one by one; a value past the largest key is no number.
std::optional<qint32> referenceKeyNumber(const QString &text)
{
    if (!referenceIsDigitString(text))
        return std::nullopt;
    std::uint64_t value = 0;
    for (int i = 0; i < text.size(); ++i) {
        value = value * 10 + std::uint64_t(text.at(i).unicode() - u'0');
        if (value > largestKey)
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
    if (number) {
        FUZZ_REQUIRE(digits);
        FUZZ_REQUIRE(*number >= 0);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // Three fields, as the dialog has them, separated by line feeds (a line edit holds none).
    const QString typed = fuzzinput::textFrom(data, size, typedUnit);
    const QStringList fields = typed.split(QLatin1Char('\n'));
    for (int i = 0; i < 3; ++i)
        checkField(fields.value(i));
    return 0;
}
