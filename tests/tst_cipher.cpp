// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "alphabet.h"
#include "gamma.h"
#include "gamma_paths.h"
#include "gamma_reference.h"
#include "gammatrace.h"
#include "generatorcycle.h"

#include <QRandomGenerator>
#include <QtTest>

#include <array>
#include <limits>

namespace {

constexpr qint32 int32Min = std::numeric_limits<qint32>::min();
constexpr qint32 int32Max = std::numeric_limits<qint32>::max();

// Written out by hand: the space, then А..Я without Ё and Й.
const QString expectedSymbols = QStringLiteral(" АБВГДЕЖЗИКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ");
const QString lowerLetters = QStringLiteral("абвгдежзиклмнопрстуфхцчшщъыьэюя");

// The first path (the one gammaTransform picks, then each the machine has) whose result
// differs from the plain reference, or nullptr.
const char *pathDisagreeing(const QString &source, qint32 a, qint32 c, qint32 t0)
{
    const QString expected = reference::gammaTransform(standardAlphabet(), source, a, c, t0);
    if (gammaTransform(source, a, c, t0) != expected)
        return "picked";
    static const char *const names[] = {"table", "narrow", "wide"};
    for (const TransformPath path :
         {TransformPath::Table, TransformPath::Narrow, TransformPath::Wide})
        if (transformPathAvailable(path) && gammaTransformVia(path, source, a, c, t0) != expected)
            return names[int(path)];
    return nullptr;
}

// Mostly letters of both cases (long runs feed the wide loops), the rest near misses, any
// code unit, or surrogate halves; the share of the rest varies from line to line.
QString randomLine(QRandomGenerator &random, int length)
{
    static const QString letters = expectedSymbols + lowerLetters;
    static const QString nearMisses = QStringLiteral("ёЁйЙAaKkOo09.,;-\t\r\n\u00a0\u1c80\u1c82"
                                                     "\u1c86\u1c88\u0400\u045f\u040f\u0450");
    const int otherPercent = std::array{0, 20, 50, 100}[random.bounded(4)];
    QString line;
    for (int i = 0; i < length; ++i) {
        if (int(random.bounded(100)) >= otherPercent)
            line += letters.at(random.bounded(letters.size()));
        else if (const int kind = random.bounded(3); kind == 0)
            line += nearMisses.at(random.bounded(nearMisses.size()));
        else
            line += QChar(
                char16_t(kind == 1 ? random.bounded(0x10000) : 0xD800 + random.bounded(0x800)));
    }
    return line;
}

// U+1C80 upper-cases to В and is the first unit past the register loops' range: a step whose
// highest unit it is must still go through the table.
QString roundedVeLine()
{
    QString line(600, QChar(0x430));
    for (int i = 49; i < line.size(); i += 50)
        line[i] = QChar(0x1C80);
    return line;
}

} // namespace

class TestCipher : public QObject
{
    Q_OBJECT

private slots:
    void fillAlphabetTwiceAndTheLookups();
    void lookupCode_data();
    void lookupCode();
    void transform_data();
    void transform();
    void smallKeysAgreeWithReference();
    void keystreamFollowsEveryKeyPart();
    void widePath();
    void traceAndCycle_data();
    void traceAndCycle();
    void traceRowsAroundTheFirstPlane_data();
    void traceRowsAroundTheFirstPlane();
};

void TestCipher::fillAlphabetTwiceAndTheLookups()
{
    AlphabetTable table;
    table.fill({QStringLiteral("stale"), -7});
    for (int pass = 0; pass < 2; ++pass) {
        fillAlphabet(table);
        for (int code = 0; code < alphabetSize; ++code) {
            QCOMPARE(table[code].code, code);
            QCOMPARE(table[code].letter, QString(expectedSymbols.at(code)));
            QCOMPARE(standardAlphabet()[code].letter, table[code].letter);
            QCOMPARE(lookupLetter(code), std::optional<QChar>(expectedSymbols.at(code)));
        }
    }
    QVERIFY(!lookupLetter(-1) && !lookupLetter(alphabetSize) && !lookupLetter(int32Min));

    // The fast lookup (one load per unit) against upper-casing and scanning the rows.
    for (int unit = 0; unit <= 0xFFFF; ++unit) {
        const QChar ch{char16_t(unit)};
        QVERIFY2(::lookupCode(ch) == reference::lookupCode(table, ch),
                 qPrintable(QString::number(unit, 16)));
    }
}

