// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The analysis library and gammacrypt-cli's attack and analyze commands, the tool run as a
// real process.

#include "alphabet.h"
#include "documentio.h"
#include "gamma.h"
#include "gamma_reference.h"
#include "keypattern.h"
#include "keyprior.h"
#include "keysearch.h"
#include "languagemodel.h"
#include "rerank.h"
#include "support/processrun.h"

#include <QFile>
#include <QLocale>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <numeric>
#include <tuple>
#include <utility>

Q_DECLARE_METATYPE(GammaKey)

namespace {

const QString cliPath = QStringLiteral(GAMMACRYPT_CLI_PATH);

const QString evening = QStringLiteral(
    "Вечером мы долго шли по берегу реки, и старый учитель рассказывал нам о том, как он "
    "впервые увидел море и решил остаться в этом городе навсегда.");
const QString letter = QStringLiteral(
    "Письмо пришло только через неделю, когда все уже перестали ждать, и мать читала его "
    "вслух, останавливаясь после каждой строки, чтобы вытереть глаза.");
const QString station = QStringLiteral(
    "На станции было пусто и холодно, поезд опаздывал на два часа, а буфетчица, зевая, "
    "объясняла каждому, что снег в этом году выпал слишком рано.");

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

Run cli(const QStringList &arguments, const QByteArray &input = {})
{
    const ProcessRun run = runProcess(cliPath, arguments, input, 240000);
    return {run.exitCode, QString::fromUtf8(run.out), QString::fromUtf8(run.err)};
}

QString encrypted(const QString &plain, const GammaKey &key)
{
    return gammaTransform(plain, key.a, key.c, key.t0);
}

// The tsv rows after the header, split into cells.
QVector<QStringList> tsvRows(const QString &out)
{
    QVector<QStringList> rows;
    const QStringList lines = out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (int i = 1; i < lines.size(); ++i)
        rows.append(lines.at(i).split(QLatin1Char('\t')));
    return rows;
}

// The tsv rows after the header, each cell by its column's name.
QVector<QHash<QString, QString>> tsvRecords(const QString &out)
{
    QVector<QHash<QString, QString>> records;
    const QStringList lines = out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const QStringList header = lines.value(0).split(QLatin1Char('\t'));
    for (int i = 1; i < lines.size(); ++i) {
        const QStringList cells = lines.at(i).split(QLatin1Char('\t'));
        QHash<QString, QString> record;
        for (int k = 0; k < header.size(); ++k)
            record.insert(header.at(k), cells.value(k));
        records.append(record);
    }
    return records;
}

QString keyOf(const QHash<QString, QString> &record)
{
    return QStringList{record.value("A"), record.value("C"), record.value("T0")}.join(',');
}

QByteArray alphabetCodes(const QString &text)
{
    QByteArray codes;
    for (const QChar ch : text)
        codes.append(char(*lookupCode(ch)));
    return codes;
}

QHash<QString, QString> tsvFields(const QString &out)
{
    QHash<QString, QString> fields;
    for (const QStringList &row : tsvRows(out))
        fields.insert(row.value(0), row.value(1));
    return fields;
}

QVector<int> plainGamma(const GammaKey &key, int length)
{
    QVector<int> gamma;
    for (qint32 t = key.t0; gamma.size() < length; t = reference::generatorStep(t, key.a, key.c))
        gamma.append(t >= 0 && t <= 31 ? t : 0);
    return gamma;
}

} // namespace

class TestAnalysis : public QObject
{
    Q_OBJECT

private slots:
    void attackRecoversLine_data();
    void attackRecoversLine();
    void realisedKeysFollowTheGenerator();
    void signArcsKeepExactlyTheFeasibleSigns();
    void seedsAtTheEdgesRealised_data();
    void seedsAtTheEdgesRealised();
    void printedKeysDecryptToTheirText();
    void knownBeginning_data();
    void knownBeginning();
    void badInput_data();
    void badInput();
    void analyzeAgainstDirectWalk_data();
    void analyzeAgainstDirectWalk();
    void longContextSumsToOne_data();
    void longContextSumsToOne();
    void knownWordGainsOverNonWord_data();
    void knownWordGainsOverNonWord();
    void unseenAndCutWords_data();
    void unseenAndCutWords();
    void wordsShareAtMostOne_data();
    void wordsShareAtMostOne();
    void lineStartIsAnyWordStart();
    void symbolSharesOrdered_data();
    void symbolSharesOrdered();
    void keystreamPriorAddsUp_data();
    void keystreamPriorAddsUp();
    void keystreamPriorGivesUpOnFewLetters();
    void progressAndCancel_data();
    void progressAndCancel();
    void smallestKeyOfEquivalentKeys_data();
    void smallestKeyOfEquivalentKeys();
    void smallestKeyBeatsEverySmallKey_data();
    void smallestKeyBeatsEverySmallKey();
    void knownNeverDeniesAKeyThatExists_data();
    void knownNeverDeniesAKeyThatExists();
    void cribInTheMiddle_data();
    void cribInTheMiddle();
    void cribWhereTheKeystreamIsZero_data();
    void cribWhereTheKeystreamIsZero();
    void tableReport_data();
    void tableReport();
    void keystreamBound_data();
    void keystreamBound();
    void confidenceIsAShare();
    void firstCandidateIndependentOfTop();
    void boundsNeverUnderestimate_data();
    void boundsNeverUnderestimate();
    void typedFamilySharesAddUp();
    void lineProbabilitiesAtMostOne_data();
    void lineProbabilitiesAtMostOne();
    void longLineTextsWrittenInPieces_data();
    void longLineTextsWrittenInPieces();
    void tableShowsTheResult_data();
    void tableShowsTheResult();
    void narrowBeamIsNotExhaustive();
    void forcedKeystreamFindsItsKey_data();
    void forcedKeystreamFindsItsKey();
    void attackTakesTheWindowsLastLine_data();
    void attackTakesTheWindowsLastLine();
    void keyCountByHand_data();
    void keyCountByHand();
};

void TestAnalysis::attackRecoversLine_data()
{
    QTest::addColumn<QString>("plain");
    QTest::addColumn<qint32>("a");
    QTest::addColumn<qint32>("c");
    QTest::addColumn<qint32>("t0");
    // Whether the search must prove the first text the best it can score: nothing that could
    // beat it is left out by the search's limits.
    QTest::addColumn<bool>("proven");
    // Whether the final ranking weighs every text's keystream over all keys; a line that
    // opens with several characters outside the alphabet leaves some texts too many walks.
    QTest::addColumn<bool>("weighed");
    QTest::newRow("negative key") << evening << -1234567 << -7654321 << -99 << false << true;
    QTest::newRow("T0 above 31") << letter << 12345 << 678 << 9999 << true << true;
    QTest::newRow("wrapping key") << station << 2000000011 << 1999999999 << 2147483647 << false
                                  << true;
    QTest::newRow("classroom key, T0 below 32")
        << QStringLiteral("Огонь заливают водой, от солнца прячутся в тени") << 18 << 55 << 5
        << true << true;
    QTest::newRow("the guide's key 5,3,7")
        << QStringLiteral("Когда идеи овладевают массами, они становятся силой") << 5 << 3 << 7
        << true << true;
    // Most sign patterns of this class belong to no key; they must not crowd out the ones
    // that do.
    QTest::newRow("32-bit key, line opening with other characters")
        << QStringLiteral("(17) cstime %ld Время, которое процесс ждал своих потомков в режиме "
                          "ядра, в тиках часов системы")
        << -2062817869 << 2094013439 << 523372485 << false << false;
    // Gamma 0 at every position: the cipher is the line as it stands, which many keys give.
    QTest::newRow("weak key")
        << QStringLiteral(
               "Учитель открыл окно, и в класс ворвался запах мокрой сирени; дети замолчали, а "
               "потом кто-то засмеялся, и урок пошёл своим чередом, как будто ничего и не было,")
        << 631924 << 397301 << 677865 << false << true;
    // Gamma 0 at the first 33 positions: a short line stands as it is, which many keys give.
    QTest::newRow("short line as it stands")
        << QStringLiteral("Кот спит на окне") << 1 << 1 << -2147483647 - 1 << false << true;
}

void TestAnalysis::attackRecoversLine()
{
    QFETCH(QString, plain);
    QFETCH(qint32, a);
    QFETCH(qint32, c);
    QFETCH(qint32, t0);
    QFETCH(bool, proven);
    QFETCH(bool, weighed);
    const QString cipher = encrypted(plain, {a, c, t0});
    const analysis::AttackResult result = analysis::attackLine(cipher, {});
    QVERIFY(!result.candidates.isEmpty());
    QCOMPARE(result.candidates.first().text, encrypted(cipher, {a, c, t0}));
    if (proven)
        QVERIFY(result.exhaustive);
    for (const analysis::Candidate &candidate : result.candidates)
        QCOMPARE(encrypted(cipher, candidate.key), candidate.text);
    // The benchmark's score of the truth is the one the ranking gave it.
    if (weighed) {
        const std::optional<double> truthScore = analysis::textScore(cipher, {a, c, t0});
        QVERIFY(truthScore && qAbs(*truthScore - result.candidates.first().score) < 1e-6);
    }
}

