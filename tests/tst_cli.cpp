// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

// gammacrypt-cli run as a real process: what a teacher's script or a pipe would see.

#include "alphabet.h"
#include "documentio.h"
#include "gamma.h"
#include "gamma_reference.h"
#include "mainwindow.h"
#include "modalanswerer.h"
#include "processrun.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCodec>

namespace {

const QString cliPath = QStringLiteral(GAMMACRYPT_CLI_PATH);

using Run = ProcessRun;

Run run(const QString &program, const QStringList &arguments, const QByteArray &input = {})
{
    return runProcess(program, arguments, input);
}

Run cli(const QStringList &arguments, const QByteArray &input = {})
{
    return run(cliPath, arguments, input);
}

QByteArray encoded(const QString &text, const QString &encoding)
{
    return encoding == QLatin1String("utf-8") ? text.toUtf8()
                                              : documentio::encodeWindows1251(text).bytes;
}

QString transformed(const QString &line, const QString &key)
{
    const QStringList parts = key.split(QLatin1Char(','));
    return gammaTransform(line, parts.at(0).toInt(), parts.at(1).toInt(), parts.at(2).toInt());
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The generator's cycle found by walking it until a value comes again: that value's first
// position is mu, the distance between its two positions lambda.
QPair<int, int> cycleByWalking(const QString &key)
{
    const QStringList parts = key.split(QLatin1Char(','));
    QVector<qint32> values{parts.at(2).toInt()};
    for (;;) {
        const qint32 next = nextGammaValue(values.last(), parts.at(0).toInt(), parts.at(1).toInt());
        if (const int mu = values.indexOf(next); mu >= 0)
            return {mu, values.size() - mu};
        values.append(next);
    }
}

// About 600 KB of lines of letters, near misses and other characters the encoding holds (in
// UTF-8 the U+1C80 family, three and four bytes too) with random ends: the lines, then the ends.
QStringList randomLines(const QString &encoding)
{
    QString characters = QStringLiteral("  АБВЖЗИЯабвжзия ёЁйЙ09.,\t\u00A0«»№\u0098");
    if (encoding == QLatin1String("utf-8"))
        characters += QStringLiteral("\u1C80\u1C82\u1C88—€\u2028\uFEFF\u0000");
    const QStringList ends{"\n", "\r\n", "\r"};
    QRandomGenerator random(16);
    QStringList lines, lineEnds;
    for (int size = 0; size < 600000; size += lines.last().size()) {
        QString line;
        for (int length = int(random.bounded(300)); line.size() < length;) {
            if (encoding == QLatin1String("utf-8") && random.bounded(50) == 0)
                line += QString::fromUcs4(U"\U0001F600");
            else
                line += characters.at(int(random.bounded(characters.size())));
        }
        lines += line;
        lineEnds += ends.at(int(random.bounded(3)));
    }
    lineEnds.last() = QString();
    return lines + lineEnds;
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void everyLine_data();
    void everyLine();
    void lastLineAsWindowSaves_data();
    void lastLineAsWindowSaves();
    void commandLine_data();
    void commandLine();
    void helpAndVersion();
    void outputFile_data();
    void outputFile();
    void writeFailureOnStandardOutput();
    void trace_data();
    void trace();
    void traceTable();
    void hostileScripts_data();
    void hostileScripts();
    void qtTextsInSystemLanguage_data();
    void qtTextsInSystemLanguage();

private:
    QString path(const QString &name) const { return directory->filePath(name); }
    QByteArray windowSavesLastLine(const QByteArray &file, const QString &key, bool expectWarning);

    std::unique_ptr<QTemporaryDir> directory;
};

void TestCli::init()
{
    directory = std::make_unique<QTemporaryDir>();
    QVERIFY(directory->isValid());
}

void TestCli::everyLine_data()
{
    // "E from F": the file is in the Unicode form F with its mark, which switches the decoding.
    QTest::addColumn<QString>("encoding");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("ends"); // lines[i] + ends[i], in order, is the input

    const QString a = QStringLiteral("Привет, мир");
    const QString b = QStringLiteral("вторая строка");
    for (const QString &encoding : {QStringLiteral("utf-8"), QStringLiteral("windows-1251")}) {
        const auto row = [&encoding](const char *name) {
            return &(QTest::newRow(qPrintable(encoding + ": " + name)) << encoding);
        };
        *row("every line end, CR before CR LF, last line without")
            << "-2147483648,2147483647,-1" << QStringList{"я" + a, b, "", a, b}
            << QStringList{"\n", "\r", "\r\n", "\r\n", ""};
        const QStringList random = randomLines(encoding);
        *row("random lines of every kind, across read chunks")
            << "-17,3,2147483647" << QStringList(random.mid(0, random.size() / 2))
            << QStringList(random.mid(random.size() / 2));
        *row("lone CR at the end, leading zeros, minus zero")
            << "-007,-0,0000000000000000031" << QStringList{a} << QStringList{"\r"};
        *row("empty input") << "1,2,3" << QStringList{} << QStringList{};
        // The tool reads 256 Ki units at a time; these split what comes at the boundary.
        const QString chunk(256 * 1024 - 1, QLatin1Char('x'));
        *row("CR LF across a read chunk, smallest key")
            << "-2147483648,-2147483648,-2147483648" << QStringList{chunk, a}
            << QStringList{"\r\n", ""};
        *row("lone CR ending a read chunk, largest key")
            << "2147483647,2147483647,2147483647" << QStringList{chunk, a} << QStringList{"\r", ""};
        *row("character across a read chunk, line longer than one")
            << "5,3,7" << QStringList{chunk + "ё" + QString(600000, QChar(0x0430)), b}
            << QStringList{"\n", ""};
    }
    const QString cyrillic = QString(100, QChar(0x0430)); // whole blocks of two-byte letters
    QTest::newRow("utf-8: U+1C80 family among blocks of letters")
        << "utf-8"
        << "5,3,7"
        << QStringList{cyrillic + QStringLiteral("\u1C80\u1C81 \u1C82") + cyrillic,
                       QStringLiteral("\u1C88\u1C86ё")}
        << QStringList{"\r\n", ""};
    QTest::newRow("utf-8: byte-order mark kept, three and four bytes, U+10FFFF")
        << "utf-8"
        << "5,3,7"
        << QStringList{QStringLiteral("\uFEFFа😀б — 5 €"), QString::fromUcs4(U"\U0010FFFF")}
        << QStringList{"\n", ""};
    for (const char *form : {"windows-1251 from UTF-8", "windows-1251 from UTF-16BE"})
        QTest::newRow(form) << form << "9,4,1"
                            << QStringList{a, QStringLiteral("ёж и йод"), "", "я"}
                            << QStringList{"\r\n", "\r", "\n", ""};
}

// Each line transformed on its own, its end kept; decrypting gives the text back, upper-cased.
void TestCli::everyLine()
{
    QFETCH(QString, encoding);
    QFETCH(QString, key);
    QFETCH(QStringList, lines);
    QFETCH(QStringList, ends);
    const QString form = encoding.section(QStringLiteral(" from "), 1);
    encoding = encoding.section(QStringLiteral(" from "), 0, 0);

    QString input, expected;
    for (int i = 0; i < lines.size(); ++i) {
        input += lines.at(i) + ends.at(i);
        expected += transformed(lines.at(i), key) + ends.at(i);
    }
    const QStringList options{"--key", key, "--encoding", encoding};
    // From a file, so that reads fill whole chunks (a pipe gives what it holds).
    const QString file = path(QStringLiteral("input.txt"));
    // One mark: the encoder would write its own before ours.
    const auto withMark = [&input](const QString &form) {
        return std::unique_ptr<QTextEncoder>(
                   QTextCodec::codecForName(form.toLatin1())->makeEncoder(QTextCodec::IgnoreHeader))
            ->fromUnicode(QChar(0xFEFF) + input);
    };
    QVERIFY(writeAll(file, form.isEmpty() ? encoded(input, encoding) : withMark(form)));
    const Run encrypted = cli(QStringList{"encrypt", file} + options);
    QCOMPARE(encrypted.exitCode, 0);
    QCOMPARE(encrypted.err, QByteArray());
    QCOMPARE(encrypted.out, encoded(expected, encoding));
    const Run decrypted = cli(QStringList{"decrypt"} + options, encrypted.out);
    QCOMPARE(decrypted.exitCode, 0);
    const QString upperCased = reference::upperCaseAlphabetCharacters(standardAlphabet(), input);
    QCOMPARE(decrypted.out, encoded(upperCased, encoding));
}

// The bytes the real window writes after Open, Encrypt and Save As.
QByteArray TestCli::windowSavesLastLine(const QByteArray &file, const QString &key,
                                        bool expectWarning)
{
    const QString input = path(QStringLiteral("window-input.txt"));
    const QString saved = path(QStringLiteral("window-saved.txt"));
    if (!writeAll(input, file))
        return "<not written>";
    MainWindow window;
    ModalAnswerer answerer;
    const auto trigger = [&window](const char *name) {
        window.findChild<QAction *>(QLatin1String(name))->trigger();
    };
    const QStringList parts = key.split(QLatin1Char(','));
    answerer.expect(answer::chooseFile(input));
    trigger("action_2");
    answerer.expect(answer::keyAccept(parts.at(0), parts.at(1), parts.at(2)));
    trigger("action_9");
    answerer.expect(answer::chooseFile(saved));
    if (expectWarning)
        answerer.expect(answer::messageBoxOk());
    trigger("action_4");
    if (!answerer.problems().isEmpty() || answerer.pending() != 0)
        return "<window: " + answerer.problems().join(QLatin1String("; ")).toUtf8() + ">";
    return readAll(saved);
}

void TestCli::lastLineAsWindowSaves_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("warning"); // empty: none at all

    const auto cp1251 = [](const char16_t *text) {
        return documentio::encodeWindows1251(QString::fromUtf16(text)).bytes;
    };
    const auto withBom = [](const char *codec, const char16_t *text) {
        return QTextCodec::codecForName(codec)->fromUnicode(QChar(0xFEFF) +
                                                            QString::fromUtf16(text));
    };
    QTest::newRow("CR LF, no end; no-break space and markup stay")
        << cp1251(u"первая строка\r\n<b>вторая</b>\u00A0&amp;")
        << "2147483647,2147483647,2147483647" << QString();
    QTest::newRow("ends with CR LF: empty last line") << cp1251(u"первая\r\n") << "5,3,7"
                                                      << "";
    QTest::newRow("LF then lone CR") << cp1251(u"один\nдва\rтри") << "9,4,1"
                                     << "";
    QTest::newRow("ends with lone CR") << cp1251(u"один\r") << "9,4,1"
                                       << "";
    QTest::newRow("empty file") << QByteArray() << "5,3,7"
                                << "";
    QTest::newRow("undefined byte 0x98") << QByteArray("\xE0\x98\xE1") << "5,3,7"
                                         << "";
    QTest::newRow("UTF-8 byte-order mark") << withBom("UTF-8", u"первая\nпоследняя ё й") << "5,3,7"
                                           << "";
    QTest::newRow("UTF-16LE, line separator") << withBom("UTF-16LE", u"а\nб\u2028в г") << "5,3,7"
                                              << "";
    QTest::newRow("UTF-16BE, paragraph separator")
        << withBom("UTF-16BE", u"строка\r\nещё\u2029и ещё") << "5,3,7"
        << "";
    QTest::newRow("characters without a Windows-1251 byte, counted")
        << withBom("UTF-8", u"x\n中文 и русский") << "5,3,7"
        << "Windows-1251: 2;";
    // A '?' for each byte of a sequence that goes wrong, also where the tool's 256 KiB read
    // ends inside it and where the file does.
    const QByteArray mark("\xEF\xBB\xBF");
    QTest::newRow("four bytes cut short across a read chunk")
        << mark + QByteArray(256 * 1024 - 5, 'x') + "\xF0\x9F\x98 A"
        << "5,3,7"
        << "Windows-1251: 3;";
    QTest::newRow("UTF-16LE, a lone high surrogate before another and at the end")
        << QByteArray("\xFF\xFE\x30\x04\x00\xD8\x00\xD8\x31\x04\x00\xD8", 12) << "5,3,7"
        << "Windows-1251: 3;";
    QTest::newRow("four bytes cut short by the end of the file") << mark + "\xD1\x8F\xF0\x9F\x98"
                                                                 << "5,3,7"
                                                                 << "Windows-1251: 3;";
}

// --last-line gives the window's bytes; fed the same text in UTF-8 it picks the same line.
void TestCli::lastLineAsWindowSaves()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, key);
    QFETCH(QString, warning);

    const QByteArray window = windowSavesLastLine(file, key, !warning.isEmpty());
    const QString input = path(QStringLiteral("input.txt"));
    QVERIFY(writeAll(input, file));
    const Run result =
        cli({"encrypt", "--key", key, "--encoding", "windows-1251", "--last-line", input});
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(result.out, window);
    QVERIFY2(warning.isEmpty() ? result.err.isEmpty()
                               : QString::fromUtf8(result.err).contains(warning),
             result.err.constData());

    const QByteArray utf8 = documentio::decodeDocument(file).toUtf8();
    const Run inUtf8 = cli({"decrypt", "--key", key, "--last-line"}, utf8);
    QCOMPARE(inUtf8.exitCode, 0);
    QCOMPARE(documentio::encodeWindows1251(QString::fromUtf8(inUtf8.out)).bytes, window);
}

