// gammacrypt-cli run as a real process: what a teacher's script or a pipe would see.

#include "alphabet.h"
#include "documentio.h"
#include "gamma.h"
#include "gamma_reference.h"
#include "mainwindow.h"
#include "modalanswerer.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Run
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// Starts the tool, feeds input on standard input, and waits for it to end.
Run run(const QString &program, const QStringList &arguments, const QByteArray &input = {},
        const QString &standardOutputFile = {})
{
    QProcess process;
    if (!standardOutputFile.isEmpty())
        process.setStandardOutputFile(standardOutputFile);
    process.start(program, arguments);
    Run result;
    if (!process.waitForStarted(30000))
        return result;
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return result;
}

Run cli(const QStringList &arguments, const QByteArray &input = {})
{
    return run(QStringLiteral(GAMMACRYPT_CLI_PATH), arguments, input);
}

QByteArray encoded(const QString &text, const QString &encoding)
{
    if (encoding == QLatin1String("windows-1251"))
        return documentio::encodeWindows1251(text).bytes;
    return text.toUtf8();
}

struct Key
{
    qint32 a = 0, c = 0, t0 = 0;
};

Key keyFrom(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    return Key{parts.at(0).toInt(), parts.at(1).toInt(), parts.at(2).toInt()};
}

QString transformed(const QString &line, const Key &key)
{
    return gammaTransform(line, key.a, key.c, key.t0);
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), qint64(bytes.size()));
}

// A seeded sequence, so that the generated documents are the same on every run.
class Sequence
{
public:
    quint32 next(quint32 bound)
    {
        state = state * 1103515245u + 12345u;
        return (state >> 8) % bound;
    }

private:
    quint32 state = 2024;
};

// Lines of random length and content with random line ends: their boundaries fall at
// every place of the tool's read chunks, including a CR at the end of one chunk and its LF
// at the start of the next.
void documentOfRandomLines(QStringList &lines, QStringList &ends, int count, int longest)
{
    const QString letters = QStringLiteral("абвгдеёжзийклмнопрстуфхцчшщъыьэюя АБВГДЕЁЖЗИЙ,.!?"
                                           "abcXYZ0123456789\t");
    const QStringList endKinds{QStringLiteral("\n"), QStringLiteral("\r\n"), QStringLiteral("\r")};
    Sequence random;
    for (int i = 0; i < count; ++i) {
        QString line;
        const int length = int(random.next(quint32(longest)));
        for (int k = 0; k < length; ++k)
            line += letters.at(int(random.next(quint32(letters.size()))));
        lines << line;
        ends << (i + 1 == count ? QString() : endKinds.at(int(random.next(3))));
    }
}

// The generator's cycle straight from its definition: mu is the first position whose value
// comes again later, lambda the least k > 0 with T(mu + k) = T(mu).
QPair<int, int> cycleByDefinition(const Key &key)
{
    constexpr int horizon = 300; // far past any tail and period of a 63-value generator
    QVector<qint32> values{key.t0};
    while (values.size() < horizon)
        values.append(nextGammaValue(values.last(), key.a, key.c));
    for (int mu = 0; mu < horizon / 2; ++mu) {
        for (int k = 1; mu + k < horizon; ++k) {
            if (values.at(mu + k) == values.at(mu))
                return {mu, k};
        }
    }
    return {-1, -1};
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void everyLine_data();
    void everyLine();
    void roundTrip_data();
    void roundTrip();
    void lastLineAsWindowSaves_data();
    void lastLineAsWindowSaves();
    void lastLineInUtf8_data();
    void lastLineInUtf8();
    void unrepresentableCharactersAreCounted();

    void keyAccepted_data();
    void keyAccepted();
    void keyRejected_data();
    void keyRejected();
    void usageRejected_data();
    void usageRejected();
    void helpAndVersion();

    void invalidUtf8_data();
    void invalidUtf8();
    void inputFileErrors_data();
    void inputFileErrors();
    void outputReplacesFile();
    void outputMayBeTheInputFile();
    void failedRunKeepsOldOutput_data();
    void failedRunKeepsOldOutput();
    void writeFailureOnStandardOutput();

    void traceCycle_data();
    void traceCycle();
    void traceRows_data();
    void traceRows();
    void traceTable();

private:
    QString path(const QString &name) const { return directory->filePath(name); }
    QByteArray windowSavesLastLine(const QByteArray &file, const QStringList &key,
                                   bool expectWarning);

    std::unique_ptr<QTemporaryDir> directory;
};