void TestAnalysis::realisedKeysFollowTheGenerator()
{
    // Keys of every kind: their sign patterns must be realised by a key with the same gamma.
    QRandomGenerator random(11);
    const auto draw = [&random](bool typed) {
        return typed ? qint32(random.bounded(1000000)) : qint32(random.generate());
    };
    for (int i = 0; i < 150; ++i) {
        const bool typed = i % 3 == 0;
        const GammaKey key{draw(typed), draw(typed), draw(typed)};
        const std::optional<GammaKey> found =
            analysis::realisePattern(analysis::patternOfKey(key, 120), 120);
        QVERIFY2(found, qPrintable(QStringLiteral("%1,%2,%3").arg(key.a).arg(key.c).arg(key.t0)));
        QCOMPARE(analysis::keyGamma(*found, 120), analysis::keyGamma(key, 120));
    }
}

// Whether some (A, C) keeps the signs is decided by the multiplier intervals the search
// narrows: every arc left must hold a C that keeps each sign at its multiplier, and signs that
// a sampled multiplier keeps must never be dropped. At a fixed A the C that keep the signs,
// when there are any, begin where one of the half turns begins, so the samples test those.
void TestAnalysis::signArcsKeepExactlyTheFeasibleSigns()
{
    struct Sign
    {
        int t;
        bool negative;
    };
    const auto keeps = [](quint32 A, quint32 C, const std::vector<Sign> &signs) {
        return std::all_of(signs.begin(), signs.end(), [&](const Sign &sign) {
            return (qint32(A * quint32(sign.t) + C) < 0) == sign.negative;
        });
    };
    // Arcs for the signs in order, on the intervals that the states' own boundaries decide.
    const auto narrowAll = [](const std::vector<Sign> &signs) {
        quint64 states = 0;
        for (const Sign &sign : signs)
            states |= quint64(1) << analysis::stateBit(sign.t);
        const std::vector<quint32> multipliers = analysis::signIntervalMultipliers(states);
        std::vector<analysis::SignArc> arcs;
        int count = analysis::startSignArcs(arcs, multipliers, signs[0].t, signs[0].negative);
        for (std::size_t k = 1; k < signs.size() && count > 0; ++k) {
            const int begin = int(arcs.size()) - count;
            count = analysis::narrowSignArcs(arcs, begin, count, signs[k].t, signs[k].negative);
        }
        return std::vector<analysis::SignArc>(arcs.end() - count, arcs.end());
    };
    QRandomGenerator random(29);
    int feasibleSets = 0;
    for (int round = 0; round < 300; ++round) {
        std::vector<Sign> signs;
        // Few states, as a walk through few residues visits, as well as many.
        const int size = 2 + round % 25;
        const int spread = round % 2 == 0 ? 63 : 8;
        const int lowest = -31 + int(random.bounded(63 - spread + 1));
        QSet<int> used;
        while (int(signs.size()) < std::min(size, spread)) {
            const int t = lowest + int(random.bounded(spread));
            if (used.contains(t))
                continue;
            used.insert(t);
            signs.push_back({t, random.bounded(2) == 1});
        }
        const std::vector<analysis::SignArc> kept = narrowAll(signs);
        for (const analysis::SignArc &arc : kept)
            QVERIFY(keeps(arc.multiplier, arc.start, signs));
        bool sampled = false;
        for (int sample = 0; sample < 4000 && !sampled; ++sample) {
            const quint32 A = random.generate();
            for (const Sign &sign : signs)
                sampled = sampled ||
                          keeps(A, (sign.negative ? 0x80000000u : 0u) - A * quint32(sign.t), signs);
        }
        if (sampled)
            QVERIFY2(!kept.empty(),
                     qPrintable(QStringLiteral("signs of %1 states dropped").arg(signs.size())));
        feasibleSets += kept.empty() ? 0 : 1;
    }
    // Both outcomes occur, or the test proves nothing.
    QVERIFY(feasibleSets > 30 && feasibleSets < 270);
    // The signs a real key gives, on many states at once, where few multipliers keep them.
    for (int round = 0; round < 300; ++round) {
        const quint32 A = random.generate();
        const quint32 C = random.generate();
        std::vector<Sign> signs;
        for (int t = -31; t <= 31; t += 1 + int(random.bounded(3)))
            signs.push_back({t, qint32(A * quint32(t) + C) < 0});
        QVERIFY2(!narrowAll(signs).empty(),
                 qPrintable(QStringLiteral("signs of A = %1, C = %2 dropped").arg(A).arg(C)));
    }
}

// Seeds at the ends of 0..31 and just past them, and seeds in 0..31 followed by a negative
// value: the pattern read from the key gives the key's own gamma, and so does the key found
// for it.
void TestAnalysis::seedsAtTheEdgesRealised_data()
{
    QTest::addColumn<GammaKey>("key");
    QTest::newRow("T0 = 0") << GammaKey{5, 3, 0};
    QTest::newRow("T0 = 31") << GammaKey{5, 3, 31};
    QTest::newRow("T0 = 32") << GammaKey{5, 3, 32};
    QTest::newRow("T0 = -1") << GammaKey{5, 3, -1};
    QTest::newRow("T0 = 7, T(1) negative") << GammaKey{-1, 0, 7};
    QTest::newRow("T0 = 31, T(1) negative") << GammaKey{-1, -5, 31};
    QTest::newRow("T0 = 0, T(1) negative") << GammaKey{3, -9, 0};
    QTest::newRow("T0 = -2147483648") << GammaKey{1, 1, -2147483647 - 1};
}

void TestAnalysis::seedsAtTheEdgesRealised()
{
    QFETCH(GammaKey, key);
    const int length = 40;
    const QVector<int> gamma = plainGamma(key, length);
    const analysis::SignPattern pattern = analysis::patternOfKey(key, length);
    QCOMPARE(analysis::patternGamma(pattern, length).value_or(QVector<int>()), gamma);
    const std::optional<GammaKey> found = analysis::realisePattern(pattern, length);
    QVERIFY(found);
    QCOMPARE(plainGamma(*found, length), gamma);
}

void TestAnalysis::printedKeysDecryptToTheirText()
{
    const QString cipher = encrypted(letter, {-5, 77, 123456});
    const Run attack = cli({"attack", "--format", "tsv", "--top", "4"}, cipher.toUtf8());
    QCOMPARE(attack.exitCode, 0);
    const QVector<QHash<QString, QString>> rows = tsvRecords(attack.out);
    QCOMPARE(int(rows.size()), 4);
    for (const QHash<QString, QString> &row : rows) {
        QCOMPARE(int(row.size()), 7);
        const Run decrypt = cli({"decrypt", "--key", keyOf(row)}, cipher.toUtf8());
        QCOMPARE(decrypt.exitCode, 0);
        QCOMPARE(decrypt.out, row.value("text"));
    }
    QCOMPARE(rows.first().value("text"), encrypted(cipher, {-5, 77, 123456}));
}

void TestAnalysis::knownBeginning_data()
{
    QTest::addColumn<QString>("plain");
    QTest::addColumn<QString>("known");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("letters in any case") << station << QStringLiteral("на стАнции") << 0;
    QTest::newRow("punctuation too")
        << station << QStringLiteral("На станции было пусто и холодно,") << 0;
    QTest::newRow("comma where a letter is") << station << QStringLiteral("На,") << 1;
    QTest::newRow("longer than the line") << station << station + QStringLiteral(" Конец.") << 1;
    // Past the 1024 positions the search ranks, the known beginning still binds: one letter
    // changed at 1050 leaves no key (the keystream repeats long before).
    const QString longLine = QString(letter + QLatin1Char(' ')).repeated(8);
    QTest::newRow("longer than the ranked part") << longLine << longLine.left(1100) << 0;
    QTest::newRow("differs after the ranked part")
        << longLine << longLine.left(1050) + QStringLiteral("Щ") + longLine.mid(1051, 49) << 1;
}

void TestAnalysis::knownBeginning()
{
    QFETCH(QString, plain);
    QFETCH(QString, known);
    QFETCH(int, exitCode);
    const QString cipher = encrypted(plain, {987654, 321, 555});
    const Run run = cli({"attack", "--format", "tsv", "--known", known}, cipher.toUtf8());
    QCOMPARE(run.exitCode, exitCode);
    if (exitCode != 0) {
        QVERIFY(run.err.contains(QStringLiteral("ни один ключ")));
        QVERIFY(run.out.isEmpty());
        return;
    }
    const QVector<QHash<QString, QString>> rows = tsvRecords(run.out);
    QVERIFY(!rows.isEmpty());
    const QString upper = encrypted(encrypted(known, {1, 1, 1}), {1, 1, 1});
    for (const QHash<QString, QString> &row : rows)
        QVERIFY2(row.value("text").startsWith(upper), qPrintable(row.value("text")));
    QCOMPARE(rows.first().value("text"), encrypted(cipher, {987654, 321, 555}));
}