void TestCli::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("err"); // what the message must name

    const auto encrypt = [](const QString &key, const QStringList &more = {}) {
        return QStringList{"encrypt", "--key", key} + more;
    };
    const auto rejected = [](const char *name, const QStringList &arguments, int exitCode,
                             const QString &named, const QByteArray &input = "текст") {
        QTest::newRow(name) << arguments << input << exitCode << named;
    };
    // The parser's refusals are tested in-process (tst_commandline); here the exit status
    // and the silence on standard output that a usage error gives.
    rejected("no command", {}, 2, "команда");
    rejected("missing file", encrypt("1,2,3", {"/nonexistent/нет.txt"}), 1, "не найден");
    rejected("folder", encrypt("1,2,3", {QDir::tempPath()}), 1, "папка");

    // Invalid UTF-8 is an input error naming the offset of its first byte.
    const auto invalid = [&](const char *name, const QByteArray &input, int offset) {
        rejected(name, encrypt("1,2,3"), 1, QStringLiteral("смещением %1 ").arg(offset), input);
    };
    invalid("stray continuation byte", "ab\x80", 2);
    invalid("overlong two bytes", "\xC0\xAF", 0);
    invalid("overlong three bytes", "x\xE0\x80\xAF", 1);
    invalid("encoded surrogate", "\xED\xA0\x80", 0);
    invalid("past U+10FFFF", "\xF4\x90\x80\x80", 0);
    invalid("cut at the end", "abc\xD0", 3);
    invalid("cut by a line end", "\xE2\x82\r\n", 0);
    invalid("on a later line", "\xD0\xB0\r\n\xD0\xB1\xFF", 6);
    invalid("after a long ASCII run", QByteArray(17, 'a') + "\x80" + QByteArray(20, 'b'), 17);
    invalid("overlong among Cyrillic letters",
            QStringLiteral("аааааааааа").toUtf8() + "\xC1\x81" + QStringLiteral("б").toUtf8(), 20);
    invalid("after whole blocks of Cyrillic letters",
            QString(100, QChar(0x0430)).toUtf8() + "\xD0x", 200);
    invalid("lead byte ending the last block", QByteArray(63, ' ') + "\xD0", 63);
    // A CR that ends a read chunk (256 Ki bytes) is judged with the LF that follows.
    rejected("CR LF across a read chunk, then an invalid byte", encrypt("1,2,3"), 1, "(строка 2)",
             QByteArray(256 * 1024 - 1, 'x') + "\r\n\xFF");
    rejected("invalid byte after many reads", encrypt("1,2,3"), 1,
             "смещением 800000 от начала (строка 100001)",
             QByteArray("\xD0\xB0\xD0\xB1\xD0\xB2\r\n").repeated(100000) + "\xFF");
    rejected("trace: invalid first line", {"trace", "--key", "1,2,3"}, 1, "смещением 3 ",
             "abc\xD0\n");
}