void TestCli::init()
{
    directory = std::make_unique<QTemporaryDir>();
    QVERIFY(directory->isValid());
}

void TestCli::everyLine_data()
{
    QTest::addColumn<QString>("encoding");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("ends"); // lines[i] + ends[i], in order, is the input

    const QString a = QStringLiteral("Привет, мир");
    const QString b = QStringLiteral("вторая строка");
    for (const QString &encoding : {QStringLiteral("utf-8"), QStringLiteral("windows-1251")}) {
        const auto row = [&encoding](const char *name) {
            return &(QTest::newRow(qPrintable(QStringLiteral("%1: %2").arg(encoding, name)))
                     << encoding);
        };
        *row("LF") << "5,3,7" << QStringList{a, b} << QStringList{"\n", "\n"};
        *row("CR LF") << "5,3,7" << QStringList{a, b} << QStringList{"\r\n", "\r\n"};
        *row("lone CR") << "5,3,7" << QStringList{a, b} << QStringList{"\r", "\r"};
        *row("mixed, last line without end")
            << "5,3,7" << QStringList{a, b, a, b} << QStringList{"\r\n", "\r", "\n", ""};
        *row("CR before CR LF") << "5,3,7" << QStringList{a, b} << QStringList{"\r", "\r\n"};
        *row("empty lines") << "11,1,30" << QStringList{"", "", "", "слово", ""}
                            << QStringList{"\n", "\r", "\r\n", "\n", ""};
        *row("one line, no end") << "1,2,3" << QStringList{"ПРИВЕТ"} << QStringList{""};
        *row("empty input") << "1,2,3" << QStringList{} << QStringList{};
        *row("outside the alphabet")
            << "5,3,7" << QStringList{"Hello, 123 ёй!\t<b>"} << QStringList{"\n"};
        *row("negative, wrapping key")
            << "-2147483648,2147483647,-1" << QStringList{a, b} << QStringList{"\n", ""};
        *row("seed above 31") << "3,5,1000" << QStringList{b} << QStringList{"\r\n"};
        *row("CR LF across a read chunk")
            << "5,3,7" << QStringList{QString(256 * 1024 - 1, QLatin1Char('x')), a}
            << QStringList{"\r\n", ""};
        *row("line longer than a read chunk")
            << "5,3,7" << QStringList{QString(600000, QChar(0x0430)), b} << QStringList{"\r", ""};
        QStringList lines, ends;
        documentOfRandomLines(lines, ends, 4000, 400);
        *row("random lines over several chunks") << "7,13,2" << lines << ends;
    }
    QTest::newRow("utf-8: beyond the BMP and U+10FFFF")
        << "utf-8"
        << "5,3,7" << QStringList{QStringLiteral("а😀б"), QString::fromUcs4(U"\U0010FFFF")}
        << QStringList{"\n", ""};
    QTest::newRow("utf-8: three-byte characters among letters")
        << "utf-8"
        << "5,3,7" << QStringList{QStringLiteral("Цена — 5 €, долг — 10 € и ещё немного текста…")}
        << QStringList{"\r\n"};
    QTest::newRow("utf-8: byte-order mark kept")
        << "utf-8"
        << "5,3,7" << QStringList{QStringLiteral("\uFEFFабв")} << QStringList{""};
}

void TestCli::everyLine()
{
    QFETCH(QString, encoding);
    QFETCH(QString, key);
    QFETCH(QStringList, lines);
    QFETCH(QStringList, ends);

    QString input, expected;
    for (int i = 0; i < lines.size(); ++i) {
        input += lines.at(i) + ends.at(i);
        expected += transformed(lines.at(i), keyFrom(key)) + ends.at(i);
    }
    const Run result =
        cli({"encrypt", "--key", key, "--encoding", encoding}, encoded(input, encoding));
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(result.err, QByteArray());
    QCOMPARE(result.out, encoded(expected, encoding));
}

