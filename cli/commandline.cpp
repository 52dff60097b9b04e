// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "commandline.h"

#include "analyze.h"
#include "attack.h"
#include "filenames.h"
#include "messages.h"
#include "streamcipher.h"
#include "trace.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QRegularExpression>

#include <algorithm>
#include <limits>

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

Result<GammaKey> parseKey(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    qint32 values[3] = {};
    for (int i = 0; i < 3; ++i) {
        if (i >= parts.size()) {
            return Failure{QStringLiteral("в ключе %1 нет части %2; %3")
                               .arg(quoted(text), keyPartNames[i], keyShape)};
        }
        switch (parseInt32(parts.at(i), values[i])) {
        case NumberProblem::None:
            break;
        case NumberProblem::NotANumber:
            return Failure{
                QStringLiteral("часть %1 ключа (%2) — не целое десятичное число: допустимы "
                               "только цифры и минус перед ними, без пробелов и знака «+»")
                    .arg(keyPartNames[i], quoted(parts.at(i)))};
        case NumberProblem::OutOfRange:
            return Failure{QStringLiteral("часть %1 ключа (%2) вне диапазона от %3 до %4")
                               .arg(keyPartNames[i], quoted(parts.at(i)))
                               .arg(std::numeric_limits<qint32>::min())
                               .arg(std::numeric_limits<qint32>::max())};
        }
    }
    if (parts.size() > 3) {
        return Failure{QStringLiteral("в ключе %1 лишняя часть %2; %3")
                           .arg(quoted(text), quoted(parts.at(3)), keyShape)};
    }
    return GammaKey{values[0], values[1], values[2]};
}

