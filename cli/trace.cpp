#include "trace.h"

#include "alphabet.h"
#include "gamma.h"
#include "linesplitter.h"
#include "messages.h"
#include "outputsink.h"
#include "streamcipher.h"
#include "utf8.h"

#include <QFile>
#include <QHash>
#include <QStringList>

namespace cli {

namespace {

QString codePointName(QChar ch)
{
    return QStringLiteral("U+%1").arg(ch.unicode(), 4, 16, QLatin1Char('0')).toUpper();
}

// Control characters, separators and surrogate halves would break the rows or vanish on
// screen, so they are shown by their code point. The table shows the space, which the
// alphabet enciphers like a letter, as a visible mark.
QString shownCharacter(QChar ch, TraceFormat format)
{
    if (ch == QLatin1Char(' '))
        return format == TraceFormat::Table ? QStringLiteral("␣") : QStringLiteral(" ");
    const bool separator = ch.category() == QChar::Separator_Space ||
                           ch.category() == QChar::Separator_Line ||
                           ch.category() == QChar::Separator_Paragraph;
    if (!ch.isPrint() || separator)
        return codePointName(ch);
    return QString(ch);
}

QString optionalNumber(const std::optional<int> &value)
{
    return value ? QString::number(*value) : QStringLiteral("-");
}

QStringList rowCells(const TraceRow &row, TraceFormat format)
{
    return {QString::number(row.position),     shownCharacter(row.character, format),
            optionalNumber(row.code),          QString::number(row.value),
            QString::number(row.gamma),        optionalNumber(row.resultCode),
            shownCharacter(row.result, format)};
}

QString tsvText(const QVector<TraceRow> &rows, const GeneratorCycle &cycle)
{
    QString text =
        QStringLiteral("position\tcharacter\tcode\tT\tg\tresult_code\tresult_character\n");
    for (const TraceRow &row : rows)
        text += rowCells(row, TraceFormat::Tsv).join(QLatin1Char('\t')) + QLatin1Char('\n');
    text += QStringLiteral("mu\t%1\nlambda\t%2\n").arg(cycle.mu).arg(cycle.lambda);
    return text;
}

QString cycleSentence(const GeneratorCycle &cycle)
{
    return QStringLiteral("Цикл датчика: μ = %1, λ = %2. Значение T(μ) = %3 впервые повторяется "
                          "на позиции μ + λ = %4, и дальше значения T(i) идут по кругу с "
                          "периодом λ.\n")
        .arg(cycle.mu)
        .arg(cycle.lambda)
        .arg(cycle.value)
        .arg(cycle.mu + cycle.lambda);
}

QString tableText(const QVector<TraceRow> &rows, const GeneratorCycle &cycle)
{
    QVector<QStringList> lines;
    lines.append({QStringLiteral("позиция"), QStringLiteral("символ"), QStringLiteral("код"),
                  QStringLiteral("T(i)"), QStringLiteral("g(i)"), QStringLiteral("код результата"),
                  QStringLiteral("результат")});
    for (const TraceRow &row : rows)
        lines.append(rowCells(row, TraceFormat::Table));

    const int columns = lines.first().size();
    QVector<int> widths(columns, 0);
    for (const QStringList &cells : lines) {
        for (int i = 0; i < columns; ++i)
            widths[i] = qMax(widths[i], cells.at(i).size());
    }
    // Characters read best on the left, numbers lined up on the right.
    const auto isCharacterColumn = [](int column) { return column == 1 || column == 6; };
    QString text;
    for (const QStringList &cells : lines) {
        QStringList padded;
        for (int i = 0; i < columns; ++i) {
            padded << (isCharacterColumn(i) ? cells.at(i).leftJustified(widths[i])
                                            : cells.at(i).rightJustified(widths[i]));
        }
        QString line = padded.join(QStringLiteral("  "));
        while (line.endsWith(QLatin1Char(' ')))
            line.chop(1);
        text += line + QLatin1Char('\n');
    }
    return text + QLatin1Char('\n') + cycleSentence(cycle);
}

// The first line of standard input, strict UTF-8 like the cipher's input.
bool readFirstLine(QString &text)
{
    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly)) {
        printError(QStringLiteral("не удалось открыть стандартный ввод (сообщение системы: %1)")
                       .arg(input.errorString()));
        return false;
    }
    LineSplitter<char> splitter([&input](char *dest, qint64 max) { return input.read(dest, max); },
                                4096, longestLine);
    LineSplitter<char>::Line line;
    switch (splitter.next(line)) {
    case LineSplitter<char>::Status::End:
        text.clear();
        return true;
    case LineSplitter<char>::Status::ReadError:
        printError(QStringLiteral("не удалось прочитать стандартный ввод (сообщение системы: %1)")
                       .arg(input.errorString()));
        return false;
    case LineSplitter<char>::Status::TooLong:
        printError(QStringLiteral("стандартный ввод: строка длиннее %1 МиБ; такие строки не "
                                  "обрабатываются")
                       .arg(longestLine / (1024 * 1024)));
        return false;
    case LineSplitter<char>::Status::Line:
        break;
    }
    const qint64 bad = decodeUtf8(line.data, line.size, text);
    if (bad < 0)
        return true;
    printError(QStringLiteral("стандартный ввод — не UTF-8: байт 0x%1 со смещением %2 от начала "
                              "(строка 1) не начинает допустимую последовательность UTF-8")
                   .arg(uchar(line.data[bad]), 2, 16, QLatin1Char('0'))
                   .arg(bad));
    return false;
}

} // namespace

QVector<TraceRow> traceRows(const QString &text, const GammaKey &key)
{
    const QString transformed = gammaTransform(text, key.a, key.c, key.t0);
    QVector<TraceRow> rows;
    rows.reserve(text.size());
    qint32 value = key.t0;
    for (int i = 0; i < text.size(); ++i) {
        if (i > 0)
            value = nextGammaValue(value, key.a, key.c);
        TraceRow row;
        row.position = i;
        row.character = text.at(i);
        row.code = lookupCode(row.character);
        row.value = value;
        row.gamma = gammaCode(value);
        if (row.code)
            row.resultCode = *row.code ^ row.gamma;
        row.result = transformed.at(i);
        rows.append(row);
    }
    return rows;
}

GeneratorCycle generatorCycle(const GammaKey &key)
{
    // Every value after the seed lies in -31..31, so a value repeats within 65 steps.
    QHash<qint32, int> firstPosition;
    qint32 value = key.t0;
    for (int position = 0;; ++position) {
        const auto seen = firstPosition.constFind(value);
        if (seen != firstPosition.constEnd())
            return GeneratorCycle{*seen, position - *seen, value};
        firstPosition.insert(value, position);
        value = nextGammaValue(value, key.a, key.c);
    }
}

int runTrace(const Options &options)
{
    QString text;
    if (options.traceText)
        text = *options.traceText;
    else if (!readFirstLine(text))
        return exitInputOutputError;

    const QVector<TraceRow> rows = traceRows(text, options.key);
    const GeneratorCycle cycle = generatorCycle(options.key);
    const QString report =
        options.format == TraceFormat::Tsv ? tsvText(rows, cycle) : tableText(rows, cycle);

    OutputSink sink;
    if (!sink.open(QString()) || !sink.write(report.toUtf8()) || !sink.finish()) {
        printError(sink.failure());
        return exitInputOutputError;
    }
    return exitSuccess;
}

} // namespace cli