void TestCli::roundTrip_data()
{
    QTest::addColumn<QString>("encoding");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("text");

    const QString text = QStringLiteral("Съешь же ещё этих мягких французских булок,\r\n"
                                        "да выпей чаю. Hello 42!\rпоследняя");
    for (const QString &encoding : {QStringLiteral("utf-8"), QStringLiteral("windows-1251")}) {
        for (const QString &key : {QStringLiteral("5,3,7"), QStringLiteral("0,0,0"),
                                   QStringLiteral("-17,-2147483648,2147483647"),
                                   QStringLiteral("1103515245,12345,31")}) {
            QTest::newRow(qPrintable(encoding + QLatin1String(", key ") + key))
                << encoding << key << text;
        }
    }
}

void TestCli::roundTrip()
{
    QFETCH(QString, encoding);
    QFETCH(QString, key);
    QFETCH(QString, text);

    const QStringList options{"--key", key, "--encoding", encoding};
    const Run encrypted = cli(QStringList{"encrypt"} + options, encoded(text, encoding));
    QCOMPARE(encrypted.exitCode, 0);
    const Run decrypted = cli(QStringList{"decrypt"} + options, encrypted.out);
    QCOMPARE(decrypted.exitCode, 0);
    const QString upperCased = reference::upperCaseAlphabetCharacters(standardAlphabet(), text);
    QCOMPARE(decrypted.out, encoded(upperCased, encoding));
}

// Open the file in the real window, encrypt with the key dialog, Save As: the bytes the
// window writes are what --last-line must give.
QByteArray TestCli::windowSavesLastLine(const QByteArray &file, const QStringList &key,
                                        bool expectWarning)
{
    const QString input = path(QStringLiteral("window-input.txt"));
    const QString saved = path(QStringLiteral("window-saved.txt"));
    QFile::remove(saved);
    {
        QFile out(input);
        if (!out.open(QIODevice::WriteOnly) || out.write(file) != file.size())
            return "<not written>";
    }
    MainWindow window;
    ModalAnswerer answerer;
    const auto trigger = [&window](const char *name) {
        window.findChild<QAction *>(QLatin1String(name))->trigger();
    };
    answerer.expect(answer::chooseFile(input));
    trigger("action_2");
    answerer.expect(answer::keyAccept(key.at(0), key.at(1), key.at(2)));
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
    QTest::addColumn<bool>("unrepresentable");

    const auto cp1251 = [](const char16_t *text) {
        return documentio::encodeWindows1251(QString::fromUtf16(text)).bytes;
    };
    const auto utf16 = [](const char16_t *text, bool bigEndian) {
        QByteArray bytes = bigEndian ? QByteArray("\xFE\xFF") : QByteArray("\xFF\xFE");
        for (const QChar ch : QString::fromUtf16(text)) {
            const char high = char(ch.unicode() >> 8), low = char(ch.unicode() & 0xFF);
            bytes += bigEndian ? QByteArray{&high, 1} + low : QByteArray{&low, 1} + high;
        }
        return bytes;
    };
    QTest::newRow("CR LF, last line without end")
        << cp1251(u"первая строка\r\nвторая строка") << "5,3,7" << false;
    QTest::newRow("ends with CR LF: empty last line") << cp1251(u"первая\r\n") << "5,3,7" << false;
    QTest::newRow("lone CR") << cp1251(u"а\rб в, г") << "5,3,7" << false;
    QTest::newRow("LF then CR") << cp1251(u"один\nдва\rтри") << "9,4,1" << false;
    QTest::newRow("single line") << cp1251(u"Привет, мир") << "5,3,7" << false;
    QTest::newRow("empty file") << QByteArray() << "5,3,7" << false;
    QTest::newRow("no-break space kept")
        << cp1251(u"а\r\nб\u00A0в") << "5,3,7" << false;
    QTest::newRow("markup stays text") << cp1251(u"<b>жирный</b> &amp;") << "5,3,7" << false;
    QTest::newRow("undefined byte 0x98") << QByteArray("\xE0\x98\xE1") << "5,3,7" << false;
    QTest::newRow("UTF-8 byte-order mark")
        << QByteArray("\xEF\xBB\xBF") + QStringLiteral("первая\nпоследняя ё й").toUtf8() << "5,3,7"
        << false;
    QTest::newRow("UTF-16LE, line separator") << utf16(u"а\nб\u2028в г", false) << "5,3,7" << false;
    QTest::newRow("UTF-16BE, paragraph separator")
        << utf16(u"строка\r\nещё\u2029и ещё", true) << "5,3,7" << false;
    QTest::newRow("largest key wraps")
        << cp1251(u"шифр с большим ключом") << "2147483647,2147483647,2147483647" << false;
    QTest::newRow("characters without a Windows-1251 byte")
        << QByteArray("\xEF\xBB\xBF") + QStringLiteral("x\n中文 и русский").toUtf8() << "5,3,7"
        << true;
}

