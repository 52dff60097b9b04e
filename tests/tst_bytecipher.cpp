// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The byte path of gammacrypt-cli against the text path it stands in for: decoding to UTF-16,
// gammaTransform, and encoding again, line by line.

#include "alphabet.h"
#include "bytecipher.h"
#include "documentio.h"
#include "gamma.h"
#include "utf8.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {

using cli::ByteCipher;
using cli::Encoding;

struct Outcome
{
    ByteCipher::Result result = ByteCipher::Result::Done;
    QByteArray bytes;
    qint64 invalidAt = -1;
};

bool hasCodeOutsideTables(const QString &text)
{
    return std::any_of(text.cbegin(), text.cend(),
                       [](QChar ch) { return ch.unicode() >= 0x800 && lookupCode(ch); });
}

// The text path. Windows-1251 is decoded as Open decodes it, behind a byte that keeps a line
// starting like a byte-order mark from being taken for one.
Outcome textPath(Encoding encoding, const GammaKey &key, const QByteArray &line)
{
    Outcome outcome;
    QString text;
    if (encoding == Encoding::Windows1251) {
        text = documentio::decodeDocument("x" + line).mid(1);
    } else if (const qint64 bad = cli::decodeUtf8(line.constData(), line.size(), text); bad >= 0) {
        cli::decodeUtf8(line.constData(), bad, text);
        outcome.result = hasCodeOutsideTables(text) ? ByteCipher::Result::Undecided
                                                    : ByteCipher::Result::Invalid;
        outcome.invalidAt = bad;
        return outcome;
    }
    if (encoding == Encoding::Utf8 && hasCodeOutsideTables(text))
        outcome.result = ByteCipher::Result::Undecided;
    const QString result = gammaTransform(text, key.a, key.c, key.t0);
    if (encoding == Encoding::Utf8)
        cli::appendUtf8(result, outcome.bytes);
    else
        outcome.bytes = documentio::encodeWindows1251(result).bytes;
    return outcome;
}

Outcome bytePath(const ByteCipher &cipher, const QByteArray &line)
{
    Outcome outcome;
    outcome.bytes = "kept"; // what the line is appended to
    outcome.result =
        cipher.appendLine(line.constData(), line.size(), outcome.bytes, outcome.invalidAt);
    if (!outcome.bytes.startsWith("kept"))
        outcome.bytes = "<overwritten>";
    outcome.bytes.remove(0, 4);
    return outcome;
}

// UTF-8 of every kind: the alphabet, its near misses and other characters of one to four
// bytes, the U+1C80 family (upper-cased to letters), bytes that start no valid sequence.
const QList<QByteArray> &pieces(int kind)
{
    static const QList<QList<QByteArray>> kinds = [] {
        const auto utf8 = [](const QString &text) {
            QList<QByteArray> list;
            for (const char32_t point : text.toUcs4())
                list += QString::fromUcs4(&point, 1).toUtf8();
            return list;
        };
        return QList<QList<QByteArray>>{
            utf8(QStringLiteral(" АБВГДЕЖЗИКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯабвгдежзиклмнопрстуфхцчшщъыьэюя")),
            utf8(QStringLiteral("ёЁйЙ\u0400\u040F\u0450\u045F\u0460\u047F\u0480AzZ09.,\t\0\x7f"
                                "«»\u00A0\u00FF\u03A9\u07FF—€\u2028\uFEFF\uFFFF😀\U0010FFFF")),
            utf8(QStringLiteral("\u1C80\u1C81\u1C82\u1C83\u1C84\u1C85\u1C86\u1C87\u1C88")),
            {"\x80", "\xBF", "\xC0\x80", "\xC1\xBF", "\xD0", "\xE2\x82", "\xED\xA0\x80",
             "\xE0\x80\x80", "\xF0\x80\x80\x80", "\xF4\x90\x80\x80", "\xF5", "\xFF"}};
    }();
    return kinds.at(kind);
}

// Mostly the alphabet, in runs long enough for whole blocks, with some of the other kinds.
QByteArray randomUtf8Line(QRandomGenerator &random, const QList<int> &otherKinds)
{
    const int length = int(random.bounded(300));
    QByteArray line;
    while (line.size() < length) {
        const bool other = !otherKinds.isEmpty() && random.bounded(100) < 15;
        const QList<QByteArray> &from =
            pieces(other ? otherKinds.at(random.bounded(otherKinds.size())) : 0);
        line += from.at(random.bounded(from.size()));
    }
    return line;
}

QByteArray randomBytes(QRandomGenerator &random)
{
    QByteArray line(int(random.bounded(300)), Qt::Uninitialized);
    for (char &byte : line)
        byte = char(random.bounded(256));
    return line;
}