void TestAnalysis::badInput_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    QTest::newRow("empty line") << QStringList{"attack"} << QByteArray("\nТЕКСТ\n") << 1
                                << QStringLiteral("пуста");
    QTest::newRow("no alphabet character") << QStringList{"attack"} << QByteArray("2024(ё,й!)\n")
                                           << 1 << QStringLiteral("нет ни одного символа алфавита");
    QTest::newRow("invalid UTF-8")
        << QStringList{"attack"} << QByteArray("\xD0\xD0\n") << 1
        << QStringLiteral("не UTF-8: байт 0xd0 со смещением 0 от начала (строка 1) не начинает "
                          "допустимую последовательность UTF-8; файлы окна gammacrypt читаются с "
                          "--encoding windows-1251");
    QTest::newRow("missing file") << QStringList{"attack", "/nonexistent/шифр.txt"} << QByteArray()
                                  << 1 << QStringLiteral("не найден");
    // "ООО" under "ЛЛИ" needs gamma 5, 5, 7: state 5 followed by 5 is followed by 5 again, so no
    // key gives it. Alone, that is proven; after 24 commas, each letting the walk go both
    // ways, the proof runs out of walks and the tool must say it is not decided.
    QTest::newRow("no key, proven")
        << QStringList{"attack", "--known", "ООО"} << QStringLiteral("ЛЛИ\n").toUtf8() << 1
        << QStringLiteral("ни один ключ");
    const QString commas(24, QLatin1Char(','));
    QTest::newRow("no key, undecided")
        << QStringList{"attack", "--known", commas + QStringLiteral("ООО")}
        << QString(commas + QStringLiteral("ЛЛИ\n")).toUtf8() << 3 << QStringLiteral("не доказано");
}

void TestAnalysis::badInput()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, input);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    const Run run = cli(arguments, input);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QVERIFY(run.out.isEmpty());
}

void TestAnalysis::analyzeAgainstDirectWalk_data()
{
    QTest::addColumn<qint32>("a");
    QTest::addColumn<qint32>("c");
    QTest::addColumn<qint32>("t0");
    // "нет", or what the weak flag's reason must hold.
    QTest::addColumn<QString>("weakness");
    // The smallest key expected: exactly, or "any" for any non-negative key with the same
    // gamma codes, or "-" for none.
    QTest::addColumn<QString>("smallest");
    // 37 = 5 mod 32, the values stay in 0..31 and are the codes; (7, 6, 1) fix A = 5 mod 32.
    const QString no = QStringLiteral("нет");
    const QString everyZero = QStringLiteral("да: гамма везде 0");
    const auto period = [](int p) {
        return QStringLiteral("да: гамма повторяется с периодом %1 (не больше 4)").arg(p);
    };
    const auto zerosTo = [](int last) { return QStringLiteral("на позициях 0–%1:").arg(last); };
    QTest::newRow("ordinary") << 37 << 3 << 7 << no << QStringLiteral("5,3,7");
    QTest::newRow("ordinary, smallest itself") << 5 << 3 << 7 << no << QStringLiteral("5,3,7");
    QTest::newRow("ordinary, negative") << -1234567 << 89 << -1000 << no << QStringLiteral("any");
    QTest::newRow("gamma 0 everywhere") << 0 << 0 << 40 << everyZero << QStringLiteral("0,0,0");
    // Negative states all give code 0: the gamma repeats each step although the walk takes two.
    QTest::newRow("a cycle of two negative states")
        << -1 << -8 << -5 << everyZero << QStringLiteral("0,0,0");
    QTest::newRow("one code, then 0 everywhere")
        << 0 << 0 << 5 << period(1) << QStringLiteral("0,0,5");
    QTest::newRow("period 1 from position 5")
        << 90210 << 31337 << 2026 << period(1) << QStringLiteral("any");
    QTest::newRow("period 2") << 2147483647 << -2147483647 - 1 << -5 << period(2)
                              << QStringLiteral("any");
    QTest::newRow("period 4, still weak") << 3 << 2 << 1 << period(4) << QStringLiteral("3,2,1");
    QTest::newRow("period 8, not weak") << 1 << 4 << 0 << no << QStringLiteral("1,4,0");
    QTest::newRow("33 zeros first")
        << -25473747 << 2134952133 << -32 << zerosTo(32) << QStringLiteral("any");
    // The run ends at position 31, before the cycle starts at 31 + 1.
    QTest::newRow("32 zeros first, weak at the limit")
        << 9713921 << 8717697 << -63 << zerosTo(31) << QStringLiteral("any");
    QTest::newRow("31 zeros first") << 55073585 << 43582133 << -38 << no << QStringLiteral("any");
    QTest::newRow("no non-negative key found") << -5 << -3 << -7 << no << QStringLiteral("-");
}

namespace {

QString joined(const QVector<int> &numbers)
{
    QStringList text;
    for (const int n : numbers)
        text << QString::number(n);
    return text.join(QLatin1Char(' '));
}

// The value beside each heading of analyze's table, all values starting in one column two
// spaces past the longest heading.
QHash<QString, QString> tableFields(const QString &out, const QStringList &headings)
{
    int valueColumn = 0;
    for (const QString &heading : headings)
        valueColumn = qMax(valueColumn, int(heading.size()) + 2);
    QHash<QString, QString> fields;
    for (const QString &line : out.split(QLatin1Char('\n'))) {
        for (const QString &heading : headings) {
            if (line.startsWith(heading + QLatin1String("  ")))
                fields.insert(heading, line.mid(valueColumn));
        }
    }
    return fields;
}

} // namespace

void TestAnalysis::analyzeAgainstDirectWalk()
{
    QFETCH(qint32, a);
    QFETCH(qint32, c);
    QFETCH(qint32, t0);
    QFETCH(QString, weakness);
    QFETCH(QString, smallest);
    const bool weak = weakness != QStringLiteral("нет");
    const int length = 70;
    const GammaKey key{a, c, t0};

    QVector<qint32> values{t0};
    while (values.indexOf(values.last()) == values.size() - 1)
        values.append(reference::generatorStep(values.last(), a, c));
    const int mu = int(values.indexOf(values.last()));
    const int lambda = int(values.size()) - 1 - mu;
    const QVector<int> gamma = plainGamma(key, length);
    const int zeros = int(gamma.count(0));
    const QVector<int> cycle = plainGamma(key, mu + lambda).mid(mu);
    int period = 1;
    while (lambda % period != 0 || cycle.mid(period) + cycle.mid(0, period) != cycle)
        ++period;

    const QString keyText = QStringLiteral("%1,%2,%3").arg(a).arg(c).arg(t0);
    const QStringList arguments{"analyze", "--key", keyText, "--length", QString::number(length)};
    const Run tsv = cli(arguments + QStringList{"--format", "tsv"});
    QCOMPARE(tsv.exitCode, 0);
    const QHash<QString, QString> fields = tsvFields(tsv.out);
    QCOMPARE(fields.value("key"), keyText);
    QCOMPARE(fields.value("length"), QString::number(length));
    QCOMPARE(fields.value("mu"), QString::number(mu));
    QCOMPARE(fields.value("lambda"), QString::number(lambda));
    QCOMPARE(fields.value("gamma"), joined(gamma));
    QCOMPARE(fields.value("zero_count"), QString::number(zeros));
    QCOMPARE(fields.value("zero_share"), QString::number(double(zeros) / length, 'f', 4));
    QCOMPARE(fields.value("gamma_period"), QString::number(period));
    QCOMPARE(fields.value("weak"), weak ? QStringLiteral("yes") : QStringLiteral("no"));

    const Run table = cli(arguments);
    QCOMPARE(table.exitCode, 0);
    const QString smallestHeading =
        QStringLiteral("наименьший неотрицательный ключ с той же гаммой");
    const QHash<QString, QString> rows =
        tableFields(table.out, {"ключ", "позиций", "μ", "λ", "гамма", "нулей в гамме",
                                "период гаммы", "слабый ключ", smallestHeading});
    QCOMPARE(rows.value("ключ"), keyText);
    QCOMPARE(rows.value("позиций"), QString::number(length));
    QCOMPARE(rows.value("μ"), QString::number(mu));
    QCOMPARE(rows.value("λ"), QString::number(lambda));
    QCOMPARE(rows.value("гамма"), joined(gamma));
    QCOMPARE(rows.value("нулей в гамме"),
             QStringLiteral("%1 из %2 (%3 %)")
                 .arg(zeros)
                 .arg(length)
                 .arg(QString::number(100.0 * zeros / length, 'f', 1)
                          .replace(QLatin1Char('.'), QLatin1Char(','))));
    QCOMPARE(rows.value("период гаммы"), QString::number(period));
    QVERIFY2(rows.value("слабый ключ").startsWith(weakness) ||
                 (weak && rows.value("слабый ключ").contains(weakness)),
             qPrintable(rows.value("слабый ключ")));
    QVERIFY2(
        table.out.contains(QStringLiteral("Цикл датчика: μ = %1, λ = %2: ").arg(mu).arg(lambda)),
        qPrintable(table.out));

    if (smallest == QLatin1String("-")) {
        QCOMPARE(fields.value("smallest_key"), smallest);
        QCOMPARE(rows.value(smallestHeading),
                 QStringLiteral("нет: ни один ключ с неотрицательными A, C и T0 не даёт такую "
                                "гамму на позициях 0–69"));
        return;
    }
    QCOMPARE(rows.value(smallestHeading), fields.value("smallest_key"));
    if (smallest != QLatin1String("any")) {
        QCOMPARE(fields.value("smallest_key"), smallest);
        return;
    }
    const QStringList parts = fields.value("smallest_key").split(QLatin1Char(','));
    QCOMPARE(int(parts.size()), 3);
    const GammaKey found{parts.at(0).toInt(), parts.at(1).toInt(), parts.at(2).toInt()};
    QVERIFY(found.a >= 0 && found.c >= 0 && found.t0 >= 0);
    QCOMPARE(plainGamma(found, length), gamma);
}