void TestCli::lastLineAsWindowSaves()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, key);
    QFETCH(bool, unrepresentable);

    const QByteArray window =
        windowSavesLastLine(file, key.split(QLatin1Char(',')), unrepresentable);
    const QString input = path(QStringLiteral("input.txt"));
    writeAll(input, file);
    const Run result =
        cli({"encrypt", "--key", key, "--encoding", "windows-1251", "--last-line", input});
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(result.out, window);
    QCOMPARE(result.err.contains("предупреждение"), unrepresentable);
}

void TestCli::lastLineInUtf8_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("lastLine"); // as the cipher must see it

    QTest::newRow("CR LF") << QStringLiteral("а\r\nпоследняя") << QStringLiteral("последняя");
    QTest::newRow("trailing LF") << QStringLiteral("а\n") << QString();
    QTest::newRow("trailing lone CR") << QStringLiteral("а\rб\r") << QString();
    QTest::newRow("no line break") << QStringLiteral("одна") << QStringLiteral("одна");
    QTest::newRow("line separator") << QStringLiteral("а\nб\u2028в") << QStringLiteral("в");
    QTest::newRow("paragraph separator") << QStringLiteral("б\u2029в г") << QStringLiteral("в г");
    QTest::newRow("no-break space") << QStringLiteral("а\u00A0б") << QStringLiteral("а\u00A0б");
    QTest::newRow("empty input") << QString() << QString();
}

void TestCli::lastLineInUtf8()
{
    QFETCH(QString, text);
    QFETCH(QString, lastLine);

    const Run result = cli({"decrypt", "--key", "7,1,4", "--last-line"}, text.toUtf8());
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(result.out, transformed(lastLine, Key{7, 1, 4}).toUtf8());
}

void TestCli::unrepresentableCharactersAreCounted()
{
    // Windows-1251 input read through a UTF-8 byte-order mark, as the window's Open does.
    const QByteArray input =
        QByteArray("\xEF\xBB\xBF") + QStringLiteral("中文\n日本 語\n").toUtf8();
    const Run result = cli({"encrypt", "--key", "1,1,1", "--encoding", "windows-1251"}, input);
    QCOMPARE(result.exitCode, 0);
    QVERIFY2(QString::fromUtf8(result.err).contains(QStringLiteral("Windows-1251: 5")),
             result.err.constData());
    QCOMPARE(result.out.count('\n'), 2);
}

void TestCli::keyAccepted_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("a");
    QTest::addColumn<int>("c");
    QTest::addColumn<int>("t0");

    QTest::newRow("smallest values")
        << "-2147483648,-2147483648,-2147483648" << INT_MIN << INT_MIN << INT_MIN;
    QTest::newRow("largest values")
        << "2147483647,2147483647,2147483647" << INT_MAX << INT_MAX << INT_MAX;
    QTest::newRow("leading zeros, minus zero") << "007,-0,0000000000000000031" << 7 << 0 << 31;
    QTest::newRow("mixed signs") << "-5,3,-7" << -5 << 3 << -7;
}