void TestCli::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, input);
    QFETCH(int, exitCode);
    QFETCH(QString, err);

    const Run result = cli(arguments, input);
    QCOMPARE(result.exitCode, exitCode);
    QCOMPARE(result.out, QByteArray());
    QVERIFY2(QString::fromUtf8(result.err).contains(err), result.err.constData());
    QVERIFY(!QFile::exists(QStringLiteral("x")));
}

void TestCli::helpAndVersion()
{
    const Run help = cli({"--help"});
    QCOMPARE(help.exitCode, 0);
    QVERIFY(help.out.contains("--last-line") && help.out.contains("trace"));
    const Run version = cli({"--version"});
    QCOMPARE(version.exitCode, 0);
    QVERIFY(version.out.startsWith("gammacrypt-cli "));
}

void TestCli::outputFile_data()
{
    QTest::addColumn<QString>("failure"); // empty: the run succeeds
    QTest::addColumn<bool>("inPlace");

    QTest::newRow("replaces a longer file") << QString() << false;
    QTest::newRow("the input file itself") << QString() << true;
    QTest::newRow("invalid input after many lines") << "input" << false;
    QTest::newRow("missing input file") << "missing" << false;
    QTest::newRow("file size limit reached while writing") << "limit" << false;
}

// The output file is replaced only by a complete result, and nothing is left beside it.
void TestCli::outputFile()
{
    QFETCH(QString, failure);
    QFETCH(bool, inPlace);

    const QString line = QStringLiteral("строка текста");
    const QByteArray text = (line + "\r\n").repeated(100000).toUtf8(); // several read chunks
    const QByteArray expected = (transformed(line, "5,3,7") + "\r\n").repeated(100000).toUtf8();
    const QString input = path(QStringLiteral("текст.txt"));
    const QString target = inPlace ? input : path(QStringLiteral("old.txt"));
    const QByteArray old = inPlace ? text : text + text;
    QVERIFY(writeAll(target, old));
    if (!inPlace)
        QVERIFY(writeAll(input, failure == QLatin1String("input") ? text + "\xFF" : text));
    QStringList arguments{"encrypt", "--key", "5,3,7", "--output", target, input};
    if (failure == QLatin1String("missing"))
        arguments.last() = path(QStringLiteral("missing.txt"));
    QString program = cliPath;
    if (failure == QLatin1String("limit")) {
        // A 1 KiB file size limit, the signal that would kill the writer ignored: the write
        // fails (EFBIG) in the middle of the output.
        arguments =
            QStringList{"-c", "trap '' XFSZ; ulimit -f 1; exec \"$@\"", "sh", program} + arguments;
        program = QStringLiteral("/bin/sh");
    }
    const Run result = run(program, arguments);
    QCOMPARE(result.exitCode, failure.isEmpty() ? 0 : 1);
    QCOMPARE(result.out, QByteArray());
    QCOMPARE(result.err.isEmpty(), failure.isEmpty());
    QCOMPARE(readAll(target), failure.isEmpty() ? expected : old);
    QCOMPARE(QDir(directory->path()).entryList(QDir::Files).size(), inPlace ? 1 : 2);
}