// Whatever came before, the longer-context model's probabilities of the next symbol add up
// to one: the back-off weights of seen and unseen contexts are consistent.
void TestAnalysis::longContextSumsToOne_data()
{
    QTest::addColumn<QString>("before");
    QTest::newRow("line start") << QString();
    QTest::newRow("seen context") << QStringLiteral("СКАЗАЛ ОН");
    QTest::newRow("rare context") << QStringLiteral("ЩЪЫЬ");
}

void TestAnalysis::longContextSumsToOne()
{
    QFETCH(QString, before);
    const QByteArray codes = alphabetCodes(before);
    const double prefix = analysis::longContextLogProbability(codes);
    double total = 0;
    for (int q = 0; q < alphabetSize; ++q)
        total += std::exp(analysis::longContextLogProbability(codes + char(q)) - prefix);
    QVERIFY2(std::abs(total - 1.0) < 0.01, qPrintable(QString::number(total)));
}

// Lines that are one complete word each are disjoint events: however common the words, each
// has a probability of at most 1 and a family of them shares at most 1.
void TestAnalysis::wordsShareAtMostOne_data()
{
    QTest::addColumn<QStringList>("words");
    QTest::newRow("the commonest words")
        << QStringList{"И", "В", "НЕ", "НА", "Я", "ЧТО", "ОН", "С"};
    QTest::newRow("forms of one word")
        << QStringList{"ОН", "ОНА", "ОНО", "ОНИ", "ЕГО", "ЕМУ", "ИХ"};
    QTest::newRow("a word and its start")
        << QStringList{"ГОВОРИЛ", "ГОВОРИЛА", "ГОВОРИЛИ", "ГОВОРИТЬ", "ГОВОР"};
}

void TestAnalysis::wordsShareAtMostOne()
{
    QFETCH(QStringList, words);
    double total = 0;
    for (const QString &word : words) {
        const double probability =
            std::exp(analysis::lineLogProbability(alphabetCodes(word + QLatin1Char(' '))));
        QVERIFY2(probability > 0 && probability <= 1, qPrintable(word));
        total += probability;
    }
    QVERIFY2(total <= 1, qPrintable(QString::number(total)));
}

// A line is scored as if it followed spaces; the model must have learnt there how any word
// begins, not how its text's own first word does.
void TestAnalysis::lineStartIsAnyWordStart()
{
    for (int q = 0; q < alphabetSize; ++q) {
        const double letter = analysis::longContextLogProbability(QByteArray(1, char(q)));
        QVERIFY2(letter < std::log(0.2), qPrintable(QString::number(q)));
        QVERIFY(analysis::tripleLogProbability[0][0][q] < std::log(0.2));
    }
    for (const QString &never : {QStringLiteral("Ь"), QStringLiteral("Ъ")})
        QVERIFY(analysis::longContextLogProbability(alphabetCodes(never)) < std::log(0.001));
}

// The chart's shares: a distribution over the alphabet that ranks symbols as any Russian text
// does; nothing outside the alphabet.
void TestAnalysis::symbolSharesOrdered_data()
{
    QTest::addColumn<QString>("common");
    QTest::addColumn<QString>("rare");
    QTest::newRow("space over О") << QStringLiteral(" ") << QStringLiteral("О");
    QTest::newRow("О over Е") << QStringLiteral("О") << QStringLiteral("Е");
    QTest::newRow("Н over Ф") << QStringLiteral("Н") << QStringLiteral("Ф");
    QTest::newRow("Ы over Ъ") << QStringLiteral("Ы") << QStringLiteral("Ъ");
}

void TestAnalysis::symbolSharesOrdered()
{
    QFETCH(QString, common);
    QFETCH(QString, rare);
    QVERIFY(analysis::modelSymbolShare(*lookupCode(common.at(0))) >
            analysis::modelSymbolShare(*lookupCode(rare.at(0))));
    double total = 0;
    for (int code = 0; code < alphabetSize; ++code) {
        QVERIFY(analysis::modelSymbolShare(code) > 0);
        total += analysis::modelSymbolShare(code);
    }
    QVERIFY2(std::abs(total - 1.0) < 1e-9, qPrintable(QString::number(total)));
    QCOMPARE(analysis::modelSymbolShare(-1), 0.0);
    QCOMPARE(analysis::modelSymbolShare(alphabetSize), 0.0);
}

// Frequent words beside non-words one letter away, at a line's start and after a word.
void TestAnalysis::knownWordGainsOverNonWord_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("nonWord");
    QTest::newRow("СОВЕРШЕННО") << QStringLiteral("СОВЕРШЕННО ") << QStringLiteral("ПОВЕРШЕННО ");
    QTest::newRow("НИХ") << QStringLiteral("НИХ ") << QStringLiteral("ТИХ ");
    QTest::newRow("НИБУДЬ") << QStringLiteral("НИБУДЬ ") << QStringLiteral("БИБУДЬ ");
}

void TestAnalysis::knownWordGainsOverNonWord()
{
    QFETCH(QString, word);
    QFETCH(QString, nonWord);
    // What the word forms add to the letters' score: a form the text holds gains more than
    // one it never holds, wherever the letters alone would rank the two.
    const auto wordGain = [](const QString &line) {
        const QByteArray codes = alphabetCodes(line);
        return analysis::lineLogProbability(codes) - analysis::longContextLogProbability(codes);
    };
    QVERIFY(wordGain(word) > wordGain(nonWord));
    QVERIFY(wordGain(QStringLiteral("И ") + word) > wordGain(QStringLiteral("И ") + nonWord));
}

// Words the text never holds pay the unseen share T / (N + T), however unlikely their letters;
// a line with no space after its last word holds no complete word and keeps the letter score.
void TestAnalysis::unseenAndCutWords_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("unseenWords");
    QTest::newRow("empty") << QString() << 0;
    QTest::newRow("cut word") << QStringLiteral("ПРОМЕНЯ") << 0;
    QTest::newRow("after spaces") << QStringLiteral("  ТАК") << 0;
    QTest::newRow("non-word") << QStringLiteral("ШЕГО ") << 1;
    QTest::newRow("two non-words") << QStringLiteral("ШЕГО ШЕПЕРЬ ") << 2;
    QTest::newRow("underflowing run") << QString(300, QChar(0x0429)) + QLatin1Char(' ') << 1;
}

void TestAnalysis::unseenAndCutWords()
{
    QFETCH(QString, line);
    QFETCH(int, unseenWords);
    const QByteArray codes = alphabetCodes(line);
    // An unseen word keeps Witten-Bell's escape, T / (N + T), of its letter score: T word
    // forms and N words, as the shipped counts file lists them ("w", the form, its count).
    static const std::pair<qint64, qint64> formsAndWords = [] {
        QFile counts(QStringLiteral(GAMMACRYPT_LMCOUNTS_PATH));
        qint64 forms = 0;
        qint64 words = 0;
        if (counts.open(QIODevice::ReadOnly)) {
            for (const QByteArray &record : counts.readAll().split('\n')) {
                if (!record.startsWith("w\t"))
                    continue;
                ++forms;
                words += record.mid(record.lastIndexOf('\t') + 1).trimmed().toLongLong();
            }
        }
        return std::pair(forms, words);
    }();
    const auto [forms, words] = formsAndWords;
    QVERIFY(forms > 1000 && words > forms);
    const double escape = double(forms) / double(words + forms);
    const double unseenShare = std::log(escape);
    const double adjustment =
        analysis::lineLogProbability(codes) - analysis::longContextLogProbability(codes);
    QVERIFY2(std::abs(adjustment - unseenWords * unseenShare) < 1e-9,
             qPrintable(QString::number(adjustment)));
}

// The prior of a keystream with a free position is the sum of its priors with each code
// there, and with every position free it is one: no walk is counted twice or left out.
void TestAnalysis::keystreamPriorAddsUp_data()
{
    QTest::addColumn<QString>("required"); // a code per position, '.' where any gamma does
    QTest::addColumn<int>("free");
    QTest::newRow("all free") << QStringLiteral(". . . . . .") << 0;
    QTest::newRow("after an ordinary start") << QStringLiteral("0 5 . 17 17 17 17 17 17 17") << 2;
    QTest::newRow("seed in range") << QStringLiteral("9 . 0 0 0 0 0 0 0 0") << 1;
    QTest::newRow("inside a run of zeros") << QStringLiteral("0 0 0 0 . 0 0 0 0 0 0 0") << 4;
    QTest::newRow("free positions around")
        << QStringLiteral("0 . 0 . 0 . 0 0 0 0 0 0 0 0 0 0 0 0 0 0") << 3;
    QTest::newRow("a negative key's walk")
        << QStringLiteral("0 4 . 10 0 16 . 0 21 0 0 2 . 8 0 14") << 6;
    QTest::newRow("last position") << QStringLiteral("0 0 0 0 0 0 0 .") << 7;
    // A line that opens with characters outside the alphabet ("cgroup ..."): the walks
    // branch there before the first letter tells the classes apart.
    QTest::newRow("outside the alphabet first")
        << QStringLiteral(". . . . . . 21 24 15 10 25 12") << 2;
    QTest::newRow("outside the alphabet first, a negative key's walk")
        << QStringLiteral(". . . . 0 7 0 7 0 7") << 5;
}

