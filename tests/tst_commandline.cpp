// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

// gammacrypt-cli's command line, parsed in-process: what each argument list gives or why it
// is refused.

#include "commandline.h"
#include "filenames.h"
#include "texttable.h"

#include <QTest>

#include <optional>

using namespace cli;

Q_DECLARE_METATYPE(cli::Options)

namespace {

// The arguments after the program's name, as the bytes a shell would pass.
QList<QByteArray> arguments(const QList<QByteArray> &after)
{
    return QList<QByteArray>{"gammacrypt-cli"} + after;
}

QList<QByteArray> utf8(const QStringList &texts)
{
    QList<QByteArray> bytes;
    for (const QString &text : texts)
        bytes << text.toUtf8();
    return bytes;
}

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void rejected_data();
    void rejected();
    void accepted_data();
    void accepted();
    void help_data();
    void help();
    void dispatchFindsEachCommandsRow();
    void tsvCells_data();
    void tsvCells();
    void alignedColumns();
};

void TestCommandLine::rejected_data()
{
    QTest::addColumn<QStringList>("given");
    QTest::addColumn<QString>("message"); // what the message must name

    const auto encrypt = [](const QString &key, const QStringList &more = {}) {
        return QStringList{"encrypt", "--key", key} + more;
    };
    const auto row = [](const char *name, const QStringList &given, const QString &message) {
        QTest::newRow(name) << given << message;
    };
    row("key: missing T0", encrypt("1,2"), "нет части T0");
    row("key: trailing comma", encrypt("1,2,3,"), "лишняя часть «»");
    row("key: space", encrypt("1, 2,3"), "часть C ключа (« 2»)");
    row("key: plus sign", encrypt("+1,2,3"), "часть A ключа («+1»)");
    row("key: A above", encrypt("2147483648,0,0"), "часть A ключа («2147483648»)");
    row("key: T0 below", encrypt("0,0,-2147483649"), "часть T0 ключа");
    row("key: many digits", encrypt("1,99999999999999999999999,3"), "часть C ключа");
    row("key: letters", encrypt("a,b,c"), "часть A ключа («a»)");
    row("key: empty part", encrypt("1,,3"), "часть C ключа («»)");
    row("key: lone minus, trace", {"trace", "--key", "-,1,2"}, "часть A ключа («-»)");
    row("key: Cyrillic, decoded for the message", encrypt("1,два,3"), "часть C ключа («два»)");

    row("no command", {}, "не указана команда: encrypt, decrypt, trace, attack или analyze");
    row("unknown command", {"encode", "--key", "1,2,3"}, "«encode»");
    row("unknown Cyrillic command", {"шифр"}, "неизвестная команда «шифр»");
    row("unknown option", encrypt("1,2,3", {"--fast"}), "неизвестный параметр «--fast»");
    row("missing value", {"encrypt", "--key"}, "после «--key» нет значения");
    row("value for a flag", encrypt("1,2,3", {"--last-line=yes"}), "«--last-line» не принимает");
    row("no key", {"decrypt"}, "не указан ключ: --key A,C,T0");
    row("analyze without key", {"analyze"}, "не указан ключ");
    row("key twice", encrypt("1,2,3", {"--key", "1,2,3"}), "«--key» указан больше одного раза");
    row("known twice", {"attack", "--known", "А", "--known", "Б"}, "«--known» указан больше");
    row("unknown encoding", encrypt("1,2,3", {"--encoding", "koi8-r"}), "«koi8-r»");
    row("unknown trace format", {"trace", "--key", "1,2,3", "--format", "csv"},
        "неизвестный вид трассы «csv»");
    row("unknown report format", {"analyze", "--key", "1,2,3", "--format", "csv"},
        "неизвестный вид вывода «csv»");
    row("empty output name", encrypt("1,2,3", {"--output", ""}), "после «--output» нужно имя");

    row("output for trace", {"trace", "--key", "1,2,3", "--output", "x"},
        "параметр «--output» не относится к команде «trace»");
    row("key for attack", {"attack", "--key", "1,2,3"}, "«--key» не относится к команде «attack»");
    row("known for encrypt", encrypt("1,2,3", {"--known", "А"}), "«--known» не относится");
    row("crib for trace", {"trace", "--key", "1,2,3", "--crib", "А"}, "«--crib» не относится");
    row("last line for trace", {"trace", "--key", "1,2,3", "--last-line"}, "«--last-line»");
    row("length for attack", {"attack", "--length", "5"}, "«--length» не относится");
    row("format for decrypt", {"decrypt", "--key", "1,2,3", "--format", "tsv"}, "«--format»");

    row("two files", encrypt("1,2,3", {"a.txt", "b.txt"}),
        "лишний аргумент «b.txt»: команде «encrypt» нужен не больше чем один");
    row("two texts", {"trace", "--key", "1,2,3", "А", "Б"}, "лишний аргумент «Б»");
    row("analyze with operand", {"analyze", "--key", "1,2,3", "file"},
        "лишний аргумент «file»: команде «analyze» аргументы не нужны");

    row("top zero", {"attack", "--top", "0"},
        "значение «0» параметра «--top» — не целое число от 1 до 100");
    row("top above", {"attack", "--top", "101"}, "от 1 до 100");
    row("top negative", {"attack", "--top", "-1"}, "«-1»");
    row("top with a sign", {"attack", "--top", "+3"}, "«+3»");
    row("length zero", {"analyze", "--key", "1,2,3", "--length", "0"}, "«--length»");
    row("length above", {"analyze", "--key", "1,2,3", "--length", "100001"},
        "значение «100001» параметра «--length» — не целое число от 1 до 100000");
}