void TestCli::writeFailureOnStandardOutput()
{
    const Run result = run(QStringLiteral("/bin/sh"),
                           {"-c", "exec \"$0\" encrypt --key 1,2,3 >/dev/full", cliPath}, "абв\n");
    QCOMPARE(result.exitCode, 1);
    QVERIFY2(QString::fromUtf8(result.err)
                 .contains(QStringLiteral("стандартный вывод: на диске нет места")),
             result.err.constData());
}

void TestCli::trace_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("traced");

    const QString text = QStringLiteral("Привет, ёй Q7 я");
    for (const char *key : {"5,3,7", "0,5,100", "-1,0,5", "2147483647,2147483647,2147483647",
                            "-2147483648,-2147483648,-2147483648", "-7,-3,-100", "21,-11,40"})
        QTest::newRow(key) << QString::fromLatin1(key) << QStringList{text} << QByteArray() << text;
    QTest::newRow("first line of standard input")
        << "-3,11,-40" << QStringList{} << QStringLiteral("аб вг\r\nвторая").toUtf8()
        << QStringLiteral("аб вг");
    QTest::newRow("empty text") << "1,2,3" << QStringList{QString()} << QByteArray() << QString();
    // Read in blocks of 1 MiB: a character across the first boundary, the generator going on.
    const QString long_ = QLatin1Char('x') + QString(524288, QChar(0x044F)) + QStringLiteral("ё Й");
    QTest::newRow("first line longer than a read block")
        << "21,-11,40" << QStringList{} << (long_ + "\nnext").toUtf8() << long_;
    const QString cutFour = QString(524286, QChar(0x044F)) + QStringLiteral("x😀ё");
    QTest::newRow("four bytes across a read block")
        << "5,3,7" << QStringList{} << (cutFour + "\r").toUtf8() << cutFour;
}