namespace {

// A value as the locale decodes it, as QCoreApplication would give it. The parser sees each
// byte as one character, so that no byte is lost before a value's kind is known.
QString decoded(const QString &bytesAsLatin1)
{
    return QString::fromLocal8Bit(bytesAsLatin1.toLatin1());
}

struct OptionSpec
{
    OptionId id;
    const char *name;
    const char *valueName; // null for an option without a value
    QString defaultValue;
    QString description; // without the commands it belongs to
};

const QString byteOrderMarkNote =
    QStringLiteral("метка порядка байтов Unicode в начале файла переключает чтение на свою "
                   "форму, как в окне");

// In OptionId's order, which indexes it.
const QVector<OptionSpec> &optionTable()
{
    static const QVector<OptionSpec> table = {
        {OptionId::Key, "key", "A,C,T0", QString(),
         QStringLiteral("ключ: три целых числа через запятую, каждое от %1 до %2.")
             .arg(std::numeric_limits<qint32>::min())
             .arg(std::numeric_limits<qint32>::max())},
        {OptionId::Encoding, "encoding", "кодировка", QStringLiteral("utf-8"),
         QStringLiteral("кодировка ввода, utf-8 (по умолчанию) или windows-1251 (%1); encrypt и "
                        "decrypt пишут результат в той же кодировке, отчёт attack — в UTF-8.")
             .arg(byteOrderMarkNote)},
        {OptionId::LastLine, "last-line", nullptr, QString(),
         QStringLiteral("взять только последнюю строку ввода, как её сохраняет окно; encrypt и "
                        "decrypt выводят её без конца строки.")},
        {OptionId::Output, "output", "ФАЙЛ", QString(),
         QStringLiteral("записать результат в ФАЙЛ вместо стандартного вывода; прежний файл "
                        "заменяется только после успешной записи.")},
        {OptionId::Format, "format", "вид", QStringLiteral("table"),
         QStringLiteral("вид вывода, table (таблица, по умолчанию) или tsv.")},
        {OptionId::Known, "known", "ТЕКСТ", QString(),
         QStringLiteral("известное начало открытого текста (в UTF-8); буквы сравниваются как их "
                        "видит алфавит, прочие символы — точно.")},
        {OptionId::Crib, "crib", "ТЕКСТ", QString(),
         QStringLiteral("фрагмент, который есть где-то в открытом тексте (место не известно; в "
                        "UTF-8); буквы сравниваются как их видит алфавит, прочие символы — "
                        "точно.")},
        {OptionId::Top, "top", "N", QString::number(defaultTop),
         QStringLiteral("сколько лучших ключей вывести, от 1 до %1 (по умолчанию %2).")
             .arg(largestTop)
             .arg(defaultTop)},
        {OptionId::Length, "length", "N", QString::number(defaultLength),
         QStringLiteral("сколько позиций гаммы рассмотреть, от 1 до %1 (по умолчанию %2).")
             .arg(largestLength)
             .arg(defaultLength)},
    };
    return table;
}

const OptionSpec &optionSpec(OptionId id)
{
    return optionTable()[int(id)];
}

QString dashed(OptionId id)
{
    return QStringLiteral("--") + QLatin1String(optionSpec(id).name);
}

bool takes(const CommandSpec &command, OptionId id)
{
    return std::any_of(command.options.cbegin(), command.options.cend(),
                       [id](const CommandOption &option) { return option.id == id; });
}

QString commandNames(const QString &lastSeparator)
{
    QStringList names;
    for (const CommandSpec &command : commandTable())
        names << QLatin1String(command.name);
    const QString last = names.takeLast();
    return names.join(QStringLiteral(", ")) + lastSeparator + last;
}

// The general help names each option's commands before what it does.
QString generalDescription(const OptionSpec &option)
{
    QStringList users;
    for (const CommandSpec &command : commandTable()) {
        if (takes(command, option.id))
            users << QLatin1String(command.name);
    }
    return users.join(QStringLiteral(", ")) + QStringLiteral(": ") + option.description;
}

QString commandDescription(const CommandOption &option)
{
    const QString text = option.description ? QString::fromUtf8(option.description)
                                            : optionSpec(option.id).description;
    return text.left(1).toUpper() + text.mid(1);
}

QCommandLineOption parserOption(const OptionSpec &option, const QString &description)
{
    QCommandLineOption parsed(QLatin1String(option.name), description);
    if (option.valueName) {
        parsed.setValueName(QString::fromUtf8(option.valueName));
        parsed.setDefaultValue(option.defaultValue);
    }
    return parsed;
}

// What the general help says before the options: the commands, from the table, and examples.
QString toolDescription()
{
    QString commands;
    for (const CommandSpec &command : commandTable()) {
        commands += QStringLiteral("  %1  %2\n")
                        .arg(QString::fromLatin1(command.name).leftJustified(7),
                             QString::fromUtf8(command.summary));
    }
    return QStringLiteral(
               "Шифрование гаммированием с псевдослучайной последовательностью (ПСЧ) — то же "
               "преобразование, что в окне gammacrypt, для пакетной работы и учебных трасс.\n"
               "\n"
               "Команды:\n"
               "%1"
               "\n"
               "Каждая строка преобразуется отдельно, датчик начинает её с T0; концы строк (LF, "
               "CR LF, CR) сохраняются как были. Параметры каждой команды: gammacrypt-cli "
               "КОМАНДА --help.\n"
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
               "Коды завершения: 0 — успех, 1 — ошибка ввода или вывода (для attack — и когда "
               "доказано, что ни один ключ не согласуется с --known или --crib), 2 — ошибка в "
               "командной строке или в ключе, 3 — attack не нашёл ключа, но и не доказал, что "
               "его нет.")
        .arg(commands);
}

// The parser that reads every argument: all options, whatever the command.
void setUpGeneral(QCommandLineParser &parser)
{
    parser.setApplicationDescription(toolDescription());
    parser.addPositionalArgument(QStringLiteral("команда"),
                                 commandNames(QStringLiteral(" или ")) + QLatin1Char('.'));
    parser.addPositionalArgument(
        QStringLiteral("ФАЙЛ|ТЕКСТ"),
        QStringLiteral("encrypt, decrypt, attack: входной файл (нет или «-» — стандартный ввод); "
                       "trace: текст (нет — первая строка стандартного ввода)."),
        QStringLiteral("[ФАЙЛ|ТЕКСТ]"));
    parser.addHelpOption();
    parser.addVersionOption();
    for (const OptionSpec &option : optionTable())
        parser.addOption(parserOption(option, generalDescription(option)));
}

// One command's help: its own operand and options, as they work for it.
QString commandHelp(const CommandSpec &command)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("gammacrypt-cli %1: %2.")
            .arg(QLatin1String(command.name), QString::fromUtf8(command.summary)));
    parser.addPositionalArgument(QLatin1String(command.name), QString(),
                                 QLatin1String(command.name));
    switch (command.operand) {
    case Operand::InputFile:
        parser.addPositionalArgument(
            QStringLiteral("ФАЙЛ"), QStringLiteral("Входной файл; нет или «-» — стандартный ввод."),
            QStringLiteral("[ФАЙЛ]"));
        break;
    case Operand::Text:
        parser.addPositionalArgument(
            QStringLiteral("ТЕКСТ"),
            QStringLiteral("Текст; нет — первая строка стандартного ввода."),
            QStringLiteral("[ТЕКСТ]"));
        break;
    case Operand::None:
        break;
    }
    parser.addHelpOption();
    for (const CommandOption &option : command.options)
        parser.addOption(parserOption(optionSpec(option.id), commandDescription(option)));
    return parser.helpText();
}

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
        return QStringLiteral("неизвестный параметр %1")
            .arg(quoted(dashes + decoded(unknown.first())));
    }
    const QString text = parser.errorText();
    const QRegularExpression missingValue = parserMessage("Missing value after '%1'.");
    const QRegularExpression unexpectedValue = parserMessage("Unexpected value after '%1'.");
    if (const auto match = missingValue.match(text); match.hasMatch())
        return QStringLiteral("после %1 нет значения").arg(quoted(decoded(match.captured(1))));
    if (const auto match = unexpectedValue.match(text); match.hasMatch()) {
        return QStringLiteral("параметр %1 не принимает значения")
            .arg(quoted(decoded(match.captured(1))));
    }
    return QStringLiteral("ошибка в командной строке: %1").arg(decoded(text));
}