void TestAnalysis::keystreamPriorAddsUp()
{
    QFETCH(QString, required);
    QFETCH(int, free);
    std::vector<qint8> codes;
    for (const QString &cell : required.split(QLatin1Char(' ')))
        codes.push_back(cell == QLatin1String(".") ? -1 : qint8(cell.toInt()));
    const double whole = std::exp(*analysis::keystreamLogPrior(codes));
    QVERIFY(whole > 0); // every row is a walk some key takes (12,5,0 the ordinary start)
    double total = 0;
    for (int code = 0; code < alphabetSize; ++code) {
        codes[free] = qint8(code);
        total += std::exp(*analysis::keystreamLogPrior(codes));
    }
    QVERIFY2(std::abs(total - whole) <= 1e-9 * whole,
             qPrintable(QStringLiteral("%1 vs %2").arg(total).arg(whole)));
    if (required.count(QLatin1Char('.')) == int(codes.size()))
        QVERIFY2(std::abs(whole - 1) < 1e-9, qPrintable(QString::number(whole)));
}

// Each character outside the alphabet lets the walk go both ways: a line of them is refused
// rather than followed for ever.
void TestAnalysis::keystreamPriorGivesUpOnFewLetters()
{
    std::vector<qint8> codes(300, -1);
    codes.push_back(3);
    QVERIFY(!analysis::keystreamLogPrior(codes));
    // The texts of one line share a budget: what one spent, the next cannot.
    std::vector<qint8> letters(40, 5);
    qint64 stepsLeft = 1'000'000;
    QVERIFY(analysis::keystreamLogPrior(letters, stepsLeft));
    QVERIFY(stepsLeft > 0 && stepsLeft < 1'000'000);
    QVERIFY(!analysis::keystreamLogPrior(codes, stepsLeft));
    QVERIFY(stepsLeft <= 0);
    QVERIFY(!analysis::keystreamLogPrior(letters, stepsLeft));
}

// Progress only grows and ends at its total; a cancel set before the start stops the
// search before any candidate and says so, a search left alone is not cancelled.
void TestAnalysis::progressAndCancel_data()
{
    QTest::addColumn<bool>("cancelFirst");
    QTest::newRow("left alone") << false;
    QTest::newRow("cancelled at once") << true;
}

void TestAnalysis::progressAndCancel()
{
    QFETCH(bool, cancelFirst);
    std::atomic<bool> cancel{cancelFirst};
    QVector<QPair<int, int>> reports;
    analysis::AttackSettings settings;
    settings.cancel = &cancel;
    settings.progress = [&reports](int done, int total) { reports.append({done, total}); };
    const QString cipher = encrypted(letter, {12345, 678, 9999});
    const analysis::AttackResult result = analysis::attackLine(cipher, settings);
    QCOMPARE(result.cancelled, cancelFirst);
    if (cancelFirst) {
        QVERIFY(result.candidates.isEmpty());
        return;
    }
    QVERIFY(!reports.isEmpty());
    for (int i = 1; i < reports.size(); ++i) {
        QVERIFY(reports.at(i).first >= reports.at(i - 1).first);
        QCOMPARE(reports.at(i).second, reports.first().second);
    }
    QCOMPARE(reports.last().first, reports.last().second);
    QCOMPARE(result.candidates.first().text, encrypted(cipher, {12345, 678, 9999}));
}

// Keys that give one gamma have one smallest non-negative key, wrap-around included.
void TestAnalysis::smallestKeyOfEquivalentKeys_data()
{
    QTest::addColumn<GammaKey>("key");
    QTest::addColumn<int>("length");
    QTest::addColumn<GammaKey>("smallest");
    const GammaKey ofThree{1, 33, 2147483646};
    QTest::newRow("1,1,-2") << GammaKey{1, 1, -2} << 20 << ofThree;
    QTest::newRow("34636865,1,62") << GammaKey{34636865, 1, 62} << 20 << ofThree;
    QTest::newRow("1,33,2147483646") << GammaKey{1, 33, 2147483646} << 20 << ofThree;
    // Gamma 0 at the first 33 positions only: no A of class 1 does it, A = 33 does.
    QTest::newRow("1,1,-2147483648")
        << GammaKey{1, 1, -2147483648} << 100 << GammaKey{33, 1, 65075264};
    QTest::newRow("all zeros") << GammaKey{1, 1, -2147483648} << 33 << GammaKey{0, 0, 0};
    QTest::newRow("typed key is its own") << GammaKey{5, 3, 7} << 100 << GammaKey{5, 3, 7};
}

void TestAnalysis::smallestKeyOfEquivalentKeys()
{
    QFETCH(GammaKey, key);
    QFETCH(int, length);
    QFETCH(GammaKey, smallest);
    QCOMPARE(analysis::keyGamma(smallest, length), analysis::keyGamma(key, length));
    const std::optional<GammaKey> found = analysis::smallestEquivalentKey(key, length);
    QVERIFY(found.has_value());
    QCOMPARE(*found, smallest);
}

// Against a direct walk of every key with parts below 48: the smallest key found is never
// beaten by one of them, and is one of them when any of them gives the gamma.
void TestAnalysis::smallestKeyBeatsEverySmallKey_data()
{
    QTest::addColumn<GammaKey>("key");
    QTest::newRow("classroom key") << GammaKey{21, 40, 9};
    QTest::newRow("negative parts") << GammaKey{-3, -5, 17};
    QTest::newRow("wrapping key") << GammaKey{2000000011, 1999999999, 2147483647};
    QTest::newRow("seed above 31") << GammaKey{3, 44, 40};
}

void TestAnalysis::smallestKeyBeatsEverySmallKey()
{
    QFETCH(GammaKey, key);
    const int length = 24;
    const QVector<int> target = analysis::keyGamma(key, length);
    std::optional<GammaKey> direct;
    for (qint32 a = 0; a < 48 && !direct; ++a) {
        for (qint32 c = 0; c < 48 && !direct; ++c) {
            for (qint32 t0 = 0; t0 < 48 && !direct; ++t0) {
                if (analysis::keyGamma({a, c, t0}, length) == target)
                    direct = GammaKey{a, c, t0};
            }
        }
    }
    const std::optional<GammaKey> found = analysis::smallestEquivalentKey(key, length);
    QVERIFY(found.has_value() || !direct);
    if (!found)
        return;
    QCOMPARE(analysis::keyGamma(*found, length), target);
    QVERIFY(found->a >= 0 && found->c >= 0 && found->t0 >= 0);
    if (direct) {
        QVERIFY(std::tie(found->a, found->c, found->t0) <=
                std::tie(direct->a, direct->c, direct->t0));
        if (found->c < 48 && found->t0 < 48)
            QCOMPARE(*found, *direct);
    }
}

// Lines under 32-bit keys whose known beginning the search alone used to give up on: a key
// exists (the one that encrypted the line), so the tool must not say there is none.
void TestAnalysis::knownNeverDeniesAKeyThatExists_data()
{
    QTest::addColumn<QString>("plain");
    QTest::addColumn<GammaKey>("key");
    QTest::addColumn<QString>("known");
    QTest::newRow("file manager") << QStringLiteral("Должен ли файловый менеджер")
                                  << GammaKey{1808122569, -1061966049, 1572989893}
                                  << QStringLiteral("Должен л");
    QTest::newRow("whole line with punctuation")
        << QStringLiteral("Ошибка: файл «отчёт.txt» не найден (код 2).")
        << GammaKey{-734521987, 2019283746, -88} << QStringLiteral("Ошибка: файл «отчёт.txt»");
    QTest::newRow("classroom key, T0 below 32")
        << QStringLiteral("Привет, как дела") << GammaKey{5, 3, 7} << QStringLiteral("Привет,");
    QTest::newRow("the whole line") << letter << GammaKey{-5, 77, 123456789} << letter;
    // Past the part the search ranks, the known beginning still binds every candidate.
    const QString longLine = QString(letter + QLatin1Char(' ')).repeated(8);
    QTest::newRow("longer than the ranked part")
        << longLine << GammaKey{48271, 11, 2024} << longLine.left(1100);
}

void TestAnalysis::knownNeverDeniesAKeyThatExists()
{
    QFETCH(QString, plain);
    QFETCH(GammaKey, key);
    QFETCH(QString, known);
    const QString cipher = encrypted(plain, key);
    const Run run = cli({"attack", "--format", "tsv", "--known", known}, cipher.toUtf8());
    QCOMPARE(run.exitCode, 0);
    const QVector<QHash<QString, QString>> rows = tsvRecords(run.out);
    QVERIFY(!rows.isEmpty());
    const QString upper = encrypted(encrypted(known, {1, 1, 1}), {1, 1, 1});
    for (const QHash<QString, QString> &row : rows) {
        QVERIFY2(row.value("text").startsWith(upper), qPrintable(row.value("text")));
        const Run decrypt = cli({"decrypt", "--key", keyOf(row)}, cipher.toUtf8());
        QCOMPARE(decrypt.out, row.value("text"));
    }
}