void TestCli::trace()
{
    QFETCH(QString, key);
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, input);
    QFETCH(QString, traced);

    const Run result =
        cli(QStringList{"trace", "--key", key, "--format", "tsv", "--"} + arguments, input);
    QCOMPARE(result.exitCode, 0);
    const QStringList lines = QString::fromUtf8(result.out).split(QLatin1Char('\n'));
    // One row per character, at its first position: a character past the first plane takes
    // two positions and one row.
    const QVector<uint> characters = traced.toUcs4();
    QCOMPARE(lines.size(), characters.size() + 4); // header, rows, mu, lambda, final empty part
    QCOMPARE(lines.first(),
             QStringLiteral("position\tcharacter\tcode\tT\tg\tresult_code\tresult_character"));
    const QStringList k = key.split(QLatin1Char(','));
    const QString output = transformed(traced, key);
    const auto orDash = [](std::optional<int> code) {
        return code ? QString::number(*code) : QStringLiteral("-");
    };
    int position = 0;
    qint32 value = k.at(2).toInt();
    for (int row = 0; row < characters.size(); ++row) {
        const int units = characters.at(row) > 0xFFFF ? 2 : 1;
        const QString character = traced.mid(position, units);
        const std::optional<int> code =
            units == 1 ? lookupCode(character.at(0)) : std::optional<int>();
        const int gamma = gammaCode(value);
        const std::optional<int> resultCode = code ? std::optional<int>(*code ^ gamma) : code;
        QCOMPARE(lines.at(row + 1), QStringList({QString::number(position), character, orDash(code),
                                                 QString::number(value), QString::number(gamma),
                                                 orDash(resultCode), output.mid(position, units)})
                                        .join(QLatin1Char('\t')));
        for (int unit = 0; unit < units; ++unit)
            value = nextGammaValue(value, k.at(0).toInt(), k.at(1).toInt());
        position += units;
    }
    const QPair<int, int> cycle = cycleByWalking(key);
    QCOMPARE(lines.at(lines.size() - 3), QStringLiteral("mu\t%1").arg(cycle.first));
    QCOMPARE(lines.at(lines.size() - 2), QStringLiteral("lambda\t%1").arg(cycle.second));
}

// Columns line up for a person: numbers end where their heading ends, each character
// stands where its heading starts.
void TestCli::traceTable()
{
    const Run result = cli({"trace", "--key", "1,1,0", "ПРИВЕТ"});
    QCOMPARE(result.exitCode, 0);
    const QString text = QString::fromUtf8(result.out);
    QVERIFY2(text.contains(QStringLiteral("μ = 0, λ = 32")), qPrintable(text));
    const QStringList lines = text.split(QLatin1Char('\n'));
    QVERIFY(lines.first().startsWith(QStringLiteral("позиция  символ")));
    const int characterColumn = lines.first().indexOf(QStringLiteral("символ"));
    const int valueEnd = lines.first().indexOf(QStringLiteral("T(i)")) + 4;
    for (int i = 0; i < 6; ++i) {
        QCOMPARE(lines.at(i + 1).left(characterColumn - 2).trimmed(), QString::number(i));
        QCOMPARE(lines.at(i + 1).at(characterColumn), QStringLiteral("ПРИВЕТ").at(i));
        QCOMPARE(lines.at(i + 1).mid(valueEnd - 4, 4).trimmed(), QString::number(i)); // T(i) = i
    }
    QCOMPARE(lines.at(7), QString());
}

// The tool as a script runs it: the script gets the tool as $0 and the test's folder as $1.
Run runScript(const QString &line, const QString &folder, const QByteArray &input = {})
{
    return run(QStringLiteral("/bin/sh"), {"-c", line, cliPath, folder}, input);
}