GammaKey randomKey(QRandomGenerator &random)
{
    const auto part = [&random] {
        const qint32 extremes[] = {0, 1, -1, 31, -32, 2147483647, -2147483647 - 1};
        return random.bounded(4) == 0 ? extremes[random.bounded(7)] : qint32(random.generate());
    };
    return {part(), part(), part()};
}

} // namespace

Q_DECLARE_METATYPE(cli::Encoding)
Q_DECLARE_METATYPE(cli::ByteCipher::Blocks)

class TestByteCipher : public QObject
{
    Q_OBJECT

private slots:
    void sameAsTextPath_data();
    void sameAsTextPath();
    void byteOrderMark_data();
    void byteOrderMark();
};

void TestByteCipher::sameAsTextPath_data()
{
    QTest::addColumn<Encoding>("encoding");
    QTest::addColumn<QList<int>>("otherKinds"); // of pieces(); empty: random bytes
    QTest::addColumn<ByteCipher::Blocks>("blocks");

    for (const ByteCipher::Blocks blocks :
         {ByteCipher::Blocks::Fastest, ByteCipher::Blocks::WithoutAvx512}) {
        const char *name = blocks == ByteCipher::Blocks::Fastest ? "fastest" : "without AVX-512";
        const auto row = [name](const char *what) {
            return &QTest::newRow(qPrintable(QStringLiteral("%1, %2").arg(what, name)));
        };
        *row("UTF-8: the alphabet") << Encoding::Utf8 << QList<int>{} << blocks;
        *row("UTF-8: other characters") << Encoding::Utf8 << QList<int>{1} << blocks;
        *row("UTF-8: U+1C80 family") << Encoding::Utf8 << QList<int>{1, 2} << blocks;
        *row("UTF-8: invalid bytes") << Encoding::Utf8 << QList<int>{1, 3} << blocks;
        *row("UTF-8: every kind") << Encoding::Utf8 << QList<int>{1, 2, 3} << blocks;
        *row("UTF-8: any bytes") << Encoding::Utf8 << QList<int>{-1} << blocks;
        *row("Windows-1251: any bytes") << Encoding::Windows1251 << QList<int>{-1} << blocks;
    }
}

// Random lines under random keys: the same bytes, the same first invalid byte, and undecided
// exactly when a character upper-cases to a letter though it is not a two-byte sequence.
void TestByteCipher::sameAsTextPath()
{
    QFETCH(Encoding, encoding);
    QFETCH(QList<int>, otherKinds);
    QFETCH(ByteCipher::Blocks, blocks);

    QRandomGenerator random(quint32(qHash(QByteArray(QTest::currentDataTag()))));
    for (int i = 0; i < 3000; ++i) {
        const GammaKey key = randomKey(random);
        const ByteCipher cipher(encoding, key, blocks);
        QVERIFY(cipher.usable());
        const QByteArray line =
            otherKinds == QList<int>{-1} ? randomBytes(random) : randomUtf8Line(random, otherKinds);
        const Outcome expected = textPath(encoding, key, line);
        const Outcome actual = bytePath(cipher, line);
        const QByteArray context = QByteArray::number(key.a) + ',' + QByteArray::number(key.c) +
                                   ',' + QByteArray::number(key.t0) + ": " + line.toHex();
        QVERIFY2(actual.result == expected.result, context);
        QVERIFY2(actual.bytes == (actual.result == ByteCipher::Result::Done ? expected.bytes : ""),
                 context);
        QVERIFY2(actual.result != ByteCipher::Result::Invalid ||
                     actual.invalidAt == expected.invalidAt,
                 context);
    }
}

void TestByteCipher::byteOrderMark_data()
{
    QTest::addColumn<QByteArray>("start");
    QTest::addColumn<bool>("switches");

    QTest::newRow("UTF-8") << QByteArray("\xEF\xBB\xBF\xD0") << true;
    QTest::newRow("UTF-16LE, alone") << QByteArray("\xFF\xFE") << true;
    QTest::newRow("UTF-16BE") << QByteArray("\xFE\xFF\x04\x10") << true;
    QTest::newRow("UTF-32BE") << QByteArray("\0\0\xFE\xFF", 4) << true;
    QTest::newRow("UTF-8 mark cut short") << QByteArray("\xEF\xBB") << false;
    QTest::newRow("я and Windows-1251") << QByteArray("\xFF\xE0\xFE\xFF") << false;
    QTest::newRow("NUL bytes") << QByteArray("\0\0\xFE", 3) << false;
    QTest::newRow("empty") << QByteArray() << false;
}

// Decided from what Open makes of the first bytes.
void TestByteCipher::byteOrderMark()
{
    QFETCH(QByteArray, start);
    QFETCH(bool, switches);
    QCOMPARE(ByteCipher::switchesDecoding(start), switches);
}

QTEST_APPLESS_MAIN(TestByteCipher)
#include "tst_bytecipher.moc"