void TestCommandLine::rejected()
{
    QFETCH(QStringList, given);
    QFETCH(QString, message);
    const CommandLine result = parseCommandLine(arguments(utf8(given)));
    QVERIFY(!result.options);
    QVERIFY(result.reply.isEmpty());
    QVERIFY2(result.error.contains(message), qPrintable(result.error));
}

void TestCommandLine::accepted_data()
{
    QTest::addColumn<QList<QByteArray>>("given");
    QTest::addColumn<Options>("expected");

    Options encrypt;
    encrypt.key = {5, 3, 7};
    QTest::newRow("encrypt, standard input") << utf8({"encrypt", "--key", "5,3,7"}) << encrypt;
    QTest::newRow("encrypt, \"-\" is standard input")
        << utf8({"encrypt", "--key", "5,3,7", "-"}) << encrypt;
    QTest::newRow("key given with =") << utf8({"encrypt", "--key=5,3,7"}) << encrypt;

    Options decrypt = encrypt;
    decrypt.command = Command::Decrypt;
    decrypt.key = {-2147483647 - 1, 0, 2147483647};
    decrypt.encoding = Encoding::Windows1251;
    decrypt.lastLineOnly = true;
    decrypt.inputPath = QStringLiteral("шифр.txt");
    decrypt.outputPath = QStringLiteral("ответ.txt");
    QTest::newRow("decrypt, every option, operand first")
        << utf8({"decrypt", "шифр.txt", "--key", "-2147483648,0,2147483647", "--encoding",
                 "windows-1251", "--last-line", "--output", "ответ.txt"})
        << decrypt;

    // A name that is not UTF-8 keeps its bytes, or it would name another file.
    Options strayByte = encrypt;
    strayByte.inputPath = documentio::pathFromNative("\xff.txt");
    strayByte.outputPath = documentio::pathFromNative("o\xfe");
    QTest::newRow("paths keep their bytes")
        << QList<QByteArray>{"encrypt", "--key", "5,3,7", "--output", "o\xfe", "\xff.txt"}
        << strayByte;

    Options trace;
    trace.command = Command::Trace;
    trace.key = {1, 1, 0};
    QTest::newRow("trace, first line of input") << utf8({"trace", "--key", "1,1,0"}) << trace;
    trace.traceText = QByteArray("ab\xff");
    trace.format = ReportFormat::Tsv;
    QTest::newRow("trace text keeps its bytes")
        << QList<QByteArray>{"trace", "--key", "1,1,0", "--format", "tsv", "ab\xff"} << trace;
    trace.traceText = QStringLiteral("-ПРИВЕТ").toUtf8();
    QTest::newRow("trace text after --")
        << utf8({"trace", "--key", "1,1,0", "--format", "tsv", "--", "-ПРИВЕТ"}) << trace;

    Options attack;
    attack.command = Command::Attack;
    QTest::newRow("attack, defaults") << utf8({"attack"}) << attack;
    attack.known = QByteArray("\xcc\xee\xe9");
    attack.crib = QStringLiteral("дядя").toUtf8();
    attack.top = 100;
    attack.lastLineOnly = true;
    attack.inputPath = QStringLiteral("шифр.txt");
    QTest::newRow("attack, texts as bytes, largest top")
        << QList<QByteArray>{"attack",
                             "--known",
                             "\xcc\xee\xe9",
                             "--crib",
                             QStringLiteral("дядя").toUtf8(),
                             "--top",
                             "100",
                             "--last-line",
                             QStringLiteral("шифр.txt").toUtf8()}
        << attack;

    Options analyze;
    analyze.command = Command::Analyze;
    analyze.key = {-5, -3, -7};
    analyze.length = 100000;
    QTest::newRow("analyze, largest length")
        << utf8({"analyze", "--key", "-5,-3,-7", "--length", "100000"}) << analyze;
    analyze.length = 1;
    QTest::newRow("analyze, smallest length")
        << utf8({"analyze", "--key", "-5,-3,-7", "--length", "1"}) << analyze;
}