const CommandSpec *commandNamed(const QString &name)
{
    for (const CommandSpec &command : commandTable()) {
        if (name == QLatin1String(command.name))
            return &command;
    }
    return nullptr;
}

// Parsed arguments and the checks on them, each returning a Russian message or nothing.
class ParsedArguments
{
public:
    explicit ParsedArguments(const QList<QByteArray> &arguments)
    {
        QStringList bytesAsLatin1;
        for (const QByteArray &argument : arguments)
            bytesAsLatin1 << QString::fromLatin1(argument);
        setUpGeneral(parser);
        parsedOk = parser.parse(bytesAsLatin1);
    }

    bool ok() const { return parsedOk; }
    QString error() const { return russianParserError(parser); }
    QString helpText() const { return parser.helpText(); }
    bool isSet(const QString &name) const { return parser.isSet(name); }
    bool isSet(OptionId id) const { return parser.isSet(QLatin1String(optionSpec(id).name)); }
    QStringList operands() const { return parser.positionalArguments(); }

    QString text(OptionId id) const { return decoded(raw(id)); }
    QByteArray bytes(OptionId id) const { return raw(id).toLatin1(); }
    QString path(OptionId id) const { return documentio::pathFromNative(bytes(id)); }

    // Options of another command are refused rather than silently ignored: a
    // "trace --output f" that writes nothing to f would mislead.
    Result<void> noMisplacedOption(const CommandSpec &command) const
    {
        for (const OptionSpec &option : optionTable()) {
            if (!takes(command, option.id) && isSet(option.id)) {
                return Failure{
                    QStringLiteral("параметр %1 не относится к команде %2")
                        .arg(quoted(dashed(option.id)), quoted(QLatin1String(command.name)))};
            }
        }
        return {};
    }

    Result<void> noRepeatedOption() const
    {
        for (const OptionSpec &option : optionTable()) {
            if (option.valueName && parser.values(QLatin1String(option.name)).size() > 1) {
                return Failure{QStringLiteral("параметр %1 указан больше одного раза")
                                   .arg(quoted(dashed(option.id)))};
            }
        }
        return {};
    }

private:
    QString raw(OptionId id) const { return parser.value(QLatin1String(optionSpec(id).name)); }

    QCommandLineParser parser;
    bool parsedOk = false;
};

