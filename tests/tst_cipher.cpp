#include "alphabet.h"
#include "gamma.h"
#include "gamma_paths.h"
#include "gamma_reference.h"

#include <QRandomGenerator>
#include <QVector>
#include <QtTest>

#include <limits>

namespace {

constexpr qint32 int32Min = std::numeric_limits<qint32>::min();
constexpr qint32 int32Max = std::numeric_limits<qint32>::max();

// The symbols by code, written out from the alphabet's definition: the space, then А..Я
// without Ё and Й.
const QString expectedSymbols = QStringLiteral(" АБВГДЕЖЗИКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ");

const AlphabetTable &filledTable()
{
    static const AlphabetTable table = [] {
        AlphabetTable filled;
        fillAlphabet(filled);
        return filled;
    }();
    return table;
}

QString fromUnits(std::initializer_list<char16_t> units)
{
    QString text;
    for (const char16_t unit : units)
        text += QChar(unit);
    return text;
}

QVector<TransformPath> availablePaths()
{
    QVector<TransformPath> paths;
    for (const TransformPath path :
         {TransformPath::Table, TransformPath::Narrow, TransformPath::Wide}) {
        if (transformPathAvailable(path))
            paths << path;
    }
    return paths;
}

const char *pathName(TransformPath path)
{
    switch (path) {
    case TransformPath::Table:
        return "table";
    case TransformPath::Narrow:
        return "narrow";
    case TransformPath::Wide:
        return "wide";
    }
    return "?";
}

// Keys at the edges of the generator's arithmetic: around zero, around the modulus, and
// the ends of the signed 32-bit range.
const qint32 edgeValues[] = {int32Min, int32Min + 1, -33, -32, -31,          -1,      0, 1,
                             2,        31,           32,  33,  int32Max - 1, int32Max};

qint32 randomKeyValue(QRandomGenerator &random)
{
    if (random.bounded(2) == 0)
        return edgeValues[random.bounded(int(std::size(edgeValues)))];
    return qint32(random.generate());
}

// Lines of several kinds, so that every branch of the lookups meets every kind of unit.
QString randomLine(QRandomGenerator &random, int kind, int length)
{
    static const QString alphabetBothCases =
        expectedSymbols + QStringLiteral("абвгдежзиклмнопрстуфхцчшщъыьэюя");
    static const QString nearMisses = QStringLiteral("ёЁйЙAaKkOo09.,;-\t\r\n\u00a0\u1c80\u1c82"
                                                     "\u1c86\u1c88\u0400\u045f\u040f\u0450");
    QString line;
    line.reserve(length);
    for (int i = 0; i < length; ++i) {
        switch (kind) {
        case 0: // typed text: mostly alphabet, some near misses
            line += random.bounded(5) == 0
                        ? nearMisses.at(random.bounded(nearMisses.size()))
                        : alphabetBothCases.at(random.bounded(alphabetBothCases.size()));
            break;
        case 1: // any code unit at all, surrogate halves included
            line += QChar(char16_t(random.bounded(0x10000)));
            break;
        case 2: // surrogate halves, paired or lone, between letters
            line += random.bounded(2) == 0
                        ? QChar(char16_t(0xD800 + random.bounded(0x800)))
                        : alphabetBothCases.at(random.bounded(alphabetBothCases.size()));
            break;
        default: // the alphabet only
            line += alphabetBothCases.at(random.bounded(alphabetBothCases.size()));
            break;
        }
    }
    return line;
}

} // namespace

class TestCipher : public QObject
{
    Q_OBJECT

private slots:
    void fillAlphabetWritesTheRowsInCodeOrder();
    void fillAlphabetTwiceGivesTheSameTable();
    void lookupCode_data();
    void lookupCode();
    void lookupCodeUpperCasesLikeTheRowScanForEveryUnit();
    void lookupLetter_data();
    void lookupLetter();
    void gammaCodeOfValue_data();
    void gammaCodeOfValue();
    void generatorStep_data();
    void generatorStep();
    void knownVectors_data();
    void knownVectors();
    void randomLines_data();
    void randomLines();
    void everyPathAgreesForEveryUnitAndGammaCode();
    void smallKeysAgreeWithReference();
};

