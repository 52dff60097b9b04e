// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Any bytes as a document file: the decoding Open uses, the last line Save takes (after the
// last line break of any kind the editing area knows), and the Windows-1251 encoding Save
// writes. Never a crash; a file without a byte-order mark comes
// back byte for byte, every one of the 256 byte values included.
#include "documentio.h"
#include "fuzzcheck.h"

#include <QByteArray>
#include <QVector>

#include <algorithm>

namespace {

// The marks that switch the reading from Windows-1251 to a Unicode form.
bool startsWithByteOrderMark(const QByteArray &bytes)
{
    for (const char *mark : {"\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF", "\x00\x00\xFE\xFF"}) {
        const QByteArray prefix = mark[0] ? QByteArray(mark) : QByteArray(mark, 4);
        if (bytes.startsWith(prefix))
            return true;
    }
    return false;
}

// Written here apart from the library: LF, CR, the Unicode line and paragraph separators and
// the editing area's frame marks.
bool breaksLine(QChar ch)
{
    const char16_t unit = ch.unicode();
    return unit == u'\n' || unit == u'\r' || unit == 0x2028 || unit == 0x2029 || unit == 0xFDD0 ||
           unit == 0xFDD1;
}

int lastBreakByte(const QByteArray &bytes)
{
    return std::max(bytes.lastIndexOf('\n'), bytes.lastIndexOf('\r'));
}

void checkWindows1251RoundTrip(const QByteArray &bytes, const QString &text, const QString &line)
{
    FUZZ_REQUIRE(text.size() == bytes.size()); // one character per byte

    const documentio::EncodedLine whole = documentio::encodeWindows1251(text);
    FUZZ_REQUIRE(whole.unrepresentable == 0);
    FUZZ_REQUIRE(whole.bytes == bytes);

    const documentio::EncodedLine saved = documentio::encodeWindows1251(line);
    FUZZ_REQUIRE(saved.unrepresentable == 0);
    FUZZ_REQUIRE(saved.bytes == bytes.mid(lastBreakByte(bytes) + 1));
}

void checkUnicodeForm(const QString &line)
{
    // Nothing is lost uncounted: every character Windows-1251 has reaches the file as its
    // byte. (One it lacks is written as "?", or left out when Unicode calls it ignorable,
    // like U+FEFF; either way it is counted.)
    const documentio::EncodedLine saved = documentio::encodeWindows1251(line);
    const int characters = line.toUcs4().size(); // a surrogate pair is one character
    FUZZ_REQUIRE(saved.bytes.size() <= characters);
    FUZZ_REQUIRE(saved.bytes.size() >= characters - saved.unrepresentable);
    if (saved.unrepresentable == 0 && !startsWithByteOrderMark(saved.bytes))
        FUZZ_REQUIRE(documentio::decodeDocument(saved.bytes) == line);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    const QString text = documentio::decodeDocument(bytes);
    const QString line = documentio::lastLine(text);

    FUZZ_REQUIRE(std::none_of(line.cbegin(), line.cend(), breaksLine));
    FUZZ_REQUIRE(text.endsWith(line));
    FUZZ_REQUIRE(line.size() == text.size() || breaksLine(text.at(text.size() - line.size() - 1)));

    if (startsWithByteOrderMark(bytes))
        checkUnicodeForm(line);
    else
        checkWindows1251RoundTrip(bytes, text, line);
    return 0;
}