void TestCipher::lookupCode_data()
{
    QTest::addColumn<int>("unit");
    QTest::addColumn<int>("code"); // -1: none

    for (int code = 1; code < alphabetSize; ++code) {
        QTest::addRow("upper %d", code) << int(expectedSymbols.at(code).unicode()) << code;
        QTest::addRow("lower %d", code) << int(lowerLetters.at(code - 1).unicode()) << code;
    }
    QTest::newRow("space") << 0x20 << 0;
    // Ё, ё, Й, й, Latin look-alikes, tab, line feed, surrogate halves: none.
    for (const int unit : {0x0401, 0x0451, 0x0419, 0x0439, 0x41, 0x61, 0x09, 0x0A, 0xD800, 0xDFFF})
        QTest::addRow("U+%04X", unit) << unit << -1;
    // Qt 5.15's Unicode data upper-cases this old Cyrillic form of в to В.
    QTest::newRow("rounded ve") << 0x1C80 << 3;
}

void TestCipher::lookupCode()
{
    QFETCH(int, unit);
    QFETCH(int, code);
    QCOMPARE(::lookupCode(QChar(char16_t(unit))).value_or(-1), code);
}

// Vectors worked out by hand, then random lines and keys (whose expected result is the
// reference's), then every unit with every gamma code.
void TestCipher::transform_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<qint32>("a");
    QTest::addColumn<qint32>("c");
    QTest::addColumn<qint32>("t0");
    QTest::addColumn<QString>("expected");

    // П is 15, З is 8: 15 ^ 7 = 8 and back. One character uses the seed only.
    QTest::newRow("П with gamma 7") << "П" << int32Max << int32Min << 7 << "З";
    QTest::newRow("ПЗ with gamma 7") << "ПЗ" << 1 << 0 << 7 << "ЗП";
    QTest::newRow("empty line") << "" << 5 << 3 << 7 << "";
    // T = 15, 15: a letter meeting its own code becomes the space, the space that letter.
    QTest::newRow("space both ways") << "П " << 1 << 0 << 15 << " П";
    // T = 7, 6, 1, 8: ш 24^7 = 31 Я, и 9^6 = 15 П, ф 20^1 = 21 Х, р 16^8 = 24 Ш.
    QTest::newRow("lower case, key 5 3 7") << "шифр" << 5 << 3 << 7 << "ЯПХШ";
    // T = 40 (code 0), then 40 rem 32 = 8: 15^8 = 7 Ж.
    QTest::newRow("seed of 32 or more") << "пп" << 1 << 0 << 40 << "ПЖ";
    // T(1) = 2·1073741825 wraps to −2147483646, rem −30, code 0; a seed reduced first gives Н.
    QTest::newRow("unreduced seed wraps") << "пп" << 2 << 0 << 1073741825 << "ПП";
    // T = 5, then 5 + int max wraps to −2147483644, rem −28 (code 0); that −28 steps on to
    // −28 + int max = 2147483619, rem 3: П → К, П, М.
    QTest::newRow("negative value enters next step") << "ППП" << 1 << int32Max << 5 << "КПМ";
    // T = 2, then C rem 32 for ever: 37 → 5, −37 → −5 (code 0).
    QTest::newRow("A = 0") << "АААА" << 0 << 37 << 2 << "ВГГГ";
    QTest::newRow("A = 0, negative C") << "аааа" << 0 << -37 << 2 << "ВААА";
    // T = 7, 8, 9: the comma uses up 8, so the second П meets 9: 15^9 = 6 Е.
    QTest::newRow("comma uses its gamma") << "П,П" << 1 << 1 << 7 << "З,Е";
    // −33 rem 32 is −1 (code 0), not 31; −int min wraps to int min, rem 0; int max² wraps to 1.
    QTest::newRow("truncating remainder") << "яя" << 1 << 0 << -33 << "ЯЯ";
    QTest::newRow("negated int min") << "яя" << -1 << 0 << int32Min << "ЯЯ";
    QTest::newRow("int max squared") << "яя" << int32Max << 0 << int32Max << "ЯЮ";
    QTest::newRow("outside the alphabet") << "ёйЁЙAz9.\t" << 5 << 3 << 7 << "ёйЁЙAz9.\t";
    QTest::newRow("U+1C80 in every 50 of 600 а")
        << roundedVeLine() << 5 << 3 << 7
        << reference::gammaTransform(standardAlphabet(), roundedVeLine(), 5, 3, 7);

    // Half the keys at an edge of the generator's arithmetic: around 0, 32 and the int32 ends.
    QRandomGenerator random(0x6A3317);
    const auto key = [&random] {
        static const qint32 edges[] = {int32Min, -33, -32, -1, 0, 1, 31, 32, int32Max};
        return random.bounded(2) == 0 ? edges[random.bounded(int(std::size(edges)))]
                                      : qint32(random.generate());
    };
    for (int row = 0; row < 400; ++row) {
        const int length = row % 40 == 39 ? 3000 + random.bounded(200) : random.bounded(400);
        const QString line = randomLine(random, length);
        const qint32 a = key(), c = key(), t0 = key();
        QTest::addRow("random %d: length %d, key %d %d %d", row, length, a, c, t0)
            << line << a << c << t0
            << reference::gammaTransform(standardAlphabet(), line, a, c, t0);
    }

    // With A = 0 and C = T0 = g every position has the gamma code g.
    QString units;
    for (int unit = 0; unit < 0x1D00; ++unit)
        units += QChar(char16_t(unit));
    units += QChar(char16_t(0xFFFF));
    for (qint32 gamma = 0; gamma < alphabetSize; ++gamma)
        QTest::addRow("every unit, gamma %d", gamma)
            << units << 0 << gamma << gamma
            << reference::gammaTransform(standardAlphabet(), units, 0, gamma, gamma);
}