void TestCipher::fillAlphabetWritesTheRowsInCodeOrder()
{
    AlphabetTable table;
    fillAlphabet(table);
    for (int code = 0; code < alphabetSize; ++code) {
        QCOMPARE(table[code].code, code);
        QCOMPARE(table[code].letter, QString(expectedSymbols.at(code)));
    }
    QCOMPARE(table[9].letter.at(0).unicode(), 0x0418);  // И
    QCOMPARE(table[10].letter.at(0).unicode(), 0x041A); // К: Й is left out
}

void TestCipher::fillAlphabetTwiceGivesTheSameTable()
{
    AlphabetTable table;
    for (AlphabetEntry &row : table)
        row = {QStringLiteral("stale"), -7};
    fillAlphabet(table);
    const AlphabetTable once = table;
    fillAlphabet(table);
    for (int code = 0; code < alphabetSize; ++code) {
        QCOMPARE(table[code].letter, once[code].letter);
        QCOMPARE(table[code].code, once[code].code);
    }
    QCOMPARE(standardAlphabet()[31].letter, once[31].letter);
}

void TestCipher::lookupCode_data()
{
    QTest::addColumn<int>("unit");
    QTest::addColumn<int>("code"); // -1: none

    for (int code = 1; code < alphabetSize; ++code) {
        const char16_t upper = expectedSymbols.at(code).unicode();
        QTest::addRow("upper %d", code) << int(upper) << code;
        QTest::addRow("lower %d", code) << int(upper + 0x20) << code;
    }
    QTest::newRow("space") << 0x20 << 0;
    QTest::newRow("Ё") << 0x0401 << -1;
    QTest::newRow("ё") << 0x0451 << -1;
    QTest::newRow("Й") << 0x0419 << -1;
    QTest::newRow("й") << 0x0439 << -1;
    QTest::newRow("Latin A") << 0x41 << -1;
    QTest::newRow("Latin a") << 0x61 << -1;
    QTest::newRow("Latin K") << 0x4B << -1;
    QTest::newRow("digit") << 0x37 << -1;
    QTest::newRow("tab") << 0x09 << -1;
    QTest::newRow("line feed") << 0x0A << -1;
    QTest::newRow("no-break space") << 0xA0 << -1;
    QTest::newRow("first high surrogate") << 0xD800 << -1;
    QTest::newRow("last high surrogate") << 0xDBFF << -1;
    QTest::newRow("first low surrogate") << 0xDC00 << -1;
    QTest::newRow("last low surrogate") << 0xDFFF << -1;
    // Qt 5.15's Unicode data upper-cases this old Cyrillic form of в to В.
    QTest::newRow("rounded ve") << 0x1C80 << 3;
}

void TestCipher::lookupCode()
{
    QFETCH(int, unit);
    QFETCH(int, code);
    const std::optional<int> found = ::lookupCode(QChar(char16_t(unit)));
    QCOMPARE(found.value_or(-1), code);
}

void TestCipher::lookupCodeUpperCasesLikeTheRowScanForEveryUnit()
{
    for (int unit = 0; unit <= 0xFFFF; ++unit) {
        const QChar ch{char16_t(unit)};
        const int fast = ::lookupCode(ch).value_or(-1);
        const int scanned = reference::lookupCode(filledTable(), ch).value_or(-1);
        if (fast != scanned)
            QFAIL(qPrintable(QStringLiteral("U+%1: %2 instead of %3")
                                 .arg(unit, 4, 16, QLatin1Char('0'))
                                 .arg(fast)
                                 .arg(scanned)));
    }
}

void TestCipher::lookupLetter_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("unit"); // -1: none

    QTest::newRow("0 is the space") << 0 << 0x20;
    QTest::newRow("1 is А") << 1 << 0x0410;
    QTest::newRow("9 is И") << 9 << 0x0418;
    QTest::newRow("10 is К") << 10 << 0x041A;
    QTest::newRow("31 is Я") << 31 << 0x042F;
    QTest::newRow("32") << 32 << -1;
    QTest::newRow("-1") << -1 << -1;
    QTest::newRow("int min") << int(int32Min) << -1;
    QTest::newRow("int max") << int(int32Max) << -1;
}

void TestCipher::lookupLetter()
{
    QFETCH(int, code);
    QFETCH(int, unit);
    const std::optional<QChar> letter = ::lookupLetter(code);
    QCOMPARE(letter ? int(letter->unicode()) : -1, unit);
}