// A crib somewhere in the middle: every candidate holds it where the table says, and a crib
// that cannot stand anywhere (a comma against a letter of the cipher) is proven absent.
void TestAnalysis::cribInTheMiddle_data()
{
    QTest::addColumn<QString>("crib");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("ten letters") << QStringLiteral("поезд опаз") << 0;
    QTest::newRow("any case") << QStringLiteral("БУФЕТЧИЦА") << 0;
    QTest::newRow("the line's last characters") << QStringLiteral("рано.") << 0;
    QTest::newRow("punctuation nowhere in the line") << QStringLiteral("снег;") << 1;
}

void TestAnalysis::cribInTheMiddle()
{
    QFETCH(QString, crib);
    QFETCH(int, exitCode);
    const GammaKey key{1234567, 7654321, 999};
    const QString cipher = encrypted(station, key);
    const Run run = cli({"attack", "--format", "tsv", "--crib", crib}, cipher.toUtf8());
    QCOMPARE(run.exitCode, exitCode);
    if (exitCode != 0) {
        QVERIFY2(run.err.contains(QStringLiteral("ни один ключ")), qPrintable(run.err));
        return;
    }
    const QString upperCrib = encrypted(encrypted(crib, {1, 1, 1}), {1, 1, 1});
    const QVector<QHash<QString, QString>> rows = tsvRecords(run.out);
    QVERIFY(!rows.isEmpty());
    for (const QHash<QString, QString> &row : rows) {
        const int position = row.value("crib_position").toInt();
        QCOMPARE(row.value("text").mid(position - 1, crib.size()), upperCrib);
    }
    QCOMPARE(rows.first().value("text"), encrypted(cipher, key));
}

// A crib where the keystream leaves letters as they stand (gamma 0: a negative state, or a
// weak key) constrains no residue there; the search must still weigh every class that fits
// the other letters, with the known beginning's codes too.
void TestAnalysis::cribWhereTheKeystreamIsZero_data()
{
    QTest::addColumn<GammaKey>("key");
    QTest::addColumn<QString>("known");
    QTest::addColumn<int>("zeros"); // gamma codes 0 under the crib, a check on the row itself
    QTest::newRow("weak key, the crib as it stands")
        << GammaKey{631924, 397301, 677865} << QString() << 9;
    QTest::newRow("32-bit key, five letters as they stand")
        << GammaKey{-1141039821, -101562192, -1500591035} << QString() << 5;
    QTest::newRow("32-bit key, with a known beginning")
        << GammaKey{-636335331, -1299941977, 1360692228} << QStringLiteral("На станции") << 6;
    QTest::newRow("classroom key, T0 below 32") << GammaKey{5, 3, 7} << QString() << -1;
}

void TestAnalysis::cribWhereTheKeystreamIsZero()
{
    QFETCH(GammaKey, key);
    QFETCH(QString, known);
    QFETCH(int, zeros);
    const QString crib = QStringLiteral("буфетчица");
    const QString cipher = encrypted(station, key);
    const QString plain = encrypted(cipher, key);
    const int at = plain.indexOf(crib, 0, Qt::CaseInsensitive);
    QVERIFY(at > 0);
    if (zeros >= 0) {
        int same = 0;
        for (int i = at; i < at + crib.size(); ++i)
            same += cipher.at(i) == plain.at(i) ? 1 : 0;
        QCOMPARE(same, zeros);
    }
    analysis::AttackSettings settings;
    settings.crib = crib;
    if (!known.isEmpty())
        settings.known = known;
    const analysis::AttackResult result = analysis::attackLine(cipher, settings);
    QVERIFY(!result.candidates.isEmpty());
    QCOMPARE(result.candidates.first().text, plain);
    QCOMPARE(result.candidates.first().cribPosition, at);
    for (const analysis::Candidate &candidate : result.candidates) {
        QCOMPARE(encrypted(cipher, candidate.key), candidate.text);
        QCOMPARE(candidate.text.mid(candidate.cribPosition, crib.size()).toLower(), crib);
    }
}

// The table as a person reads it: the confidence in per cent, the crib's column, the trailing
// spaces trimmed, the short-line warning, the class of the key and the words of agreement.
void TestAnalysis::tableReport_data()
{
    QTest::addColumn<QString>("plain");
    QTest::addColumn<QStringList>("extra");
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<QStringList>("absent");
    QTest::newRow("long line") << letter << QStringList{}
                               << QStringList{"уверенность",          "%",
                                              "Класс первого ключа",  "T0 в 0..31",
                                              "натуральный логарифм", "верхняя граница",
                                              "из 148 символов",      "доведён до конца"}
                               << QStringList{"мало букв", "оценка:", "фрагмент с позиции",
                                              "досрочно"};
    QTest::newRow("six letters") << QStringLiteral("Привет") << QStringList{}
                                 << QStringList{"мало букв", "--crib", "из 6 символов"}
                                 << QStringList{"из 6 символа"};
    QTest::newRow("one letter") << QStringLiteral("Я") << QStringList{}
                                << QStringList{"из 1 символа"} << QStringList{"из 1 символов"};
    QTest::newRow("eleven characters")
        << QStringLiteral("Привет, мир") << QStringList{} << QStringList{"из 11 символов"}
        << QStringList{"из 11 символа"};
    QTest::newRow("with a crib") << station << QStringList{"--crib", "буфетчица"}
                                 << QStringList{"фрагмент с позиции"} << QStringList{};
}

void TestAnalysis::tableReport()
{
    QFETCH(QString, plain);
    QFETCH(QStringList, extra);
    QFETCH(QStringList, present);
    QFETCH(QStringList, absent);
    const QString cipher = encrypted(plain, {5, 3, 7});
    const Run run = cli(QStringList{"attack"} + extra, cipher.toUtf8());
    QCOMPARE(run.exitCode, 0);
    for (const QString &text : present)
        QVERIFY2(run.out.contains(text), qPrintable(text));
    for (const QString &text : absent)
        QVERIFY2(!run.out.contains(text), qPrintable(text));
    for (const QString &line : run.out.split(QLatin1Char('\n')))
        QVERIFY2(!line.endsWith(QLatin1Char(' ')), qPrintable(line));
}

// Confidences are shares of one posterior: each within 0..1, best first, adding up to at
// most 1 over the printed candidates.
void TestAnalysis::confidenceIsAShare()
{
    const Run run = cli({"attack", "--format", "tsv", "--top", "20"},
                        encrypted(QStringLiteral("Кот спит"), {17, 4, 90}).toUtf8());
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.err.contains(QStringLiteral("мало букв")), qPrintable(run.err));
    double sum = 0;
    double previous = 1;
    QSet<QString> texts;
    for (const QHash<QString, QString> &row : tsvRecords(run.out)) {
        QVERIFY2(!texts.contains(row.value("text")), qPrintable(row.value("text")));
        texts.insert(row.value("text"));
        const double confidence = row.value("confidence").toDouble();
        QVERIFY(confidence >= 0 && confidence <= previous + 1e-9);
        previous = confidence;
        sum += confidence;
    }
    QVERIFY(sum <= 1.001);
}

void TestAnalysis::firstCandidateIndependentOfTop()
{
    const QString cipher = encrypted(QStringLiteral("Когда идеи овла"), {1, 0, 5});
    analysis::AttackSettings single;
    single.top = 1;
    const analysis::AttackResult one = analysis::attackLine(cipher, single);
    analysis::AttackSettings many;
    many.top = 100;
    const analysis::AttackResult hundred = analysis::attackLine(cipher, many);
    QVERIFY(!one.candidates.isEmpty() && !hundred.candidates.isEmpty());
    QCOMPARE(one.candidates.first().text, hundred.candidates.first().text);
    QCOMPARE(one.candidates.first().score, hundred.candidates.first().score);
    QCOMPARE(one.candidates.first().confidence, hundred.candidates.first().confidence);
}

// On random short lines and random residue classes, each bound the search prunes with is at
// least the best triple score of any text the class can give: every position free to take
// its residue or 0, which covers every sign pattern of the class. Part way along the line the
// bound holds for the rest of the text after the gammas its two letters before took.
void TestAnalysis::boundsNeverUnderestimate_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<bool>("withPunctuation");
    for (quint32 seed = 1; seed <= 6; ++seed) {
        QTest::addRow("letters, seed %u", seed) << seed << false;
        QTest::addRow("punctuation, seed %u", seed) << seed << true;
    }
}