void TestCli::keyAccepted()
{
    QFETCH(QString, key);
    QFETCH(int, a);
    QFETCH(int, c);
    QFETCH(int, t0);

    const QString text = QStringLiteral("проверка ключа на длинной строке текста");
    const Run result = cli({"encrypt", "--key=" + key}, text.toUtf8());
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(result.out, transformed(text, Key{a, c, t0}).toUtf8());
}

void TestCli::keyRejected_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("named"); // what the message must name

    QTest::newRow("missing T0") << "1,2"
                                << "T0";
    QTest::newRow("missing C") << "5"
                               << "части C";
    QTest::newRow("extra part") << "1,2,3,4"
                                << "«4»";
    QTest::newRow("trailing comma") << "1,2,3,"
                                    << "лишняя часть «»";
    QTest::newRow("space") << "1, 2,3"
                           << "часть C ключа (« 2»)";
    QTest::newRow("plus sign") << "+1,2,3"
                               << "часть A ключа («+1»)";
    QTest::newRow("A above the range") << "2147483648,0,0"
                                       << "часть A ключа («2147483648»)";
    QTest::newRow("T0 below the range") << "0,0,-2147483649"
                                        << "часть T0 ключа";
    QTest::newRow("many digits") << "1,99999999999999999999999,3"
                                 << "часть C ключа";
    QTest::newRow("letters") << "a,b,c"
                             << "часть A ключа («a»)";
    QTest::newRow("empty part") << "1,,3"
                                << "часть C ключа («»)";
    QTest::newRow("lone minus") << "-,1,2"
                                << "часть A ключа («-»)";
    QTest::newRow("empty key") << ""
                               << "часть A ключа";
    QTest::newRow("hexadecimal") << "0x10,1,2"
                                 << "часть A";
}

void TestCli::keyRejected()
{
    QFETCH(QString, key);
    QFETCH(QString, named);

    for (const QString &command : {QStringLiteral("encrypt"), QStringLiteral("trace")}) {
        const Run result = cli({command, "--key", key}, "текст");
        QCOMPARE(result.exitCode, 2);
        QCOMPARE(result.out, QByteArray());
        QVERIFY2(QString::fromUtf8(result.err).contains(named), result.err.constData());
    }
}

void TestCli::usageRejected_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("named");

    QTest::newRow("no command") << QStringList{} << "команда";
    QTest::newRow("unknown command") << QStringList{"encode", "--key", "1,2,3"} << "«encode»";
    QTest::newRow("unknown option")
        << QStringList{"encrypt", "--key", "1,2,3", "--fast"} << "«--fast»";
    QTest::newRow("no key") << QStringList{"decrypt"} << "--key";
    QTest::newRow("key without value") << QStringList{"encrypt", "--key"} << "«--key»";
    QTest::newRow("key twice") << QStringList{"encrypt", "--key", "1,2,3", "--key", "1,2,3"}
                               << "больше одного раза";
    QTest::newRow("unknown encoding")
        << QStringList{"encrypt", "--key", "1,2,3", "--encoding", "koi8-r"} << "«koi8-r»";
    QTest::newRow("format for encrypt")
        << QStringList{"encrypt", "--key", "1,2,3", "--format", "tsv"} << "«--format»";
    QTest::newRow("output for trace")
        << QStringList{"trace", "--key", "1,2,3", "--output", "x"} << "«--output»";
    QTest::newRow("last line for trace")
        << QStringList{"trace", "--key", "1,2,3", "--last-line"} << "«--last-line»";
    QTest::newRow("unknown format")
        << QStringList{"trace", "--key", "1,2,3", "--format", "csv"} << "«csv»";
    QTest::newRow("two files") << QStringList{"encrypt", "--key", "1,2,3", "a.txt", "b.txt"}
                               << "«b.txt»";
    QTest::newRow("empty output name")
        << QStringList{"encrypt", "--key", "1,2,3", "--output", ""} << "--output";
}