void TestCipher::gammaCodeOfValue_data()
{
    QTest::addColumn<qint32>("value");
    QTest::addColumn<int>("code");

    QTest::newRow("0") << 0 << 0;
    QTest::newRow("7") << 7 << 7;
    QTest::newRow("31") << 31 << 31;
    QTest::newRow("32") << 32 << 0;
    QTest::newRow("-1") << -1 << 0;
    QTest::newRow("-31") << -31 << 0;
    QTest::newRow("int min") << int32Min << 0;
    QTest::newRow("int max") << int32Max << 0;
}

void TestCipher::gammaCodeOfValue()
{
    QFETCH(qint32, value);
    QFETCH(int, code);
    QCOMPARE(gammaCode(value), code);
}

void TestCipher::generatorStep_data()
{
    QTest::addColumn<qint32>("previous");
    QTest::addColumn<qint32>("a");
    QTest::addColumn<qint32>("c");
    QTest::addColumn<qint32>("next");

    QTest::newRow("5*7+3 = 38") << 7 << 5 << 3 << 6;
    QTest::newRow("-33 keeps its sign") << -33 << 1 << 0 << -1;
    QTest::newRow("sum wraps to negative") << 5 << 1 << int32Max << -28;
    QTest::newRow("negative value steps on") << -28 << 1 << int32Max << 3;
    QTest::newRow("product wraps to negative") << 1073741825 << 2 << 0 << -30;
    QTest::newRow("-int max") << -1 << int32Max << 0 << -31;
    QTest::newRow("-int min wraps to int min") << int32Min << -1 << 0 << 0;
    QTest::newRow("int max squared") << int32Max << int32Max << 0 << 1;
}

void TestCipher::generatorStep()
{
    QFETCH(qint32, previous);
    QFETCH(qint32, a);
    QFETCH(qint32, c);
    QFETCH(qint32, next);
    QCOMPARE(nextGammaValue(previous, a, c), next);
}

void TestCipher::knownVectors_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<qint32>("a");
    QTest::addColumn<qint32>("c");
    QTest::addColumn<qint32>("t0");
    QTest::addColumn<QString>("expected");

    // П is 15, З is 8: 15 ^ 7 = 8 and back. One character uses the seed only, so a key
    // that would step to anything else changes nothing.
    QTest::newRow("П with gamma 7") << "П" << int32Max << int32Min << 7 << "З";
    QTest::newRow("З with gamma 7") << "З" << 5 << 3 << 7 << "П";
    QTest::newRow("empty line") << "" << 5 << 3 << 7 << "";
    QTest::newRow("letter equal to its gamma") << "П" << 0 << 0 << 15 << " ";
    QTest::newRow("space takes the gamma's letter") << " " << 0 << 0 << 15 << "П";
    // T = 7, 6, 1, 8: ш 24^7 = 31 Я, и 9^6 = 15 П, ф 20^1 = 21 Х, р 16^8 = 24 Ш.
    QTest::newRow("lower case, key 5 3 7") << "шифр" << 5 << 3 << 7 << "ЯПХШ";
    // T = 40 (code 0), then 40 rem 32 = 8: 15^8 = 7 Ж.
    QTest::newRow("seed of 32 or more") << "пп" << 1 << 0 << 40 << "ПЖ";
    // T(1) = 2·1073741825 wraps to −2147483646, rem −30, code 0; reducing the seed first
    // would give 2 and Н.
    QTest::newRow("unreduced seed wraps") << "пп" << 2 << 0 << 1073741825 << "ПП";
    // T = 5, then 5 + int max wraps to −2147483644, rem −28 (code 0); that −28 steps on to
    // −28 + int max = 2147483619, rem 3: П → К, П, М.
    QTest::newRow("negative value enters next step") << "ППП" << 1 << int32Max << 5 << "КПМ";
    // T = 2, then C rem 32 for ever: 37 → 5, −37 → −5 (code 0).
    QTest::newRow("A = 0") << "АААА" << 0 << 37 << 2 << "ВГГГ";
    QTest::newRow("A = 0, negative C") << "аааа" << 0 << -37 << 2 << "ВААА";
    // T = 7, 8, 9: the comma uses up 8, so the second П meets 9: 15^9 = 6 Е.
    QTest::newRow("comma uses its gamma") << "П,П" << 1 << 1 << 7 << "З,Е";
    // T = −5 (code 0), then 5: я 31^5 = 26 Ъ.
    QTest::newRow("negative seed") << "яя" << -1 << 0 << -5 << "ЯЪ";
    QTest::newRow("int min seed") << "яя" << -1 << 0 << int32Min << "ЯЯ";
    QTest::newRow("outside the alphabet") << "ёйЁЙAz9.\t" << 5 << 3 << 7 << "ёйЁЙAz9.\t";
    QTest::newRow("surrogate pair and lone halves")
        << fromUnits({0xD83D, 0xDE00, 0xDC00, 0xD800}) << 0 << 5 << 5
        << fromUnits({0xD83D, 0xDE00, 0xDC00, 0xD800});
}