void TestCli::hostileScripts_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("err"); // what the message must name; empty: no message
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<int>("limitMiB"); // of address space, 0: none; the tool starts in some 55

    const QByteArray lines = QByteArray("абв\n").repeated(100000);
    const auto row = [](const char *name, const QString &script, int exitCode, const QString &err,
                        const QByteArray &input = {}, const QByteArray &out = {}) {
        QTest::newRow(name) << script << input << exitCode << err << out << 0;
    };
    const QString lost = QStringLiteral("стандартный вывод: он был закрыт при запуске программы");
    const QString encrypt = QStringLiteral("exec \"$0\" encrypt --key 5,3,7 ");
    row("8-byte result, output closed", encrypt + "\"$1/e.txt\" >&-", 1, lost);
    row("many lines, output closed", encrypt + ">&-", 1, lost, lines);
    row("trace, output closed", "exec \"$0\" trace --key 5,3,7 ПРИВЕТ >&-", 1, lost);
    for (const QString option : {"--help", "--version"}) {
        const QString command = "exec \"$0\" " + option;
        row(qPrintable(option + ", output closed"), command + " >&-", 1, lost);
        row(qPrintable(option + " on a full device"), command + " >/dev/full", 1,
            "стандартный вывод");
    }
    // analyze and attack write their reports through the same sink; a full device fails them.
    row("analyze on a full device", "exec \"$0\" analyze --key 5,3,7 >/dev/full", 1,
        QStringLiteral("стандартный вывод: на диске нет места"));
    row("attack on a full device", "exec \"$0\" attack >/dev/full", 1,
        QStringLiteral("стандартный вывод: на диске нет места"),
        transformed(QStringLiteral("Письмо пришло через неделю"), "5,3,7").toUtf8());
    row("nothing to write, output closed", encrypt + ">&-", 0, QString());
    row("--output, output closed",
        "\"$0\" encrypt --key 5,3,7 --output \"$1/o.txt\" \"$1/e.txt\" >&- && cat \"$1/o.txt\"", 0,
        QString(), {}, "abcdefg\n");
    // --output to a FIFO writes to its reader; a target made a folder while the tool reads
    // (standard input a FIFO held open until the new file beside the target is there) fails.
    row("--output to a FIFO",
        "mkfifo \"$1/f\" && { cat \"$1/f\" & } && \"$0\" encrypt --key 5,3,7 --output \"$1/f\" "
        "\"$1/r.txt\"; s=$?; [ $s = 0 ] || kill $!; wait; exit $s",
        0, QString(), {}, transformed(QStringLiteral("мир"), "5,3,7").toUtf8() + '\n');
    row("--output becomes a folder",
        "mkfifo \"$1/in\" && { \"$0\" encrypt --key 5,3,7 --output \"$1/t.txt\" <\"$1/in\" & } && "
        "exec 3>\"$1/in\" && until [ \"$(ls -A \"$1\" | wc -l)\" -gt 3 ]; do kill -0 $! || break; "
        "done && mkdir \"$1/t.txt\" && printf 'мир\\n' >&3 && exec 3>&- && wait $! && exit 0; "
        "s=$?; ls -A \"$1\" | grep -vx -e e.txt -e r.txt -e in -e t.txt; exit $s",
        1, "t.txt");
    const QString unread = QStringLiteral("стандартный ввод: он был закрыт при запуске программы");
    row("input closed", encrypt + "<&-", 1, unread);
    row("trace, input closed", "exec \"$0\" trace --key 5,3,7 <&-", 1, unread);
    row("all three closed", encrypt + "\"$1/e.txt\" <&- >&- 2>&-", 1, QString());
    row("input is a folder", encrypt + "<\"$1\"", 1, "это папка, а не файл");

    // An output named by a descriptor the tool was given goes where the shell pointed it:
    // after what the file holds, between what others write. "-" is standard output.
    const QByteArray cipher = transformed(QStringLiteral("ПРИВЕТ"), "5,3,7").toUtf8() + '\n';
    const QString logged = QStringLiteral("printf 'log\\n' >\"$1/log\" && \"$0\" encrypt --key "
                                          "5,3,7 --output %1\"$1/log\" && echo end >>\"$1/log\" "
                                          "&& cat \"$1/log\"");
    const auto descriptorRow = [&](const char *name, const char *output) {
        QTest::newRow(name) << logged.arg(QString::fromLatin1(output)) << QByteArray("ПРИВЕТ\n")
                            << 0 << QString() << "log\n" + cipher + "end\n"
                            << 0;
    };
    descriptorRow("--output /dev/stdout, appended", "/dev/stdout >>");
    descriptorRow("--output /dev/stderr, appended", "/dev/stderr 2>>");
    descriptorRow("--output /proc/self/fd/3, appended", "/proc/self/fd/3 3>>");
    descriptorRow("--output /dev/fd/3, appended", "/dev/fd/3 3>>");
    row("--output /dev/stdout between two writers",
        "{ echo header; \"$0\" encrypt --key 5,3,7 --output /dev/stdout; echo footer; } >\"$1/o\" "
        "&& cat \"$1/o\"",
        0, QString(), "ПРИВЕТ\n", "header\n" + cipher + "footer\n");
    row("--output -",
        "mkdir \"$1/s\" && cd \"$1/s\" && \"$0\" encrypt --key 5,3,7 --output - && ls -A", 0,
        QString(), "ПРИВЕТ\n", cipher);

    // A signal during --output removes the new file beside the target; the target stays.
    // Started in the background, the tool would ignore SIGINT without env's help.
    for (const char *signal : {"INT", "TERM", "HUP"}) {
        const int number = QByteArray(signal) == "INT" ? 2 : QByteArray(signal) == "TERM" ? 15 : 1;
        row(qPrintable(QStringLiteral("SIG%1 during --output").arg(signal)),
            QStringLiteral(
                "exec 2>/dev/null; mkdir \"$1/s\" && cd \"$1/s\" && printf old >o.txt && mkfifo p "
                "|| exit 9; env --default-signal=INT \"$0\" encrypt --key 5,3,7 --output o.txt <p "
                "& "
                "exec 3>p; printf 'абв\\n' >&3; "
                "until ls -A | grep -q gammacrypt; do sleep 0.01; done; "
                "kill -%1 $!; wait $!; echo $?; exec 3>&-; ls -A; cat o.txt")
                .arg(signal),
            0, QString(), {}, QByteArray::number(128 + number) + "\no.txt\np\nold");
    }

    // Input cut inside a UTF-8 sequence ends with U+FFFD, counted like one anywhere else.
    row("byte-order mark, input cut inside a character",
        "printf '\\357\\273\\277ab\\360\\237\\230' | "
        "exec \"$0\" encrypt --key 1,2,3 --encoding windows-1251",
        0, "которых нет в кодировке Windows-1251: 3", {}, "ab???");
    // A character past the first plane is one row and two positions.
    row("trace: a character past the first plane", "exec \"$0\" trace --format tsv --key 5,3,7 a😀b",
        0, QString(), {},
        "position\tcharacter\tcode\tT\tg\tresult_code\tresult_character\n0\ta\t-\t7\t7\t-\ta\n"
        "1\t😀\t-\t6\t6\t-\t😀\n3\tb\t-\t8\t8\t-\tb\nmu\t0\nlambda\t32\n");
    // tsv cells escape what readers split rows at or drop; nothing of it stays raw.
    row("attack tsv: line breaks and control characters escaped",
        "printf 'ЖЦЗЛ\\302\\205НЗ\\342\\200\\250ЫЪ\\001Д\\033Е\\342\\200\\251\\n' | "
        "\"$0\" attack --format tsv --top 1 >\"$1/a\" 2>/dev/null; "
        "grep -c '\\\\u0085.*\\\\u2028.*\\\\u0001.*\\\\u001b.*\\\\u2029' \"$1/a\"; "
        "LC_ALL=C grep -c \"$(printf '\\302\\205\\\\|\\342\\200\\250\\\\|\\001\\\\|\\033')\" "
        "\"$1/a\" || true",
        0, QString(), {}, "1\n0\n");

    // Names that are not UTF-8 are the bytes given, never the file (here U+FFFD) their decoded
    // text would name. The trap removes them: QTemporaryDir would miss them.
    const QString names = QStringLiteral(
        R"sh(cd "$1" && trap 'rm -f ./*' EXIT && printf IMPORTANT >"$(printf '\357\277\275.txt')" && )sh"
        R"sh(printf 'абв' >"$(printf '\317\360\350\342\345\362.txt')"; )sh"
        R"sh(LC_ALL=C.UTF-8 "$0" encrypt --key 5,3,7 --output )sh");
    row("names not UTF-8",
        names + R"sh("$(printf '\376.txt')" "$(printf '\317\360\350\342\345\362.txt')" && )sh"
                R"sh(cat "$(printf '\376.txt')" "$(printf '\357\277\275.txt')")sh",
        0, QString(), {}, transformed("абв", "5,3,7").toUtf8() + "IMPORTANT");
    row("names not UTF-8, input missing",
        names +
            R"sh("$(printf '\377.txt')" "$(printf '\376\376.txt')"; s=$?; )sh"
            R"sh([ -e "$(printf '\377.txt')" ] && s=9; cat "$(printf '\357\277\275.txt')"; exit $s)sh",
        1, "\\xfe\\xfe.txt", {}, "IMPORTANT");

    // Memory stays within what the line bound implies, whatever the source; what cannot be had
    // is reported, never an abort. The lines are zero bytes, valid in both encodings.
    const auto limited = [](const char *name, const QString &script, int limitMiB, int exitCode,
                            const QString &err, const QByteArray &out = {}) {
        QTest::newRow(name) << script << QByteArray() << exitCode << err << out << limitMiB;
    };
    const QString tooLong = QStringLiteral("строка 1 длиннее 64 МиБ");
    for (const QString encoding : {"utf-8", "windows-1251"}) {
        const QString options = " encrypt --key 1,2,3 --encoding " + encoding;
        limited(qPrintable("100 MiB line, file, " + encoding),
                "truncate -s 100M \"$1/f\" && echo >>\"$1/f\" && exec \"$0\"" + options +
                    " \"$1/f\"",
                400, 1, tooLong);
        limited(qPrintable("100 MiB line, pipe, " + encoding),
                "(head -c 100M /dev/zero; echo) | exec \"$0\"" + options, 400, 1, tooLong);
    }
    limited("one byte over, no line end",
            "truncate -s 67108865 \"$1/f\" && exec \"$0\" encrypt --key 1,2,3 \"$1/f\"", 400, 1,
            tooLong);
    const QString atBound =
        QStringLiteral("truncate -s 64M \"$1/f\" && printf '\\r\\nя' >>\"$1/f\" "
                       "&& exec \"$0\" encrypt --key 1,2,3 \"$1/f\" ");
    limited("exactly at the bound, then CR LF", atBound + "--last-line", 600, 0, QString(),
            transformed(QStringLiteral("я"), "1,2,3").toUtf8());
    limited("memory runs out", atBound, 100, 1, QStringLiteral("не хватило памяти"));
    limited("trace of 2 Mi characters",
            "yes 'съешь же ещё этих мягких булок' | head -n 70000 | tr '\\n' ' ' | "
            "\"$0\" trace --key 5,3,7 >/dev/null",
            120, 0, QString());

    // The TEXT argument is judged by its own bytes, as standard input would be.
    row("text: stray byte", "exec \"$0\" trace --key 1,2,3 \"$(printf 'ab\\377')\"", 1,
        "аргумент ТЕКСТ — не UTF-8: байт 0xff со смещением 2 ");
    row("text: cut short", "exec \"$0\" trace --key 1,2,3 \"$(printf 'абв\\320')\"", 1,
        "байт 0xd0 со смещением 6 ");
    row("text: valid bytes",
        "exec \"$0\" trace --format tsv --key 5,3,7 \"$(printf '\\320\\237')\"", 0, QString(), {},
        "position\tcharacter\tcode\tT\tg\tresult_code\tresult_character\n"
        "0\tП\t15\t7\t7\t8\tЗ\nmu\t0\nlambda\t32\n");
}