// The properties callers rely on: the reference's result on every path, the length kept,
// characters outside the alphabet in place, and twice gives the source upper-cased.
void TestCipher::transform()
{
    QFETCH(QString, source);
    QFETCH(qint32, a);
    QFETCH(qint32, c);
    QFETCH(qint32, t0);
    QFETCH(QString, expected);

    QCOMPARE(reference::gammaTransform(standardAlphabet(), source, a, c, t0), expected);
    const char *disagreeing = pathDisagreeing(source, a, c, t0);
    QVERIFY2(!disagreeing, disagreeing);
    const QString result = gammaTransform(source, a, c, t0);
    QCOMPARE(result.size(), source.size());
    for (int i = 0; i < source.size(); ++i)
        if (!reference::lookupCode(standardAlphabet(), source.at(i)))
            QCOMPARE(result.at(i), source.at(i));
    QCOMPARE(gammaTransform(result, a, c, t0),
             reference::upperCaseAlphabetCharacters(standardAlphabet(), source));
}

// Every small multiplier and increment: the keystream's prefixes and cycles of every
// length, with seeds below, inside and above 0..31.
void TestCipher::smallKeysAgreeWithReference()
{
    const QString line = QString(300, QLatin1Char(' ')) + QStringLiteral("ПРИВЕТ, мир");
    for (const qint32 t0 : {-40, -1, 0, 7, 40, int32Max})
        for (qint32 a = -40; a <= 40; ++a)
            for (qint32 c = -40; c <= 40; ++c)
                if (const char *disagreeing = pathDisagreeing(line, a, c, t0))
                    QFAIL(qPrintable(
                        QStringLiteral("%1, key %2 %3 %4").arg(disagreeing).arg(a).arg(c).arg(t0)));
}

// The keystream of the last key is kept: back-to-back lines under keys that differ in one part
// only must not reuse it.
void TestCipher::keystreamFollowsEveryKeyPart()
{
    const QString line = QString(300, QChar(0x430));
    for (const std::array<qint32, 3> &key :
         {std::array{5, 3, 7}, std::array{5, 3, 8}, std::array{5, 4, 8}, std::array{6, 4, 8}}) {
        if (const char *disagreeing = pathDisagreeing(line, key[0], key[1], key[2]))
            QFAIL(qPrintable(
                QString::asprintf("%s, key %d %d %d", disagreeing, key[0], key[1], key[2])));
    }
}

void TestCipher::widePath()
{
    if (!transformPathAvailable(TransformPath::Wide))
        QSKIP("no AVX-512BW on this machine: the wide path is not checked here");
    QCOMPARE(gammaTransformVia(TransformPath::Wide, roundedVeLine(), 5, 3, 7),
             reference::gammaTransform(standardAlphabet(), roundedVeLine(), 5, 3, 7));
}