void TestCli::usageRejected()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, named);

    const Run result = cli(arguments, "текст");
    QCOMPARE(result.exitCode, 2);
    QCOMPARE(result.out, QByteArray());
    QVERIFY2(QString::fromUtf8(result.err).contains(named), result.err.constData());
    QVERIFY(!QFile::exists(QStringLiteral("x")));
}

void TestCli::helpAndVersion()
{
    const Run help = cli({"--help"});
    QCOMPARE(help.exitCode, 0);
    for (const char *part : {"encrypt", "decrypt", "trace", "--key", "--encoding", "--last-line",
                             "--output", "--format"})
        QVERIFY2(help.out.contains(part), part);
    const Run version = cli({"--version"});
    QCOMPARE(version.exitCode, 0);
    QVERIFY(version.out.startsWith("gammacrypt-cli "));
}

void TestCli::invalidUtf8_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<qint64>("offset");

    QTest::newRow("stray continuation byte") << QByteArray("ab\x80"
                                                           "c")
                                             << qint64(2);
    QTest::newRow("overlong two bytes") << QByteArray("\xC0\xAF") << qint64(0);
    QTest::newRow("overlong three bytes") << QByteArray("x\xE0\x80\xAF") << qint64(1);
    QTest::newRow("encoded surrogate") << QByteArray("\xED\xA0\x80") << qint64(0);
    QTest::newRow("past U+10FFFF") << QByteArray("\xF4\x90\x80\x80") << qint64(0);
    QTest::newRow("byte F5") << QByteArray("\xF5\x80\x80\x80") << qint64(0);
    QTest::newRow("byte FF") << QByteArray("\xD0\xB0\xFF") << qint64(2);
    QTest::newRow("cut at the end") << QByteArray("abc\xD0") << qint64(3);
    QTest::newRow("cut by a line feed") << QByteArray("\xD0\xB0\xD0\n\xD0\xB1") << qint64(2);
    QTest::newRow("cut by a CR") << QByteArray("\xE2\x82\r") << qint64(0);
    QTest::newRow("on a later line")
        << QStringLiteral("первая\r\nвто").toUtf8() + "\xFF" + QStringLiteral("рая").toUtf8()
        << qint64(20);
    QTest::newRow("Windows-1251 text") << QByteArray("\xCF\xF0\xE8") << qint64(0);
    QTest::newRow("stray continuation after a long ASCII run")
        << QByteArray(17, 'a') + "\x80" + QByteArray(20, 'b') << qint64(17);
    QTest::newRow("overlong among Cyrillic letters")
        << QStringLiteral("аааааааааа").toUtf8() + "\xC1\x81" + QStringLiteral("бббб").toUtf8()
        << qint64(20);
}

void TestCli::invalidUtf8()
{
    QFETCH(QByteArray, input);
    QFETCH(qint64, offset);

    // trace reads only the first line.
    const QByteArray before = input.left(int(offset));
    const bool inFirstLine = !before.contains('\n') && !before.contains('\r');
    for (const QString &command : {QStringLiteral("encrypt"), QStringLiteral("trace")}) {
        if (command == QLatin1String("trace") && !inFirstLine)
            continue;
        const Run result = cli({command, "--key", "1,2,3"}, input);
        QCOMPARE(result.exitCode, 1);
        const QString message = QString::fromUtf8(result.err);
        QVERIFY2(message.contains(QStringLiteral("смещением %1 ").arg(offset)),
                 qPrintable(message));
    }
}

void TestCli::inputFileErrors_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("named");

    QTest::newRow("missing file") << QStringLiteral("нет такого.txt") << "не найден";
    QTest::newRow("folder") << QString() << "папка";
}

void TestCli::inputFileErrors()
{
    QFETCH(QString, input);
    QFETCH(QString, named);

    const Run result = cli({"encrypt", "--key", "1,2,3", path(input)});
    QCOMPARE(result.exitCode, 1);
    QCOMPARE(result.out, QByteArray());
    QVERIFY2(QString::fromUtf8(result.err).contains(named), result.err.constData());
}