// Whatever a script does to the standard streams, names or memory, a lost result never ends
// in success, and a message says what was lost.
void TestCli::hostileScripts()
{
    QFETCH(QString, script);
    QFETCH(QByteArray, input);
    QFETCH(int, exitCode);
    QFETCH(QString, err);
    QFETCH(QByteArray, out);
    QFETCH(int, limitMiB);

#ifdef __SANITIZE_ADDRESS__
    // AddressSanitizer's shadow memory needs far more address space than any limit here.
    Q_UNUSED(limitMiB)
    if (err.contains(QStringLiteral("памяти")))
        QSKIP("needs a limit on address space, which AddressSanitizer cannot run under");
#else
    // The C locale: another one could map a locale archive of its own size into the tool.
    if (limitMiB > 0)
        script = QStringLiteral("export LC_ALL=C; ulimit -v %1; ").arg(limitMiB * 1024) + script;
#endif
    QVERIFY(writeAll(path(QStringLiteral("e.txt")), "abcdefg\n"));
    QVERIFY(writeAll(path(QStringLiteral("r.txt")), QStringLiteral("мир\n").toUtf8()));
    const Run result = runScript(script, directory->path(), input);
    QCOMPARE(result.exitCode, exitCode);
    QVERIFY2(err.isEmpty() ? result.err.isEmpty() : QString::fromUtf8(result.err).contains(err),
             result.err.constData());
    QCOMPARE(result.out, out);
}