void TestAnalysis::boundsNeverUnderestimate()
{
    QFETCH(quint32, seed);
    QFETCH(bool, withPunctuation);
    QRandomGenerator random(seed);
    QString line;
    for (int i = 0; i < 10; ++i) {
        if (withPunctuation && i % 4 == 3)
            line += QLatin1Char(',');
        else
            line += *lookupLetter(int(random.bounded(alphabetSize)));
    }
    for (int trial = 0; trial < 40; ++trial) {
        const int index = int(random.bounded(analysis::residueClassCount));
        std::vector<qint8> residues;
        analysis::fillResidues(index, line.size(), residues);
        std::vector<int> letterPositions;
        for (int i = 0; i < line.size(); ++i) {
            if (lookupCode(line.at(i)))
                letterPositions.push_back(i);
        }
        const analysis::ClassBounds bounds = analysis::residueClassBounds(line, index);
        double best = -std::numeric_limits<double>::infinity();
        const int choices = 1 << letterPositions.size();
        for (int mask = 0; mask < choices; ++mask) {
            QByteArray letters;
            int zeroInstead = 0; // bit k: the k-th letter took gamma 0 instead of its residue
            for (std::size_t k = 0; k < letterPositions.size(); ++k) {
                const int i = letterPositions[k];
                const int gamma = (mask >> k) & 1 ? 0 : residues[i];
                letters.append(char(*lookupCode(line.at(i)) ^ gamma));
                zeroInstead |= (gamma == 0 && residues[i] != 0 ? 1 : 0) << k;
            }
            const double whole = analysis::tripleScore(letters);
            best = std::max(best, whole);
            for (int k = 0; k < letters.size(); ++k) {
                const int before = k >= 2 ? (zeroInstead >> (k - 2)) & 1 : 0;
                const int last = k >= 1 ? (zeroInstead >> (k - 1)) & 1 : 0;
                const double rest = whole - analysis::tripleScore(letters.left(k));
                QVERIFY2(bounds.remaining.at(k)[before * 2 + last] >= rest - 1e-3,
                         qPrintable(QStringLiteral("class %1, letter %2").arg(index).arg(k)));
            }
        }
        QVERIFY2(bounds.full >= best - 1e-3, qPrintable(QString::number(index)));
        QVERIFY2(bounds.screening >= best - 1e-3, qPrintable(QString::number(index)));
        // The sign search tosses a coin the first time a key's walk leaves a state (or, for a
        // seed outside 0..31, for T(1)); the sign costs never charge more than a key pays.
        for (int k = 0; k < 4; ++k) {
            const auto ofClass = [&random](int residue) {
                return qint32((random.generate() & ~31u) | quint32(residue));
            };
            const GammaKey key{ofClass(index >> 10), ofClass((index >> 5) & 31),
                               k % 2 == 0 ? index & 31 : ofClass(index & 31)};
            std::vector<bool> tossed(line.size(), false);
            quint64 left = 0;
            qint32 t = key.t0;
            for (int i = 1; i < line.size(); ++i) {
                const bool seedIsState = i > 1 || (key.t0 >= 0 && key.t0 <= 31);
                if (residues[i] != 0 && (!seedIsState || !(left >> (t + 31) & 1))) {
                    tossed[i] = true;
                    left |= seedIsState ? quint64(1) << (t + 31) : 0;
                }
                t = reference::generatorStep(t, key.a, key.c);
            }
            for (std::size_t letter = 0; letter < letterPositions.size(); ++letter) {
                const auto from = tossed.begin() + letterPositions[letter];
                const double paid =
                    analysis::logHalf * double(std::count(from, tossed.end(), true));
                QVERIFY2(bounds.signCosts.at(letter) >= paid - 1e-3,
                         qPrintable(QStringLiteral("class %1, letter %2").arg(index).arg(letter)));
            }
        }
    }
}

// The patterns of typed keys in one class carry the whole share of the keys that do not wrap
// (each seed case, each sign of T(1), every ratio C/A), and the three kinds make up all keys.
void TestAnalysis::typedFamilySharesAddUp()
{
    QCOMPARE(analysis::classKeyShare + analysis::typedKeyShare + analysis::anyKeyShare, 1.0);
    QRandomGenerator random(7);
    for (int trial = 0; trial < 200; ++trial) {
        const int index = int(random.bounded(analysis::residueClassCount));
        const int length = 1 + int(random.bounded(80));
        double sum = 0;
        double seedInRange = 0;
        double firstNegative = 0;
        for (const analysis::PriorPattern &pattern : analysis::typedFamily(index, length)) {
            sum += std::exp(pattern.logPrior);
            seedInRange += pattern.pattern.seedInRange ? std::exp(pattern.logPrior) : 0;
            firstNegative += pattern.pattern.firstNegative ? std::exp(pattern.logPrior) : 0;
        }
        QVERIFY2(
            std::abs(sum - (analysis::classKeyShare + analysis::typedKeyShare)) < 1e-9,
            qPrintable(QStringLiteral("class %1, length %2: %3").arg(index).arg(length).arg(sum)));
        // T0 in 0..31: 32 of the 100 class seeds, 32 of the 10^6 + 1 typed ones. T(1) < 0 only
        // from a typed T0 above 31, half the time, and only when T(1) mod 32 is not 0.
        const double typedOut = analysis::typedKeyShare * (1 - 32.0 / 1000001);
        const int r1 = ((index >> 10) * (index & 31) + ((index >> 5) & 31)) % 32;
        QVERIFY(std::abs(seedInRange - (analysis::classKeyShare * 0.32 +
                                        analysis::typedKeyShare * 32.0 / 1000001)) < 1e-12);
        QVERIFY(std::abs(firstNegative - (r1 != 0 && length > 1 ? typedOut / 2 : 0)) < 1e-12);
    }
}

// A line's probability is at most 1, words included, and the one-symbol lines share at most
// 1 between them.
void TestAnalysis::lineProbabilitiesAtMostOne_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("common word") << QStringLiteral("КОТОРЫЙ ");
    QTest::newRow("short word") << QStringLiteral("И ");
    QTest::newRow("unseen run") << QStringLiteral("ЩЪЫЬЭ ");
    QTest::newRow("sentence") << QStringLiteral("ОН ПРИШЕЛ ДОМОЙ ПОЗДНО");
}

void TestAnalysis::lineProbabilitiesAtMostOne()
{
    QFETCH(QString, text);
    const QByteArray codes = alphabetCodes(text);
    QVERIFY(analysis::lineLogProbability(codes) <= 0);
    double oneSymbolLines = 0;
    for (int code = 0; code < alphabetSize; ++code)
        oneSymbolLines += std::exp(analysis::lineLogProbability(QByteArray(1, char(code))));
    // The shipped tables hold rounded counts: the shares may pass 1 by a hundredth of a per
    // cent (1.0001 measured), never by more.
    QVERIFY2(oneSymbolLines <= 1 + 1e-3, qPrintable(QString::number(oneSymbolLines, 'f', 6)));
}

// The tool writes a long line's texts a piece of 65536 characters at a time: across the
// pieces (a surrogate pair on the boundary, trailing spaces in the last piece alone) each
// text is still the one decrypt gives, trimmed in the table only.
void TestAnalysis::longLineTextsWrittenInPieces_data()
{
    QTest::addColumn<QString>("format");
    QTest::newRow("tsv") << QStringLiteral("tsv");
    QTest::newRow("table") << QStringLiteral("table");
}

void TestAnalysis::longLineTextsWrittenInPieces()
{
    QFETCH(QString, format);
    QString plain;
    while (plain.size() < 65535)
        plain += letter + QLatin1Char(' ');
    plain.truncate(65535);
    plain += QStringLiteral("\U0001F600") + letter + QString(70000, QLatin1Char(' '));
    const GammaKey key{12345, 678, 9999};
    const QString cipher = encrypted(plain, key);
    const Run run = cli({"attack", "--top", "2", "--format", format}, cipher.toUtf8());
    QCOMPARE(run.exitCode, 0);
    const QString expected = encrypted(cipher, key);
    if (format == QLatin1String("tsv")) {
        const QVector<QHash<QString, QString>> rows = tsvRecords(run.out);
        QCOMPARE(int(rows.size()), 2);
        QCOMPARE(rows.first().value("text"), expected);
        for (const QHash<QString, QString> &row : rows) {
            const Run decrypt = cli({"decrypt", "--key", keyOf(row)}, cipher.toUtf8());
            QCOMPARE(decrypt.out, row.value("text"));
        }
        return;
    }
    const QStringList lines = run.out.split(QLatin1Char('\n'));
    QVERIFY(lines.value(1).endsWith(expected.trimmed()));
    QVERIFY(!lines.value(1).endsWith(QLatin1Char(' ')));
}

// The bound on distinct keystreams: the residue classes times, per class, the seed's three
// cases and the sign cells of the torus (its breakpoints k/(2·d), d <= 62, counted here as a
// set of reduced fractions), never more than 2^length per class; and the table says it.
void TestAnalysis::keystreamBound_data()
{
    QTest::addColumn<int>("length");
    QTest::newRow("5: two to the length per class") << 5;
    QTest::newRow("30") << 30;
    QTest::newRow("148: the torus cells") << 148;
}

void TestAnalysis::keystreamBound()
{
    QFETCH(int, length);
    QSet<QPair<int, int>> breakpoints;
    for (int d = 1; d <= 62; ++d) {
        for (int k = 0; k < 2 * d; ++k) {
            const int g = std::gcd(k, 2 * d);
            breakpoints.insert({k / g, 2 * d / g});
        }
    }
    // Each breakpoint and the interval after it; over each, 126 arcs and 126 points.
    const double cells = 2.0 * breakpoints.size() * 252;
    const double expected = 15 + std::min(std::log2(3 * cells), double(length));
    QVERIFY(qAbs(analysis::keystreamCountLog2(length) - expected) < 1e-9);

    const Run run = cli({"attack"}, encrypted(letter.left(length), {5, 3, 7}).toUtf8());
    QCOMPARE(run.exitCode, 0);
    const QString shown = QLocale(QLocale::Russian).toString(expected, 'f', 1);
    QVERIFY2(run.out.contains(QStringLiteral("не больше 2^%1 различных гамм").arg(shown)),
             qPrintable(run.out));
    QVERIFY(run.out.contains(QStringLiteral("не больше 2^%1 на класс").arg(length)));
}