Result<void> noExtraOperand(const CommandSpec &command, const QStringList &operands)
{
    const int limit = command.operand == Operand::None ? 1 : 2;
    if (operands.size() <= limit)
        return {};
    const QString name = quoted(QLatin1String(command.name));
    if (limit == 1) {
        return Failure{QStringLiteral("лишний аргумент %1: команде %2 аргументы не нужны")
                           .arg(quoted(decoded(operands.at(1))), name)};
    }
    return Failure{QStringLiteral("лишний аргумент %1: команде %2 нужен не больше чем один")
                       .arg(quoted(decoded(operands.at(2))), name)};
}

Result<GammaKey> readKey(const ParsedArguments &arguments)
{
    if (!arguments.isSet(OptionId::Key))
        return Failure{QStringLiteral("не указан ключ: --key A,C,T0")};
    return parseKey(arguments.text(OptionId::Key));
}

Result<int> readCount(const ParsedArguments &arguments, OptionId id, int largest)
{
    if (const std::optional<int> count = boundedCount(arguments.text(id), largest))
        return *count;
    return Failure{QStringLiteral("значение %1 параметра %2 — не целое число от 1 до %3")
                       .arg(quoted(arguments.text(id)), quoted(dashed(id)))
                       .arg(largest)};
}

Result<Encoding> readEncoding(const ParsedArguments &arguments)
{
    const QString encoding = arguments.text(OptionId::Encoding);
    if (encoding == QLatin1String("utf-8"))
        return Encoding::Utf8;
    if (encoding == QLatin1String("windows-1251"))
        return Encoding::Windows1251;
    return Failure{QStringLiteral("неизвестная кодировка %1; есть utf-8 и windows-1251")
                       .arg(quoted(encoding))};
}

Result<ReportFormat> readFormat(const ParsedArguments &arguments, Command command)
{
    const QString format = arguments.text(OptionId::Format);
    if (format == QLatin1String("table"))
        return ReportFormat::Table;
    if (format == QLatin1String("tsv"))
        return ReportFormat::Tsv;
    return Failure{
        QStringLiteral("неизвестный вид %1 %2; есть table и tsv")
            .arg(command == Command::Trace ? QStringLiteral("трассы") : QStringLiteral("вывода"),
                 quoted(format))};
}

// The operand, by what the command takes: a text kept as bytes, or a path ("-" and none
// being standard input).
void readOperand(const ParsedArguments &arguments, const CommandSpec &command, Options &options)
{
    const QStringList operands = arguments.operands();
    if (operands.size() < 2)
        return;
    const QByteArray bytes = operands.at(1).toLatin1();
    if (command.operand == Operand::Text)
        options.traceText = bytes;
    else if (command.operand == Operand::InputFile && bytes != "-")
        options.inputPath = documentio::pathFromNative(bytes);
}

// The options the values give, or the first bad value, in the order the messages have
// always come: key, counts, encoding, format, output.
Result<Options> readValues(const ParsedArguments &arguments, const CommandSpec &command)
{
    Options options;
    options.command = command.command;
    if (command.takesKey) {
        const Result<GammaKey> key = readKey(arguments);
        if (!key)
            return Failure{key.error()};
        options.key = *key;
    }
    if (arguments.isSet(OptionId::Known))
        options.known = arguments.bytes(OptionId::Known);
    if (arguments.isSet(OptionId::Crib))
        options.crib = arguments.bytes(OptionId::Crib);
    const Result<int> top = readCount(arguments, OptionId::Top, largestTop);
    if (!top)
        return Failure{top.error()};
    const Result<int> length = readCount(arguments, OptionId::Length, largestLength);
    if (!length)
        return Failure{length.error()};
    const Result<Encoding> encoding = readEncoding(arguments);
    if (!encoding)
        return Failure{encoding.error()};
    const Result<ReportFormat> format = readFormat(arguments, command.command);
    if (!format)
        return Failure{format.error()};
    options.top = *top;
    options.length = *length;
    options.encoding = *encoding;
    options.format = *format;
    options.lastLineOnly = arguments.isSet(OptionId::LastLine);
    if (arguments.isSet(OptionId::Output)) {
        options.outputPath = arguments.path(OptionId::Output);
        if (options.outputPath.isEmpty())
            return Failure{QStringLiteral("после «--output» нужно имя файла")};
    }
    readOperand(arguments, command, options);
    return options;
}

} // namespace