void TestCli::qtTextsInSystemLanguage_data()
{
    QTest::addColumn<QString>("lang");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("notShown");

    const QString russian = QStringLiteral("ru_RU.UTF-8");
    QTest::newRow("help, Russian")
        << russian << QStringList{"--help"} << QStringLiteral("Параметры:") << "Displays";
    QTest::newRow("help, C") << QStringLiteral("C.UTF-8") << QStringList{"--help"}
                             << "Displays help on commandline options."
                             << QStringLiteral("Параметры:");
    // The parser's own error messages come in Russian here, the tool's stay as they are.
    QTest::newRow("missing value, Russian")
        << russian << QStringList{"encrypt", "--key"}
        << QStringLiteral("ошибка: после «--key» нет значения\n") << QStringLiteral("Отсутствует");
}

// Qt's own texts (the parser's headings, built-in options and messages) follow the locale.
void TestCli::qtTextsInSystemLanguage()
{
    QFETCH(QString, lang);
    QFETCH(QStringList, arguments);
    QFETCH(QString, shown);
    QFETCH(QString, notShown);

    const Run result =
        run(QStringLiteral("env"), QStringList{"-u", "LC_ALL", "-u", "LC_MESSAGES", "-u",
                                               "LANGUAGE", "LANG=" + lang, cliPath} +
                                       arguments);
    const QString output = QString::fromUtf8(result.out + result.err);
    QVERIFY2(output.contains(shown) && !output.contains(notShown), qPrintable(output));
}

QTEST_MAIN(TestCli)
#include "tst_cli.moc"