void TestCipher::knownVectors()
{
    QFETCH(QString, source);
    QFETCH(qint32, a);
    QFETCH(qint32, c);
    QFETCH(qint32, t0);
    QFETCH(QString, expected);

    QCOMPARE(gammaTransform(source, a, c, t0), expected);
    QCOMPARE(reference::gammaTransform(filledTable(), source, a, c, t0), expected);
}

void TestCipher::randomLines_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<qint32>("a");
    QTest::addColumn<qint32>("c");
    QTest::addColumn<qint32>("t0");

    QRandomGenerator random(0x6A3317);
    for (int row = 0; row < 400; ++row) {
        const int kind = row % 4;
        const int length = row % 40 == 39 ? 3000 + random.bounded(200) : random.bounded(400);
        const QString line = randomLine(random, kind, length);
        const qint32 a = randomKeyValue(random);
        const qint32 c = randomKeyValue(random);
        const qint32 t0 = randomKeyValue(random);
        QTest::addRow("%d: kind %d, length %d, key %d %d %d", row, kind, length, a, c, t0)
            << line << a << c << t0;
    }
}

// The properties callers rely on, over lines and keys of every kind.
void TestCipher::randomLines()
{
    QFETCH(QString, source);
    QFETCH(qint32, a);
    QFETCH(qint32, c);
    QFETCH(qint32, t0);

    const QString expected = reference::gammaTransform(filledTable(), source, a, c, t0);
    for (const TransformPath path : availablePaths())
        QVERIFY2(gammaTransformVia(path, source, a, c, t0) == expected, pathName(path));

    const QString result = gammaTransform(source, a, c, t0);
    QCOMPARE(result, expected);
    QCOMPARE(result.size(), source.size());
    for (int i = 0; i < source.size(); ++i) {
        if (!reference::lookupCode(filledTable(), source.at(i)))
            QCOMPARE(result.at(i), source.at(i));
        else
            QVERIFY(expectedSymbols.contains(result.at(i)));
    }
    QCOMPARE(gammaTransform(result, a, c, t0),
             reference::upperCaseAlphabetCharacters(filledTable(), source));
}

// With A = 0 and C = g every position has the gamma code g, so each unit up to past the
// first one outside the register range meets each gamma code on every path.
void TestCipher::everyPathAgreesForEveryUnitAndGammaCode()
{
    QString units;
    for (int unit = 0; unit < 0x1D00; ++unit)
        units += QChar(char16_t(unit));
    units += QChar(char16_t(0xFFFF));

    for (qint32 gamma = 0; gamma < alphabetSize; ++gamma) {
        const QString expected = reference::gammaTransform(filledTable(), units, 0, gamma, gamma);
        for (const TransformPath path : availablePaths()) {
            const QString result = gammaTransformVia(path, units, 0, gamma, gamma);
            for (int i = 0; i < units.size(); ++i) {
                if (result.at(i) != expected.at(i))
                    QFAIL(qPrintable(QStringLiteral("%1 path, U+%2 with gamma %3")
                                         .arg(QLatin1String(pathName(path)))
                                         .arg(i, 4, 16, QLatin1Char('0'))
                                         .arg(gamma)));
            }
        }
    }
}

// Every small multiplier and increment: the keystream's prefixes and cycles of every
// length, with seeds below, inside and above 0..31.
void TestCipher::smallKeysAgreeWithReference()
{
    const QString line = QString(300, QLatin1Char(' ')) + QStringLiteral("ПРИВЕТ, мир");
    for (const qint32 t0 : {-40, -1, 0, 7, 40, int32Max}) {
        for (qint32 a = -40; a <= 40; ++a) {
            for (qint32 c = -40; c <= 40; ++c) {
                const QString expected = reference::gammaTransform(filledTable(), line, a, c, t0);
                if (gammaTransform(line, a, c, t0) != expected)
                    QFAIL(qPrintable(QStringLiteral("key %1 %2 %3").arg(a).arg(c).arg(t0)));
            }
        }
    }
}

QTEST_APPLESS_MAIN(TestCipher)

#include "tst_cipher.moc"