// What encrypt and decrypt alike say of their options.
constexpr char cipherEncoding[] =
    "кодировка ввода и вывода, utf-8 (по умолчанию) или windows-1251 (метка порядка байтов "
    "Unicode в начале файла переключает чтение на свою форму, как в окне).";
constexpr char cipherLastLine[] = "преобразовать только последнюю строку и вывести её без конца "
                                  "строки — как «Открыть», шифрование и «Сохранить» в окне.";

const QVector<CommandSpec> &commandTable()
{
    // encrypt and decrypt are one transform: the same options, meaning the same.
    static const QVector<CommandOption> cipherOptions = {{OptionId::Key},
                                                         {OptionId::Encoding, cipherEncoding},
                                                         {OptionId::LastLine, cipherLastLine},
                                                         {OptionId::Output}};
    // The order is the help's and the messages'; Command's values index it.
    static const QVector<CommandSpec> table = {
        {Command::Encrypt, "encrypt", "зашифровать каждую строку ФАЙЛА (или стандартного ввода)",
         cipherOptions, Operand::InputFile, true, runCipher},
        {Command::Decrypt, "decrypt", "расшифровать каждую строку (это то же преобразование)",
         cipherOptions, Operand::InputFile, true, runCipher},
        {Command::Trace,
         "trace",
         "показать работу датчика по позициям ТЕКСТА (или первой строки ввода)",
         {{OptionId::Key}, {OptionId::Format}},
         Operand::Text,
         true,
         runTrace},
        {Command::Attack,
         "attack",
         "подобрать ключ к шифртексту (первая строка ФАЙЛА или ввода) по частотам русского "
         "языка, с --known — по известному началу текста, с --crib — по известному фрагменту",
         {{OptionId::Encoding,
           "кодировка входного файла, utf-8 (по умолчанию) или windows-1251 (метка порядка "
           "байтов Unicode в начале файла переключает чтение на свою форму, как в окне); отчёт "
           "выводится в UTF-8."},
          {OptionId::LastLine, "взять шифртекст из последней строки ввода, как её сохраняет окно, "
                               "а не из первой."},
          {OptionId::Format},
          {OptionId::Known},
          {OptionId::Crib},
          {OptionId::Top}},
         Operand::InputFile,
         false,
         runAttack},
        {Command::Analyze,
         "analyze",
         "показать свойства ключа: цикл датчика, гамму, долю нулей, слабость",
         {{OptionId::Key}, {OptionId::Format}, {OptionId::Length}},
         Operand::None,
         true,
         runAnalyze},
    };
    return table;
}

const CommandSpec &commandSpec(Command command)
{
    return commandTable()[int(command)];
}

CommandLine parseCommandLine(const QList<QByteArray> &arguments)
{
    CommandLine result;
    const ParsedArguments parsed(arguments);
    if (!parsed.ok()) {
        result.error = parsed.error();
        return result;
    }
    const QStringList operands = parsed.operands();
    const CommandSpec *command = operands.isEmpty() ? nullptr : commandNamed(operands.first());
    if (parsed.isSet(QStringLiteral("help"))) {
        result.reply = command ? commandHelp(*command) : parsed.helpText();
        return result;
    }
    if (parsed.isSet(QStringLiteral("version"))) {
        result.reply = QStringLiteral("%1 %2\n").arg(QCoreApplication::applicationName(),
                                                     QCoreApplication::applicationVersion());
        return result;
    }
    if (operands.isEmpty()) {
        result.error =
            QStringLiteral("не указана команда: ") + commandNames(QStringLiteral(" или "));
        return result;
    }
    if (!command) {
        result.error =
            QStringLiteral("неизвестная команда %1; есть %2")
                .arg(quoted(decoded(operands.first())), commandNames(QStringLiteral(" и ")));
        return result;
    }
    for (const Result<void> &check :
         {noExtraOperand(*command, operands), parsed.noMisplacedOption(*command),
          parsed.noRepeatedOption()}) {
        if (!check) {
            result.error = check.error();
            return result;
        }
    }
    const Result<Options> options = readValues(parsed, *command);
    if (!options) {
        result.error = options.error();
        return result;
    }
    result.options = *options;
    return result;
}

} // namespace cli