void TestCommandLine::accepted()
{
    QFETCH(QList<QByteArray>, given);
    QFETCH(Options, expected);
    const CommandLine result = parseCommandLine(arguments(given));
    QVERIFY2(result.error.isEmpty(), qPrintable(result.error));
    QVERIFY(result.options);
    const Options &options = *result.options;
    QCOMPARE(int(options.command), int(expected.command));
    QVERIFY(options.key == expected.key);
    QCOMPARE(int(options.encoding), int(expected.encoding));
    QCOMPARE(options.lastLineOnly, expected.lastLineOnly);
    QCOMPARE(options.inputPath, expected.inputPath);
    QCOMPARE(options.outputPath, expected.outputPath);
    QCOMPARE(int(options.format), int(expected.format));
    QCOMPARE(options.traceText, expected.traceText);
    QCOMPARE(options.known, expected.known);
    QCOMPARE(options.crib, expected.crib);
    QCOMPARE(options.top, expected.top);
    QCOMPARE(options.length, expected.length);
}

void TestCommandLine::help_data()
{
    QTest::addColumn<QStringList>("given");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QStringList>("notShown");

    QTest::newRow("general") << QStringList{"--help"}
                             << QStringList{"--key",    "--encoding", "--last-line",   "--output",
                                            "--format", "--known",    "--crib",        "--top",
                                            "--length", "analyze",    "КОМАНДА --help"}
                             << QStringList{"(и вывода)"};
    QTest::newRow("unknown command: the general help")
        << QStringList{"encode", "--help"} << QStringList{"--length", "--output"} << QStringList{};
    QTest::newRow("attack") << QStringList{"attack", "--help"}
                            << QStringList{"attack [ФАЙЛ]", "--encoding",
                                           "--last-line",   "--known",
                                           "--crib",        "--top",
                                           "от 1 до 100",   "отчёт выводится в UTF-8"}
                            << QStringList{"--key", "--output", "--length", "и вывода"};
    QTest::newRow("analyze, help among other options")
        << QStringList{"analyze", "--key", "1,2,3", "-h"}
        << QStringList{"--key", "--format", "--length", "от 1 до 100000"}
        << QStringList{"--top", "--encoding", "[ФАЙЛ]"};
    QTest::newRow("trace") << QStringList{"trace", "--help"}
                           << QStringList{"trace [ТЕКСТ]", "--key", "--format"}
                           << QStringList{"--output", "--encoding"};
    QTest::newRow("encrypt") << QStringList{"encrypt", "--help"}
                             << QStringList{"encrypt [ФАЙЛ]", "--output", "ввода и вывода"}
                             << QStringList{"--format", "--known"};
}

void TestCommandLine::help()
{
    QFETCH(QStringList, given);
    QFETCH(QStringList, shown);
    QFETCH(QStringList, notShown);
    const CommandLine result = parseCommandLine(arguments(utf8(given)));
    QVERIFY(!result.options);
    QVERIFY(result.error.isEmpty());
    for (const QString &text : shown)
        QVERIFY2(result.reply.contains(text), qPrintable(text + QLatin1String(" missing")));
    for (const QString &text : notShown)
        QVERIFY2(!result.reply.contains(text), qPrintable(text + QLatin1String(" shown")));
}

// main runs commandSpec(options.command).run: the row found by name must be the one found by
// the parsed command, or a command would run another's code.
void TestCommandLine::dispatchFindsEachCommandsRow()
{
    for (const char *name : {"encrypt", "decrypt", "trace", "attack", "analyze"}) {
        const CommandLine result = parseCommandLine(arguments(
            name == QByteArrayLiteral("attack") ? QList<QByteArray>{name}
                                                : QList<QByteArray>{name, "--key", "1,2,3"}));
        QVERIFY2(result.options, name);
        QCOMPARE(commandSpec(result.options->command).name, name);
    }
}

// A tsv cell is one line that splits at no tab, and the escapes read back unambiguously.
void TestCommandLine::tsvCells_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("cell");
    QTest::newRow("tab") << QStringLiteral("А\tБ") << QStringLiteral("А\\tБ");
    QTest::newRow("backslash before n") << QStringLiteral("\\n") << QStringLiteral("\\\\n");
    QTest::newRow("CR LF") << QStringLiteral("\r\n") << QStringLiteral("\\r\\n");
    QTest::newRow("lowest and highest control characters")
        << QStringLiteral("\x01\x1f\x7f") << QStringLiteral("\\u0001\\u001f\\u007f");
    QTest::newRow("next line, line and paragraph separators")
        << QStringLiteral("\u0085\u2028\u2029") << QStringLiteral("\\u0085\\u2028\\u2029");
    QTest::newRow("printable kept")
        << QStringLiteral("~ Ё\u00A0«»—😀") << QStringLiteral("~ Ё\u00A0«»—😀");
}

void TestCommandLine::tsvCells()
{
    QFETCH(QString, text);
    QFETCH(QString, cell);
    QCOMPARE(escapedCell(text), cell);
}

// Numbers line up on the right, the chosen columns on the left, two spaces between columns
// and none at a line's end.
void TestCommandLine::alignedColumns()
{
    const QVector<QStringList> rows = {
        {"№", "ключ", "текст"}, {"1", "5,3,7", "А"}, {"10", "1,2", ""}};
    QCOMPARE(alignedTable(rows, {2}), QStringLiteral(" №   ключ  текст\n"
                                                     " 1  5,3,7  А\n"
                                                     "10    1,2\n"));
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
