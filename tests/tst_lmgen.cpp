// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

// lmgen, run as a real process: what "count" makes of a text's layout and of several texts,
// and "tables" refusing counts that were damaged rather than building a wrong model.

#include "support/processrun.h"

#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString lmgenPath = QStringLiteral(GAMMACRYPT_LMGEN_PATH);

// Enough Russian for lmgen to accept, with the given separator between words.
QString sampleText(const QString &separator, int repeats = 40)
{
    const QStringList words = {QStringLiteral("Файл"),    QStringLiteral("открыт"),
                               QStringLiteral("для"),     QStringLiteral("чтения"),
                               QStringLiteral("и"),       QStringLiteral("записи,"),
                               QStringLiteral("каталог"), QStringLiteral("пуст.")};
    QStringList all;
    for (int i = 0; i < repeats; ++i)
        all += words;
    return all.join(separator);
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The counts in a counts file, by symbols ("3\tАБВ", "w\tКОТ"); header left out.
QMap<QString, qint64> countsIn(const QString &path)
{
    QMap<QString, qint64> counts;
    for (const QString &line : QString::fromUtf8(readFile(path)).split('\n')) {
        const QStringList fields = line.split(QLatin1Char('\t'));
        const QString kind = fields.at(0);
        if (fields.size() == 3 && (kind == QLatin1String("1") || kind == QLatin1String("w"))) {
            counts[kind + QLatin1Char('\t') + fields.at(1)] += fields.at(2).toLongLong();
        } else if (fields.size() == 3) { // a context, then its followers with their counts
            for (const QString &follower : fields.at(2).split(QLatin1Char(' ')))
                counts[kind + QLatin1Char('\t') + fields.at(1) + follower.left(1)] +=
                    follower.mid(1).toLongLong();
        } else if (kind == QLatin1String("symbols"))
            counts[fields.at(0)] += fields.at(1).toLongLong();
    }
    return counts;
}

// The counts of "lmgen count" over the texts (text0.txt, text1.txt, ... in dir).
QMap<QString, qint64> countsOf(const QTemporaryDir &dir, const QStringList &texts)
{
    QStringList arguments = {QStringLiteral("count"), dir.filePath(QStringLiteral("out.lmcounts"))};
    for (int i = 0; i < texts.size(); ++i) {
        const QString path = dir.filePath(QStringLiteral("text%1.txt").arg(i));
        if (!writeFile(path, texts.at(i).toUtf8()))
            return {};
        arguments << path;
    }
    if (runProcess(lmgenPath, arguments).exitCode != 0)
        return {};
    return countsIn(dir.filePath(QStringLiteral("out.lmcounts")));
}

} // namespace

class TestLmgen : public QObject
{
    Q_OBJECT

private slots:
    void layoutCountsAsOneSpace_data();
    void layoutCountsAsOneSpace();
    void textsAddUp();
    void earlierCountsAddUp();
    void damagedCountsRefused_data();
    void damagedCountsRefused();
};

// A typed line has single spaces: indentation, columns and blank lines must not teach the
// model runs of them.
void TestLmgen::layoutCountsAsOneSpace_data()
{
    QTest::addColumn<QString>("separator");
    QTest::newRow("aligned columns") << QStringLiteral("     ");
    QTest::newRow("tabs") << QStringLiteral("\t");
    QTest::newRow("indented lines") << QStringLiteral("\n    ");
    QTest::newRow("blank lines, CRLF") << QStringLiteral("\r\n\r\n");
}

void TestLmgen::layoutCountsAsOneSpace()
{
    QFETCH(QString, separator);
    QTemporaryDir dir;
    const QMap<QString, qint64> plain = countsOf(dir, {sampleText(QStringLiteral(" "))});
    QVERIFY(!plain.isEmpty());
    QCOMPARE(countsOf(dir, {sampleText(separator)}), plain);
}

// Several texts count as if each were read on its own: nothing carries over between them.
void TestLmgen::textsAddUp()
{
    QTemporaryDir dir;
    const QString first = sampleText(QStringLiteral(" "));
    const QString second = sampleText(QStringLiteral("\n"), 60).toUpper();
    QMap<QString, qint64> apart = countsOf(dir, {first});
    const QMap<QString, qint64> other = countsOf(dir, {second});
    QVERIFY(!apart.isEmpty() && !other.isEmpty());
    for (auto it = other.begin(); it != other.end(); ++it)
        apart[it.key()] += it.value();
    QCOMPARE(countsOf(dir, {first, second}), apart);
}