// Keys whose prefix and cycle end at different places; every line runs past both ends.
void TestCipher::traceAndCycle_data()
{
    QTest::addColumn<qint32>("a");
    QTest::addColumn<qint32>("c");
    QTest::addColumn<qint32>("t0");
    QTest::newRow("full cycle from the seed") << 5 << 3 << 7;
    QTest::newRow("seed outside, then one value") << 90210 << 31337 << 2026;
    QTest::newRow("33 zeros, then a cycle of 32") << -25473747 << 2134952133 << -32;
    QTest::newRow("extremes") << int32Min << int32Max << int32Min;
    QTest::newRow("all zero") << 0 << 0 << 0;
}

void TestCipher::traceAndCycle()
{
    QFETCH(qint32, a);
    QFETCH(qint32, c);
    QFETCH(qint32, t0);
    QRandomGenerator random(quint32(a) ^ quint32(c) ^ quint32(t0));
    const QString line = randomLine(random, 200);
    const QString expected = reference::gammaTransform(standardAlphabet(), line, a, c, t0);

    QVector<qint32> values;
    TraceWalker walker({a, c, t0});
    qint32 value = t0;
    for (int i = 0; i < line.size(); ++i, value = reference::generatorStep(value, a, c)) {
        values.append(value);
        const TraceRow row = walker.step(line.at(i).unicode());
        const std::optional<int> code = ::lookupCode(line.at(i));
        const int gamma = value >= 0 && value <= 31 ? value : 0;
        QCOMPARE(row.position, qint64(i));
        QCOMPARE(row.character, char32_t(line.at(i).unicode()));
        QCOMPARE(row.code, code.value_or(-1));
        QCOMPARE(row.value, value);
        QCOMPARE(row.gamma, gamma);
        QCOMPARE(row.resultCode, code ? *code ^ gamma : -1);
        QCOMPARE(row.result, char32_t(expected.at(i).unicode()));
    }

    // From mu on the values repeat with period lambda, and none repeats before mu + lambda.
    const GeneratorCycle cycle = generatorCycle({a, c, t0});
    QVERIFY(cycle.lambda >= 1 && cycle.mu + cycle.lambda < values.size());
    QCOMPARE(cycle.value, values.at(cycle.mu));
    QCOMPARE(values.at(cycle.mu + cycle.lambda), values.at(cycle.mu));
    const QVector<qint32> beforeRepeat = values.mid(0, cycle.mu + cycle.lambda);
    for (int i = 0; i < beforeRepeat.size(); ++i)
        QCOMPARE(beforeRepeat.indexOf(beforeRepeat.at(i)), i);
}

// A character past the first plane is two UTF-16 units: one row that takes two positions and
// two generator steps, as the text path counts it. U+FFFF is still one unit.
void TestCipher::traceRowsAroundTheFirstPlane_data()
{
    QTest::addColumn<QVector<uint>>("characters");
    QTest::addColumn<QVector<int>>("positions");
    QTest::newRow("U+FFFF, then a letter") << QVector<uint>{0xFFFF, 0x44F} << QVector<int>{0, 1};
    QTest::newRow("U+10000, then a letter") << QVector<uint>{0x10000, 0x44F} << QVector<int>{0, 2};
    QTest::newRow("U+10FFFF twice, a space last")
        << QVector<uint>{0x10FFFF, 0x10FFFF, 0x20} << QVector<int>{0, 2, 4};
}

void TestCipher::traceRowsAroundTheFirstPlane()
{
    QFETCH(QVector<uint>, characters);
    QFETCH(QVector<int>, positions);
    const qint32 a = 1103515245;
    const qint32 c = 12345;
    const qint32 t0 = 7;
    TraceWalker walker({a, c, t0});
    qint32 value = t0;
    qint64 position = 0;
    for (int i = 0; i < characters.size(); ++i) {
        for (; position < positions.at(i); ++position)
            value = reference::generatorStep(value, a, c);
        const TraceRow row = walker.step(char32_t(characters.at(i)));
        QCOMPARE(row.position, qint64(positions.at(i)));
        QCOMPARE(row.value, value);
        const std::optional<int> code = characters.at(i) < 0x10000
                                            ? ::lookupCode(QChar(char16_t(characters.at(i))))
                                            : std::nullopt;
        QCOMPARE(row.code, code.value_or(-1));
        QCOMPARE(row.gamma, value >= 0 && value <= 31 ? value : 0);
    }
}

QTEST_APPLESS_MAIN(TestCipher)

#include "tst_cipher.moc"