void TestCli::outputReplacesFile()
{
    const QString target = path(QStringLiteral("шифр.txt"));
    writeAll(target, "old contents, longer than the new ones");
    const Run result = cli({"encrypt", "--key", "5,3,7", "--output", target}, "абв\n");
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(result.out, QByteArray());
    QCOMPARE(readAll(target), (transformed(QStringLiteral("абв"), Key{5, 3, 7}) + "\n").toUtf8());
    QCOMPARE(QDir(directory->path()).entryList(QDir::Files).size(), 1);
}

void TestCli::outputMayBeTheInputFile()
{
    const QString file = path(QStringLiteral("same.txt"));
    QStringList lines, ends;
    documentOfRandomLines(lines, ends, 3000, 300); // more than one read chunk
    QString text, expected;
    for (int i = 0; i < lines.size(); ++i) {
        text += lines.at(i) + ends.at(i);
        expected += transformed(lines.at(i), Key{5, 3, 7}) + ends.at(i);
    }
    writeAll(file, text.toUtf8());
    const Run result = cli({"encrypt", "--key", "5,3,7", "--output", file, file});
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(readAll(file), expected.toUtf8());
}

void TestCli::failedRunKeepsOldOutput_data()
{
    QTest::addColumn<QString>("failure");

    QTest::newRow("invalid input after many lines") << "input";
    QTest::newRow("missing input file") << "missing";
    QTest::newRow("file size limit reached while writing") << "limit";
}

void TestCli::failedRunKeepsOldOutput()
{
    QFETCH(QString, failure);

    const QString target = path(QStringLiteral("old.txt"));
    const QByteArray old = "the previous result\n";
    writeAll(target, old);
    const QByteArray manyLines = QStringLiteral("строка текста\n").repeated(300000).toUtf8();
    QStringList arguments{"encrypt", "--key", "5,3,7", "--output", target};
    QByteArray input = manyLines;
    QString program = QStringLiteral(GAMMACRYPT_CLI_PATH);
    if (failure == QLatin1String("input")) {
        input += "\xFF";
    } else if (failure == QLatin1String("missing")) {
        arguments << path(QStringLiteral("missing.txt"));
    } else {
        // A 1 KiB file size limit, with the signal that would kill the writer ignored, makes
        // the write fail (EFBIG) in the middle of the output.
        arguments.prepend(program);
        arguments = QStringList{"-c", "trap '' XFSZ; ulimit -f 1; exec \"$@\"", "sh"} + arguments;
        program = QStringLiteral("/bin/sh");
    }
    const Run result = run(program, arguments, input);
    QCOMPARE(result.exitCode, 1);
    QVERIFY2(!result.err.isEmpty(), "a failure must be reported");
    QCOMPARE(readAll(target), old);
    // No temporary file is left beside it.
    QCOMPARE(QDir(directory->path()).entryList(QDir::Files), QStringList{"old.txt"});
}

void TestCli::writeFailureOnStandardOutput()
{
    if (!QFile::exists(QStringLiteral("/dev/full")))
        QSKIP("no /dev/full here");
    const Run result = run(QStringLiteral(GAMMACRYPT_CLI_PATH), {"encrypt", "--key", "1,2,3"},
                           "абв\n", QStringLiteral("/dev/full"));
    QCOMPARE(result.exitCode, 1);
    QVERIFY2(QString::fromUtf8(result.err).contains(QStringLiteral("стандартный вывод")),
             result.err.constData());
}

void TestCli::traceCycle_data()
{
    QTest::addColumn<QString>("key");

    for (const char *key :
         {"5,3,7", "1,1,0", "0,5,100", "-1,0,5", "3,0,0", "2147483647,2147483647,2147483647",
          "-2147483648,-2147483648,-2147483648", "-7,-3,-100", "65537,12345,-31",
          "1103515245,12345,2147483647", "21,-11,40"})
        QTest::newRow(key) << QString::fromLatin1(key);
}