// The table shows the search's own result: its header, each candidate's cells (the score with
// a decimal comma, like every number the closing note prints) and text, the first key's class
// and seed, and the early-stop sentence exactly when the search was cut.
void TestAnalysis::tableShowsTheResult_data()
{
    QTest::addColumn<QString>("plain");
    QTest::addColumn<GammaKey>("key");
    QTest::newRow("six letters") << QStringLiteral("Привет") << GammaKey{5, 3, 7};
    QTest::newRow("T0 = 31") << QStringLiteral("Огонь заливают водой, от солнца прячутся в тени")
                             << GammaKey{18, 55, 31};
    // Scores past a thousand: no group separator splits the cell.
    QTest::newRow("a long line")
        << QStringLiteral("Письмо пришло только через неделю. ").repeated(30) << GammaKey{5, 3, 7};
}

void TestAnalysis::tableShowsTheResult()
{
    QFETCH(QString, plain);
    QFETCH(GammaKey, key);
    const QString cipher = encrypted(plain, key);
    const analysis::AttackResult result = analysis::attackLine(cipher, {});
    const Run run = cli({"attack"}, cipher.toUtf8());
    QCOMPARE(run.exitCode, 0);
    const QStringList lines = run.out.split(QLatin1Char('\n'));
    QCOMPARE(lines.first().split(QLatin1Char(' '), Qt::SkipEmptyParts),
             QStringList({"место", "оценка", "уверенность", "A", "C", "T0", "текст"}));
    static const QRegularExpression row(
        QStringLiteral(R"(^ *(\d+) +(-?\d+,\d) +(\d+)% +(-?\d+) +(-?\d+) +(-?\d+)  (.*)$)"));
    for (int k = 0; k < result.candidates.size(); ++k) {
        const analysis::Candidate &candidate = result.candidates.at(k);
        const QRegularExpressionMatch cells = row.match(lines.value(k + 1));
        QVERIFY2(cells.hasMatch(), qPrintable(lines.value(k + 1)));
        QCOMPARE(cells.captured(1).toInt(), k + 1);
        QVERIFY(qAbs(QLocale(QLocale::Russian).toDouble(cells.captured(2)) - candidate.score) <=
                0.05);
        QVERIFY(qAbs(cells.captured(3).toInt() - candidate.confidence * 100) <= 0.5 + 1e-9);
        QCOMPARE(GammaKey({cells.captured(4).toInt(), cells.captured(5).toInt(),
                           cells.captured(6).toInt()}),
                 candidate.key);
        QCOMPARE(cells.captured(7), candidate.text.trimmed());
    }
    const GammaKey first = result.candidates.first().key;
    const QString seed = first.t0 < 0    ? QStringLiteral("T0 отрицательное")
                         : first.t0 > 31 ? QStringLiteral("T0 больше 31")
                                         : QStringLiteral("T0 в 0..31");
    const QString keyClass = QStringLiteral("A ≡ %1, C ≡ %2, T0 ≡ %3 (по модулю 32), %4")
                                 .arg(quint32(first.a) % 32)
                                 .arg(quint32(first.c) % 32)
                                 .arg(quint32(first.t0) % 32)
                                 .arg(seed);
    QVERIFY2(run.out.contains(keyClass), qPrintable(keyClass));
    QCOMPARE(run.out.contains(QStringLiteral("Поиск остановлен досрочно")), !result.exhaustive);
}

// Under this 32-bit key the search runs to the end; a beam of one pattern drops walks that
// could beat the first text, and the result says so.
void TestAnalysis::narrowBeamIsNotExhaustive()
{
    const QString cipher =
        encrypted(QStringLiteral("На станции было пусто и холодно, поезд опаздывал на два часа"),
                  {-1869931367, -1158890699, 1903454193});
    QVERIFY(analysis::attackLine(cipher, {}).exhaustive);
    analysis::AttackSettings settings;
    settings.beamWidth = 1;
    const analysis::AttackResult result = analysis::attackLine(cipher, settings);
    QVERIFY(!result.candidates.isEmpty());
    QVERIFY(!result.exhaustive);
}

// When the search finds no text, a known beginning or crib is denied only if no key at all
// gives the codes it forces. Every row's codes come from a key, so a key must be found (never
// the proof that none exists), and it must give those codes.
void TestAnalysis::forcedKeystreamFindsItsKey_data()
{
    QTest::addColumn<GammaKey>("key");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("freeEvery"); // every n-th position forces nothing; 0: none
    QTest::newRow("file manager's beginning")
        << GammaKey{1808122569, -1061966049, 1572989893} << 8 << 0;
    QTest::newRow("classroom key, T0 below 32") << GammaKey{5, 3, 7} << 40 << 0;
    QTest::newRow("wrapping key") << GammaKey{2000000011, 1999999999, 2147483647} << 24 << 0;
    QTest::newRow("32-bit key, punctuation between")
        << GammaKey{-734521987, 2019283746, -88} << 30 << 3;
    QTest::newRow("negative seed, gamma all zero") << GammaKey{1, 0, -5} << 20 << 0;
    QRandomGenerator random(41);
    for (int k = 0; k < 6; ++k) {
        const GammaKey key{qint32(random.generate()), qint32(random.generate()),
                           qint32(random.generate())};
        QTest::addRow("random 32-bit key %d", k) << key << 10 + 4 * k << k % 3 * 2;
    }
}

void TestAnalysis::forcedKeystreamFindsItsKey()
{
    QFETCH(GammaKey, key);
    QFETCH(int, length);
    QFETCH(int, freeEvery);
    const QVector<int> gamma = plainGamma(key, length);
    std::vector<qint8> forced;
    for (int i = 0; i < length; ++i)
        forced.push_back(freeEvery > 0 && i % freeEvery == freeEvery - 1 ? -1 : qint8(gamma[i]));
    bool undecided = true;
    const std::optional<GammaKey> found = analysis::keyForForcedGamma(forced, undecided);
    QVERIFY(!undecided);
    QVERIFY(found);
    const QVector<int> foundGamma = plainGamma(*found, length);
    for (int i = 0; i < length; ++i) {
        if (forced[i] >= 0)
            QCOMPARE(foundGamma[i], int(forced[i]));
    }
}

// The window saves its cipher line last, in Windows-1251: --last-line attacks that line, yet
// reads every line before it.
void TestAnalysis::attackTakesTheWindowsLastLine_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("encoding");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("error"); // part of the message; empty when the key is found
    const auto windows1251 = [](const QString &text) {
        return documentio::encodeWindows1251(text).bytes;
    };
    const QString cipher = encrypted(letter, {12345, 678, 9999});
    QTest::newRow("the window's file")
        << windows1251(letter + "\r\n" + cipher) << "windows-1251" << 0 << QString();
    QTest::newRow("a line end after it")
        << windows1251(letter + "\r\n" + cipher + "\r\n") << "windows-1251" << 1
        << QStringLiteral("последняя строка шифртекста пуста");
    QTest::newRow("a bad byte in an earlier line")
        << QByteArray("\xFF\n") + cipher.toUtf8() << "utf-8" << 1 << QStringLiteral("не UTF-8");
}

void TestAnalysis::attackTakesTheWindowsLastLine()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, encoding);
    QFETCH(int, exitCode);
    QFETCH(QString, error);
    const Run run = cli(
        {"attack", "--last-line", "--encoding", encoding, "--format", "tsv", "--top", "1"}, file);
    QCOMPARE(run.exitCode, exitCode);
    if (!error.isEmpty()) {
        QVERIFY2(run.err.contains(error), qPrintable(run.err));
        return;
    }
    const QVector<QHash<QString, QString>> rows = tsvRecords(run.out);
    QVERIFY(!rows.isEmpty());
    QCOMPARE(rows.first().value("text"), encrypted(encrypted(letter, {1, 1, 1}), {1, 1, 1}));
}

// The keys that share a keystream, counted by hand. A ≡ 5 and C ≡ 3 (mod 32) each have 2^27
// values: 2^54 pairs. Over one position T0 = 7 is the only seed of its residue in 0..31;
// over two, T(1) = 7·A + C must keep its sign: half the pairs. T0 ≡ 8 outside 0..31 has
// 2^27 − 1 values, and half of them keep T(1) = 40·A + 3 non-negative.
void TestAnalysis::keyCountByHand_data()
{
    QTest::addColumn<GammaKey>("key");
    QTest::addColumn<int>("length");
    QTest::addColumn<double>("log2Count");
    const double seedsOutside = std::log2(double(1 << 27) - 1);
    QTest::newRow("one position, T0 in 0..31") << GammaKey{5, 3, 7} << 1 << 54.0;
    QTest::newRow("two positions, T0 in 0..31") << GammaKey{5, 3, 7} << 2 << 53.0;
    QTest::newRow("one position, T0 above 31") << GammaKey{5, 3, 40} << 1 << 54 + seedsOutside;
    QTest::newRow("two positions, T0 above 31") << GammaKey{5, 3, 40} << 2 << 53 + seedsOutside;
}

void TestAnalysis::keyCountByHand()
{
    QFETCH(GammaKey, key);
    QFETCH(int, length);
    QFETCH(double, log2Count);
    QVERIFY2(qAbs(analysis::keyCountLog2(key, length) - log2Count) < 1e-6,
             qPrintable(QString::number(analysis::keyCountLog2(key, length), 'f', 6)));
}

QTEST_GUILESS_MAIN(TestAnalysis)
#include "tst_analysis.moc"