// A model grows from its counts alone: counts of a first run added to a second text are the
// counts of both texts read in one run, and the first run's sources and notes stay named.
void TestLmgen::earlierCountsAddUp()
{
    QTemporaryDir dir;
    const QMap<QString, qint64> both = countsOf(
        dir, {sampleText(QStringLiteral(" ")), sampleText(QStringLiteral("\n"), 60).toUpper()});
    QVERIFY(!both.isEmpty());
    const QString earlier = dir.filePath(QStringLiteral("earlier.lmcounts"));
    const QString grown = dir.filePath(QStringLiteral("grown.lmcounts"));
    const auto count = [](const QStringList &arguments) {
        return runProcess(lmgenPath, QStringList{QStringLiteral("count")} + arguments).exitCode;
    };
    QCOMPARE(count({QStringLiteral("--note"), QStringLiteral("the first text"), earlier,
                    dir.filePath(QStringLiteral("text0.txt"))}),
             0);
    QCOMPARE(
        count({QStringLiteral("--add"), earlier, grown, dir.filePath(QStringLiteral("text1.txt"))}),
        0);
    QCOMPARE(countsIn(grown), both);
    const QString header =
        QString::fromUtf8(readFile(grown)).section(QStringLiteral("\nsymbols"), 0, 0) +
        QLatin1Char('\n');
    for (const char *record :
         {"\nsource\ttext0.txt\t", "\nsource\ttext1.txt\t", "\nnote\tthe first text\n"})
        QVERIFY2(header.contains(QLatin1String(record)), record);
}

// The first record of a kind ("2\t"), or the line holding what follows "\n".
QString firstLine(const QString &text, const QString &start)
{
    const int at = text.indexOf(QLatin1Char('\n') + start) + 1;
    return at > 0 ? text.mid(at, text.indexOf(QLatin1Char('\n'), at) - at) : QString();
}

void TestLmgen::damagedCountsRefused_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message"); // what the refusal must say
    const QString notRecord = QStringLiteral("not a record of lmgen");
    QTest::newRow("intact") << QString() << 0 << QString();
    QTest::newRow("CRLF line ends") << QStringLiteral("crlf") << 0 << QString();
    QTest::newRow("another lmgen") << QStringLiteral("lmgen\t2") << 1 << notRecord;
    QTest::newRow("symbols do not add up")
        << QStringLiteral("symbols\t1") << 1 << QStringLiteral("do not add up");
    QTest::newRow("order and context disagree") << QStringLiteral("3\tАБВ\tГ5") << 1 << notRecord;
    QTest::newRow("context one symbol short") << QStringLiteral("4\tЯЯ\tЯ5") << 1 << notRecord;
    QTest::newRow("follower without a count") << QStringLiteral("4\tЯЯЯ\tЯ") << 1 << notRecord;
    QTest::newRow("symbol outside the alphabet") << QStringLiteral("1\tЁ\t5") << 1 << notRecord;
    QTest::newRow("count of zero") << QStringLiteral("4\tЯЯЯ\tЯ0") << 1 << notRecord;
    QTest::newRow("count not a number") << QStringLiteral("w\tЯЯЯ\tмного") << 1 << notRecord;
    QTest::newRow("record twice") << QStringLiteral("twice 2\t") << 1 << notRecord;
    QTest::newRow("word twice") << QStringLiteral("twice w\t") << 1 << notRecord;
}

void TestLmgen::damagedCountsRefused()
{
    QFETCH(QString, damage);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    QTemporaryDir dir;
    QVERIFY(!countsOf(dir, {sampleText(QStringLiteral(" "))}).isEmpty());
    const QString counts = dir.filePath(QStringLiteral("out.lmcounts"));
    QString text = QString::fromUtf8(readFile(counts));
    const QString symbols = firstLine(text, QStringLiteral("symbols\t"));
    if (damage == QLatin1String("crlf"))
        text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    else if (damage.startsWith(QLatin1String("twice ")))
        text += firstLine(text, damage.section(QLatin1Char(' '), 1)) + QLatin1Char('\n');
    else if (damage.startsWith(QLatin1String("lmgen")) ||
             damage.startsWith(QLatin1String("symbols")))
        text.replace(firstLine(text, damage.section(QLatin1Char('\t'), 0, 0) + QLatin1Char('\t')),
                     damage);
    else if (!damage.isEmpty())
        text += damage + QLatin1Char('\n');
    QVERIFY(writeFile(counts, text.toUtf8()));
    const QString tables = dir.filePath(QStringLiteral("tables.cpp"));
    const ProcessRun run = runProcess(lmgenPath, {QStringLiteral("tables"), counts, tables});
    QCOMPARE(run.exitCode, exitCode);
    if (exitCode == 0) {
        const QString expected = QStringLiteral("languageModelSymbolCount = %1;")
                                     .arg(symbols.section(QLatin1Char('\t'), 1));
        QVERIFY(QString::fromUtf8(readFile(tables)).contains(expected));
    } else {
        QVERIFY2(QString::fromUtf8(run.err).contains(message), run.err.constData());
    }
}

QTEST_GUILESS_MAIN(TestLmgen)

#include "tst_lmgen.moc"