void TestCli::traceCycle()
{
    QFETCH(QString, key);

    const Run result = cli({"trace", "--key", key, "--format", "tsv", "абв"});
    QCOMPARE(result.exitCode, 0);
    const QList<QByteArray> lines = result.out.trimmed().split('\n');
    QVERIFY(lines.size() >= 2);
    const QPair<int, int> expected = cycleByDefinition(keyFrom(key));
    QCOMPARE(lines.at(lines.size() - 2), QByteArray("mu\t") + QByteArray::number(expected.first));
    QCOMPARE(lines.last(), QByteArray("lambda\t") + QByteArray::number(expected.second));
}

void TestCli::traceRows_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("traced");

    QTest::newRow("text argument") << "5,3,7" << QStringList{QStringLiteral("Привет, мир")}
                                   << QByteArray() << QStringLiteral("Привет, мир");
    QTest::newRow("first line of standard input")
        << "-3,11,-40" << QStringList{} << QStringLiteral("аб вг\r\nвторая").toUtf8()
        << QStringLiteral("аб вг");
    QTest::newRow("outside the alphabet, wrapping key")
        << "2147483647,2147483647,33" << QStringList{QStringLiteral("ёй Q7 я")} << QByteArray()
        << QStringLiteral("ёй Q7 я");
    QTest::newRow("empty text") << "1,2,3" << QStringList{QString()} << QByteArray() << QString();
}

void TestCli::traceRows()
{
    QFETCH(QString, key);
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, input);
    QFETCH(QString, traced);

    const Run result =
        cli(QStringList{"trace", "--key", key, "--format", "tsv", "--"} + arguments, input);
    QCOMPARE(result.exitCode, 0);
    const QStringList lines = QString::fromUtf8(result.out).split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), traced.size() + 4); // header, rows, mu, lambda, final empty part
    QCOMPARE(lines.first(), QStringLiteral("position\tcharacter\tcode\tT\tg\tresult_code\t"
                                           "result_character"));

    const Key k = keyFrom(key);
    const QString result_ = transformed(traced, k);
    qint32 value = k.t0;
    for (int i = 0; i < traced.size(); ++i) {
        if (i > 0)
            value = nextGammaValue(value, k.a, k.c);
        const std::optional<int> code = lookupCode(traced.at(i));
        const int gamma = gammaCode(value);
        const QStringList expected{QString::number(i),
                                   QString(traced.at(i)),
                                   code ? QString::number(*code) : QStringLiteral("-"),
                                   QString::number(value),
                                   QString::number(gamma),
                                   code ? QString::number(*code ^ gamma) : QStringLiteral("-"),
                                   QString(result_.at(i))};
        QCOMPARE(lines.at(i + 1).split(QLatin1Char('\t')), expected);
    }
}

void TestCli::traceTable()
{
    const Run result = cli({"trace", "--key", "1,1,0", "ПРИВЕТ"});
    QCOMPARE(result.exitCode, 0);
    const QString text = QString::fromUtf8(result.out);
    QVERIFY2(text.contains(QStringLiteral("μ = 0, λ = 32")), qPrintable(text));
    // The rows line up under the header: numbers end where their heading ends, and each
    // character stands where its heading starts.
    const QStringList lines = text.split(QLatin1Char('\n'));
    const QString header = lines.first();
    QVERIFY(header.startsWith(QStringLiteral("позиция  символ")));
    const int characterColumn = header.indexOf(QStringLiteral("символ"));
    const int valueEnd = header.indexOf(QStringLiteral("T(i)")) + 4;
    for (int i = 0; i < 6; ++i) {
        const QString line = lines.at(i + 1);
        QCOMPARE(line.left(characterColumn - 2).trimmed(), QString::number(i));
        QCOMPARE(line.at(characterColumn), QStringLiteral("ПРИВЕТ").at(i));
        QCOMPARE(line.mid(valueEnd - 4, 4).trimmed(), QString::number(i)); // T(i) = i here
    }
    QCOMPARE(lines.at(7), QString());
}

QTEST_MAIN(TestCli)
#include "tst_cli.moc"
