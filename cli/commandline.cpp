// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "commandline.h"

#include "messages.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QRegularExpression>

#include <algorithm>
#include <limits>
#include <vector>

namespace cli {

namespace {

const QString keyPartNames[3] = {QStringLiteral("A"), QStringLiteral("C"), QStringLiteral("T0")};

enum class NumberProblem { None, NotANumber, OutOfRange };

NumberProblem parseInt32(const QString &text, qint32 &value)
{
    const bool negative = text.startsWith(QLatin1Char('-'));
    const int firstDigit = negative ? 1 : 0;
    if (text.size() == firstDigit)
        return NumberProblem::NotANumber;
    // Accumulated as a magnitude that stops growing past the largest one allowed, so that
    // no run of digits can overflow.
    const qint64 largest = negative ? qint64(1) << 31 : (qint64(1) << 31) - 1;
    qint64 magnitude = 0;
    bool tooLarge = false;
    for (int i = firstDigit; i < text.size(); ++i) {
        const QChar ch = text.at(i);
        if (ch < QLatin1Char('0') || ch > QLatin1Char('9'))
            return NumberProblem::NotANumber;
        magnitude = magnitude * 10 + (ch.unicode() - u'0');
        if (magnitude > largest) {
            tooLarge = true;
            magnitude = largest + 1;
        }
    }
    if (tooLarge)
        return NumberProblem::OutOfRange;
    value = qint32(negative ? -magnitude : magnitude);
    return NumberProblem::None;
}

const QString keyShape = QStringLiteral("нужны три целых числа через запятую: A,C,T0");

// A count written in decimal digits only, within 1..largest.
std::optional<int> boundedCount(const QString &text, int largest)
{
    qint32 value = 0;
    if (text.startsWith(QLatin1Char('-')) || parseInt32(text, value) != NumberProblem::None ||
        value < 1 || value > largest)
        return std::nullopt;
    return value;
}

} // namespace

KeyParse parseKey(const QString &text)
{
    KeyParse result;
    const QStringList parts = text.split(QLatin1Char(','));
    qint32 values[3] = {};
    for (int i = 0; i < 3; ++i) {
        if (i >= parts.size()) {
            result.error = QStringLiteral("в ключе %1 нет части %2; %3")
                               .arg(quoted(text), keyPartNames[i], keyShape);
            return result;
        }
        switch (parseInt32(parts.at(i), values[i])) {
        case NumberProblem::None:
            break;
        case NumberProblem::NotANumber:
            result.error =
                QStringLiteral("часть %1 ключа (%2) — не целое десятичное число: допустимы "
                               "только цифры и минус перед ними, без пробелов и знака «+»")
                    .arg(keyPartNames[i], quoted(parts.at(i)));
            return result;
        case NumberProblem::OutOfRange:
            result.error = QStringLiteral("часть %1 ключа (%2) вне диапазона от %3 до %4")
                               .arg(keyPartNames[i], quoted(parts.at(i)))
                               .arg(std::numeric_limits<qint32>::min())
                               .arg(std::numeric_limits<qint32>::max());
            return result;
        }
    }
    if (parts.size() > 3) {
        result.error = QStringLiteral("в ключе %1 лишняя часть %2; %3")
                           .arg(quoted(text), quoted(parts.at(3)), keyShape);
        return result;
    }
    result.key = GammaKey{values[0], values[1], values[2]};
    return result;
}

namespace {

const QString description = QStringLiteral(
    "Шифрование гаммированием с псевдослучайной последовательностью (ПСЧ) — то же "
    "преобразование, что в окне gammacrypt, для пакетной работы и учебных трасс.\n"
    "\n"
    "Команды:\n"
    "  encrypt  зашифровать каждую строку ФАЙЛА (или стандартного ввода)\n"
    "  decrypt  расшифровать каждую строку (это то же преобразование)\n"
    "  trace    показать работу датчика по позициям ТЕКСТА (или первой строки ввода)\n"
    "  attack   подобрать ключ к шифртексту (первая строка ФАЙЛА или ввода) по частотам "
    "русского языка, с --known — по известному началу текста, с --crib — по известному "
    "фрагменту\n"
    "  analyze  показать свойства ключа: цикл датчика, гамму, долю нулей, слабость\n"
    "\n"
    "Каждая строка преобразуется отдельно, датчик начинает её с T0; концы строк (LF, CR LF, "
    "CR) сохраняются как были.\n"
    "\n"
    "Примеры:\n"
    "  gammacrypt-cli encrypt --key 5,3,7 письмо.txt > шифр.txt\n"
    "  gammacrypt-cli decrypt --key 5,3,7 --encoding windows-1251 --last-line "
    "--output ответ.txt шифр.txt\n"
    "  gammacrypt-cli trace --key 5,3,7 \"ПРИВЕТ\"\n"
    "  gammacrypt-cli attack --top 3 шифр.txt\n"
    "  gammacrypt-cli attack --known \"Мой дядя\" шифр.txt\n"
    "  gammacrypt-cli attack --crib \"гаммирование\" --last-line шифр.txt\n"
    "  gammacrypt-cli analyze --key 5,3,7 --length 40\n"
    "\n"
    "Коды завершения: 0 — успех, 1 — ошибка ввода или вывода (для attack — и когда доказано, "
    "что ни один ключ не согласуется с --known или --crib), 2 — ошибка в командной строке или "
    "в ключе, 3 — attack не нашёл ключа, но и не доказал, что его нет.");

struct ParserOptions
{
    QCommandLineOption key{QStringLiteral("key"),
                           QStringLiteral("Ключ: три целых числа через запятую, каждое от "
                                          "-2147483648 до 2147483647."),
                           QStringLiteral("A,C,T0")};
    QCommandLineOption encoding{
        QStringLiteral("encoding"),
        QStringLiteral(
            "encrypt, decrypt, attack: кодировка ввода (и вывода), utf-8 (по умолчанию) или "
            "windows-1251 (метка порядка байтов Unicode в начале файла переключает "
            "чтение на свою форму, как в окне)."),
        QStringLiteral("кодировка"), QStringLiteral("utf-8")};
    QCommandLineOption lastLine{
        QStringLiteral("last-line"),
        QStringLiteral("encrypt, decrypt: преобразовать только последнюю строку и вывести её без "
                       "конца строки — как «Открыть», шифрование и «Сохранить» в окне; attack: "
                       "подбирать ключ к последней строке, как её сохраняет окно.")};
    QCommandLineOption output{QStringLiteral("output"),
                              QStringLiteral("encrypt, decrypt: записать результат в ФАЙЛ вместо "
                                             "стандартного вывода; прежний файл заменяется только "
                                             "после успешной записи."),
                              QStringLiteral("ФАЙЛ")};
    QCommandLineOption format{
        QStringLiteral("format"),
        QStringLiteral(
            "trace, attack, analyze: вид вывода, table (таблица, по умолчанию) или tsv."),
        QStringLiteral("вид"), QStringLiteral("table")};
    QCommandLineOption known{
        QStringLiteral("known"),
        QStringLiteral("attack: известное начало открытого текста; буквы сравниваются как их "
                       "видит алфавит, прочие символы — точно."),
        QStringLiteral("ТЕКСТ")};
    QCommandLineOption crib{
        QStringLiteral("crib"),
        QStringLiteral("attack: фрагмент, который есть где-то в открытом тексте (место не "
                       "известно); буквы сравниваются как их видит алфавит, прочие символы — "
                       "точно."),
        QStringLiteral("ТЕКСТ")};
    QCommandLineOption top{QStringLiteral("top"),
                           QStringLiteral("attack: сколько лучших ключей вывести, от 1 до 100 "
                                          "(по умолчанию 5)."),
                           QStringLiteral("N"), QStringLiteral("5")};
    QCommandLineOption length{QStringLiteral("length"),
                              QStringLiteral("analyze: сколько позиций гаммы рассмотреть, от 1 "
                                             "до 100000 (по умолчанию 100)."),
                              QStringLiteral("N"), QStringLiteral("100")};
};

// One of QCommandLineParser's error messages, its option name captured. The parser words it
// through Qt's catalogue, in the user's language, so the pattern is taken from there too.
QRegularExpression parserMessage(const char *message)
{
    QString pattern = QRegularExpression::escape(QCommandLineParser::tr(message));
    pattern.replace(QStringLiteral("\\%1"), QStringLiteral("(.*)"));
    return QRegularExpression(QLatin1Char('^') + pattern + QLatin1Char('$'));
}

// QCommandLineParser reports in the user's language; the tool speaks Russian.
QString russianParserError(const QCommandLineParser &parser)
{
    const QStringList unknown = parser.unknownOptionNames();
    if (!unknown.isEmpty()) {
        const QString dashes =
            unknown.first().size() == 1 ? QStringLiteral("-") : QStringLiteral("--");
        return QStringLiteral("неизвестный параметр %1").arg(quoted(dashes + unknown.first()));
    }
    const QString text = parser.errorText();
    const QRegularExpression missingValue = parserMessage("Missing value after '%1'.");
    const QRegularExpression unexpectedValue = parserMessage("Unexpected value after '%1'.");
    if (const auto match = missingValue.match(text); match.hasMatch())
        return QStringLiteral("после %1 нет значения").arg(quoted(match.captured(1)));
    if (const auto match = unexpectedValue.match(text); match.hasMatch())
        return QStringLiteral("параметр %1 не принимает значения").arg(quoted(match.captured(1)));
    return QStringLiteral("ошибка в командной строке: %1").arg(text);
}

std::optional<Command> commandNamed(const QString &name)
{
    if (name == QLatin1String("encrypt"))
        return Command::Encrypt;
    if (name == QLatin1String("decrypt"))
        return Command::Decrypt;
    if (name == QLatin1String("trace"))
        return Command::Trace;
    if (name == QLatin1String("attack"))
        return Command::Attack;
    if (name == QLatin1String("analyze"))
        return Command::Analyze;
    return std::nullopt;
}

// Options of the other kind of command are refused rather than silently ignored: a
// "trace --output f" that writes nothing to f would mislead.
QString misplacedOption(const QCommandLineParser &parser, const ParserOptions &known,
                        Command command)
{
    std::vector<const QCommandLineOption *> foreign = {
        &known.key,   &known.encoding, &known.lastLine, &known.output, &known.format,
        &known.known, &known.crib,     &known.top,      &known.length};
    const auto accepts = [command, &known](const QCommandLineOption *option) {
        switch (command) {
        case Command::Encrypt:
        case Command::Decrypt:
            return option == &known.key || option == &known.encoding || option == &known.lastLine ||
                   option == &known.output;
        case Command::Trace:
            return option == &known.key || option == &known.format;
        case Command::Attack:
            return option == &known.encoding || option == &known.format || option == &known.known ||
                   option == &known.crib || option == &known.top || option == &known.lastLine;
        case Command::Analyze:
            return option == &known.key || option == &known.format || option == &known.length;
        }
        return false;
    };
    foreign.erase(std::remove_if(foreign.begin(), foreign.end(), accepts), foreign.end());
    for (const QCommandLineOption *option : foreign) {
        if (parser.isSet(*option)) {
            return QStringLiteral("параметр %1 не относится к команде %2")
                .arg(quoted(QStringLiteral("--") + option->names().first()),
                     quoted(parser.positionalArguments().first()));
        }
    }
    return QString();
}

void setUp(QCommandLineParser &parser, const ParserOptions &known)
{
    parser.setApplicationDescription(description);
    parser.addPositionalArgument(QStringLiteral("команда"),
                                 QStringLiteral("encrypt, decrypt, trace, attack или analyze."));
    parser.addPositionalArgument(
        QStringLiteral("ФАЙЛ|ТЕКСТ"),
        QStringLiteral("encrypt, decrypt, attack: входной файл (нет или «-» — стандартный ввод); "
                       "trace: текст (нет — первая строка стандартного ввода)."),
        QStringLiteral("[ФАЙЛ|ТЕКСТ]"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({known.key, known.encoding, known.lastLine, known.output, known.format,
                       known.known, known.crib, known.top, known.length});
}

// The arguments reach QCoreApplication as bytes, and it decodes them through the locale,
// which replaces what it cannot decode. Parsed again with one character per byte, the same
// options leave their values' and the operands' own bytes.
class RawArguments
{
public:
    explicit RawArguments(const QList<QByteArray> &rawArguments)
    {
        QStringList oneCharacterPerByte;
        for (const QByteArray &argument : rawArguments)
            oneCharacterPerByte << QString::fromLatin1(argument);
        setUp(parser, known);
        parser.parse(oneCharacterPerByte);
    }

    QByteArray operand() const { return parser.positionalArguments().value(1).toLatin1(); }

    QByteArray value(QCommandLineOption ParserOptions::*option) const
    {
        return parser.value(known.*option).toLatin1();
    }

private:
    QCommandLineParser parser;
    const ParserOptions known;
};

} // namespace

CommandLine parseCommandLine(const QStringList &arguments, const QList<QByteArray> &rawArguments)
{
    CommandLine result;
    QCommandLineParser parser;
    const ParserOptions known;
    setUp(parser, known);
    if (!parser.parse(arguments)) {
        result.error = russianParserError(parser);
        return result;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        result.reply = parser.helpText();
        return result;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        result.reply = QStringLiteral("%1 %2\n").arg(QCoreApplication::applicationName(),
                                                     QCoreApplication::applicationVersion());
        return result;
    }

    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) {
        result.error =
            QStringLiteral("не указана команда: encrypt, decrypt, trace, attack или analyze");
        return result;
    }
    const std::optional<Command> command = commandNamed(positional.first());
    if (!command) {
        result.error =
            QStringLiteral("неизвестная команда %1; есть encrypt, decrypt, trace, attack и analyze")
                .arg(quoted(positional.first()));
        return result;
    }
    const int operandLimit = *command == Command::Analyze ? 1 : 2;
    if (positional.size() > operandLimit) {
        result.error = operandLimit == 1
                           ? QStringLiteral("лишний аргумент %1: команде %2 аргументы не нужны")
                                 .arg(quoted(positional.at(1)), quoted(positional.first()))
                           : QStringLiteral("лишний аргумент %1: команде %2 нужен не больше "
                                            "чем один")
                                 .arg(quoted(positional.at(2)), quoted(positional.first()));
        return result;
    }
    if (QString error = misplacedOption(parser, known, *command); !error.isEmpty()) {
        result.error = error;
        return result;
    }
    for (const QCommandLineOption *option :
         {&known.key, &known.encoding, &known.output, &known.format, &known.known, &known.crib,
          &known.top, &known.length}) {
        if (parser.values(*option).size() > 1) {
            result.error = QStringLiteral("параметр %1 указан больше одного раза")
                               .arg(quoted(QStringLiteral("--") + option->names().first()));
            return result;
        }
    }

    Options options;
    options.command = *command;
    if (options.command != Command::Attack) {
        if (!parser.isSet(known.key)) {
            result.error = QStringLiteral("не указан ключ: --key A,C,T0");
            return result;
        }
        const KeyParse key = parseKey(parser.value(known.key));
        if (!key.key) {
            result.error = key.error;
            return result;
        }
        options.key = *key.key;
    }
    if (parser.isSet(known.known))
        options.known = RawArguments(rawArguments).value(&ParserOptions::known);
    if (parser.isSet(known.crib))
        options.crib = RawArguments(rawArguments).value(&ParserOptions::crib);
    const std::optional<int> top = boundedCount(parser.value(known.top), 100);
    const std::optional<int> length = boundedCount(parser.value(known.length), 100000);
    if (!top || !length) {
        const QCommandLineOption &bad = top ? known.length : known.top;
        result.error =
            QStringLiteral("значение %1 параметра %2 — не целое число от 1 до %3")
                .arg(quoted(parser.value(bad)), quoted(QStringLiteral("--") + bad.names().first()))
                .arg(top ? 100000 : 100);
        return result;
    }
    options.top = *top;
    options.length = *length;

    const QString encoding = parser.value(known.encoding);
    if (encoding == QLatin1String("utf-8")) {
        options.encoding = Encoding::Utf8;
    } else if (encoding == QLatin1String("windows-1251")) {
        options.encoding = Encoding::Windows1251;
    } else {
        result.error = QStringLiteral("неизвестная кодировка %1; есть utf-8 и windows-1251")
                           .arg(quoted(encoding));
        return result;
    }

    const QString format = parser.value(known.format);
    if (format == QLatin1String("table")) {
        options.format = TraceFormat::Table;
    } else if (format == QLatin1String("tsv")) {
        options.format = TraceFormat::Tsv;
    } else {
        result.error = QStringLiteral("неизвестный вид %1 %2; есть table и tsv")
                           .arg(options.command == Command::Trace ? QStringLiteral("трассы")
                                                                  : QStringLiteral("вывода"),
                                quoted(format));
        return result;
    }

    options.lastLineOnly = parser.isSet(known.lastLine);
    options.outputPath = parser.value(known.output);
    if (parser.isSet(known.output) && options.outputPath.isEmpty()) {
        result.error = QStringLiteral("после «--output» нужно имя файла");
        return result;
    }
    const QString operand = positional.value(1);
    if (options.command == Command::Trace) {
        if (positional.size() == 2)
            options.traceText = RawArguments(rawArguments).operand();
    } else if (options.command != Command::Analyze && operand != QLatin1String("-")) {
        options.inputPath = operand;
    }
    result.options = options;
    return result;
}

} // namespace cli
