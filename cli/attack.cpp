// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "attack.h"

#include "attackmessages.h"
#include "gamma.h"
#include "input.h"
#include "keysearch.h"
#include "messages.h"
#include "outputsink.h"
#include "texttable.h"
#include "utf8.h"

#include <QLocale>
#include <QStringList>
#include <QVector>

#include <algorithm>
#include <vector>

namespace cli {

namespace {

QString shortLineWarning()
{
    return analysis::shortLineWarning(QStringLiteral("укажите его: --crib \"слово\""));
}

// A number as the table and the closing note print it: a decimal comma, and no group
// separator (a score of a long line runs into the thousands, and the table splits at spaces).
// TSV keeps the point, for programs.
QString decimal(double value, int digits)
{
    QLocale russian(QLocale::Russian);
    russian.setNumberOptions(QLocale::OmitGroupSeparator);
    return russian.toString(value, 'f', digits);
}

QString confidenceText(double confidence)
{
    return QString::number(confidence, 'f', 3);
}

QString percentText(double confidence)
{
    return decimal(confidence * 100, 0) + QLatin1Char('%');
}

// T(p) at any position: after its first value the generator stays in −31..31 and so falls
// into its cycle within 64 steps.
class GeneratorValues
{
public:
    explicit GeneratorValues(const GammaKey &key)
    {
        values.push_back(key.t0);
        for (int i = 1; i <= 65; ++i)
            values.push_back(nextGammaValue(values.back(), key.a, key.c));
        // The cycle: the first value from position 1 on that comes again.
        for (int start = 1; start < int(values.size()) && period == 0; ++start) {
            for (int next = start + 1; next < int(values.size()); ++next) {
                if (values[next] == values[start]) {
                    cycleStart = start;
                    period = next - start;
                    break;
                }
            }
        }
    }

    qint32 at(qint64 position) const
    {
        if (position < cycleStart || period == 0)
            return values[std::size_t(std::min<qint64>(position, qint64(values.size()) - 1))];
        return values[std::size_t(cycleStart + (position - cycleStart) % period)];
    }

private:
    std::vector<qint32> values;
    int cycleStart = 0;
    int period = 0;
};

// The candidate's text, transformed and written a piece at a time: a line of many millions
// of characters is held once, as the input, whatever --top asks. From position p on, the
// generator continues as a key whose T0 is T(p).
class TextWriter
{
public:
    TextWriter(OutputSink &sink, const QString &line) : sink(sink), line(line) {}

    // Writes the text that key makes of the line, escaped, after lead; with trim, trailing
    // spaces are left out, and so is lead when nothing else is left.
    bool write(const GammaKey &key, bool trim, const QString &lead)
    {
        const GeneratorValues values(key);
        int pendingSpaces = 0; // spaces held back until something follows them
        bool leadWritten = false;
        for (int from = 0; from < line.size();) {
            int to = std::min<int>(line.size(), from + pieceLength);
            if (to < line.size() && line.at(to - 1).isHighSurrogate())
                ++to; // a pair stays whole, so that each piece converts on its own
            QString piece =
                gammaTransform(line.mid(from, to - from), key.a, key.c, values.at(from));
            from = to;
            if (trim) {
                int end = int(piece.size());
                while (end > 0 && piece.at(end - 1) == QLatin1Char(' '))
                    --end;
                const int trailing = int(piece.size()) - end;
                if (end == 0) {
                    pendingSpaces += trailing;
                    continue;
                }
                piece = QString(pendingSpaces, QLatin1Char(' ')) + piece.left(end);
                pendingSpaces = trailing;
            }
            if (!leadWritten) {
                piece.prepend(lead);
                leadWritten = true;
            }
            if (!sink.write(escapedCell(piece).toUtf8()))
                return false;
        }
        return trim || leadWritten || sink.write(lead.toUtf8());
    }

private:
    static constexpr int pieceLength = 1 << 16;
    OutputSink &sink;
    const QString &line;
};

QStringList tsvHeader(bool withCrib)
{
    QStringList header{QStringLiteral("rank"),       QStringLiteral("score"),
                       QStringLiteral("confidence"), QStringLiteral("A"),
                       QStringLiteral("C"),          QStringLiteral("T0")};
    if (withCrib)
        header << QStringLiteral("crib_position");
    return header << QStringLiteral("text");
}

// "из 1 символа", "из 5 символов": the genitive after «из».
QString ofSymbolsText(qint64 count)
{
    const bool one = count % 10 == 1 && count % 100 != 11;
    return QStringLiteral("%1 символ%2")
        .arg(count)
        .arg(one ? QStringLiteral("а") : QStringLiteral("ов"));
}

QString seedRange(qint32 t0)
{
    if (t0 >= 0 && t0 <= 31)
        return QStringLiteral("T0 в 0..31 (сам T0 — значение датчика)");
    return t0 > 31 ? QStringLiteral("T0 больше 31") : QStringLiteral("T0 отрицательное");
}

// The first key's class, and how many keys share its keystream: any of them reads the line.
QString keyClassParagraph(const analysis::AttackResult &result)
{
    const GammaKey &key = result.candidates.first().key;
    const auto residue = [](qint32 part) { return int(quint32(part) & 31u); };
    return QStringLiteral("Класс первого ключа: A ≡ %1, C ≡ %2, T0 ≡ %3 (по модулю 32), %4. "
                          "Ту же гамму на этой строке тем же путём датчика дают около 2^%5 "
                          "ключей — любой из них читает строку так же.\n")
        .arg(residue(key.a))
        .arg(residue(key.c))
        .arg(residue(key.t0))
        .arg(seedRange(key.t0))
        .arg(decimal(analysis::keyCountLog2(key, result.searchedLength), 1));
}

// What a person should take away: how sure the first text is, what the score means, how
// much was searched, and why 2^96 keys are no defence.
QString closingParagraph(const analysis::AttackResult &result, int lineLength)
{
    const double keystreams = analysis::keystreamCountLog2(lineLength);
    QString text;
    if (result.shortLine)
        text += shortLineWarning() + QLatin1Char('\n');
    text += QStringLiteral(
        "Оценка — натуральный логарифм вероятности: насколько текст похож на русский, "
        "вместе с долей ключей, дающих его гамму; ближе к нулю — правдоподобнее, а "
        "разница в 1 означает, что один вариант вероятнее другого примерно в 2,7 раза. "
        "Уверенность — доля этой вероятности, приходящаяся на текст среди всех "
        "взвешенных вариантов.\n");
    text += keyClassParagraph(result);
    text += QStringLiteral(
                "Рассмотрено классов ключей: %1 — все сочетания остатков A, C и T0 от деления "
                "на 32; в %2 из них перебраны знаки значений датчика (оценено вариантов гаммы: "
                "%3). Затрачено %4 с.\n")
                .arg(result.residueClasses)
                .arg(result.classesInDepth)
                .arg(result.patternsScored)
                .arg(decimal(result.elapsedMs / 1000.0, 2));
    text += analysis::searchOutcomeSentence(result.exhaustive) + QLatin1Char('\n');
    text += QStringLiteral(
                "Номинально ключей 2^96 (три 32-битных числа), но над строкой из %1 датчик "
                "даёт не больше 2^%2 различных гамм. Это верхняя граница: 32^3 классов "
                "остатков, три случая для T0 (в 0..31; вне, и T(1) ≥ 0; вне, и T(1) < 0) и "
                "знаки A·t + C для t от −31 до 31, какие вообще дают 32-битные A и C, — но не "
                "больше 2^%3 на класс. Всё остальное в ключе на шифр не влияет, поэтому "
                "перебрать приходится гаммы, а не ключи.\n")
                .arg(ofSymbolsText(lineLength))
                .arg(decimal(keystreams, 1))
                .arg(lineLength);
    return text;
}

// The report, each candidate's text written as it is made. The table's columns before the
// text are aligned over all rows (the text is the last column and needs no padding); its
// text has its trailing spaces trimmed (a line of one space shows nothing).
int writeAttackReport(const analysis::AttackResult &result, const QString &line, bool tsv,
                      bool withCrib)
{
    QVector<QStringList> rows;
    QStringList header = tsv ? tsvHeader(withCrib)
                             : QStringList{QStringLiteral("место"),       QStringLiteral("оценка"),
                                           QStringLiteral("уверенность"), QStringLiteral("A"),
                                           QStringLiteral("C"),           QStringLiteral("T0")};
    if (!tsv) {
        if (withCrib)
            header << QStringLiteral("фрагмент с позиции");
        header << QStringLiteral("текст");
    }
    rows.append(header);
    int rank = 0;
    for (const analysis::Candidate &candidate : result.candidates) {
        QStringList row{
            QString::number(++rank),
            tsv ? QString::number(candidate.score, 'f', 1) : decimal(candidate.score, 1),
            tsv ? confidenceText(candidate.confidence) : percentText(candidate.confidence),
            QString::number(candidate.key.a),
            QString::number(candidate.key.c),
            QString::number(candidate.key.t0)};
        if (withCrib)
            row << QString::number(candidate.cribPosition + 1);
        row << QString();
        rows.append(row);
    }
    QStringList lines;
    if (tsv) {
        for (QStringList row : rows) {
            const QString last = row.takeLast();
            lines << row.join(QLatin1Char('\t')) + QLatin1Char('\t') + last;
        }
    } else {
        lines = alignedTable(rows, {int(header.size()) - 1}).split(QLatin1Char('\n'));
    }

    OutputSink sink;
    TextWriter texts(sink, line);
    bool written = sink.open(QString()) && sink.write((lines.first() + QLatin1Char('\n')).toUtf8());
    for (int k = 0; written && k < result.candidates.size(); ++k) {
        // In the table the text starts two spaces after its row's last cell.
        written = sink.write(lines.at(k + 1).toUtf8()) &&
                  texts.write(result.candidates.at(k).key, !tsv,
                              tsv ? QString() : QStringLiteral("  ")) &&
                  sink.write("\n", 1);
    }
    if (written && !tsv)
        written =
            sink.write((QLatin1Char('\n') + closingParagraph(result, int(line.size()))).toUtf8());
    if (!written || !sink.finish()) {
        printError(sink.failure());
        return exitInputOutputError;
    }
    return exitSuccess;
}

bool decodedOption(const std::optional<QByteArray> &raw, const char *name,
                   std::optional<QString> &value)
{
    if (!raw)
        return true;
    QString decoded;
    const qint64 bad = decodeUtf8(raw->constData(), raw->size(), decoded);
    if (bad >= 0) {
        printError(QStringLiteral("значение %1 — не UTF-8: байт 0x%2 со смещением %3 "
                                  "не начинает допустимую последовательность UTF-8")
                       .arg(QString::fromLatin1(name))
                       .arg(uchar(raw->at(int(bad))), 2, 16, QLatin1Char('0'))
                       .arg(bad));
        return false;
    }
    value = decoded;
    return true;
}

} // namespace

int runAttack(const Options &options)
{
    QString line;
    const bool read = options.lastLineOnly
                          ? readLastInputLine(options.inputPath, options.encoding, line)
                          : readFirstInputLine(options.inputPath, options.encoding, line);
    if (!read)
        return exitInputOutputError;
    analysis::AttackSettings settings;
    settings.top = options.top;
    settings.candidateTexts = false; // written as they are made, a piece at a time
    if (!decodedOption(options.known, "--known", settings.known) ||
        !decodedOption(options.crib, "--crib", settings.crib))
        return exitInputOutputError;
    if (settings.crib && settings.crib->isEmpty()) {
        printError(QStringLiteral("значение --crib пусто: искать нечего"));
        return exitUsageError;
    }
    const analysis::AttackResult result = analysis::attackLine(line, settings);
    if (result.problem != analysis::AttackProblem::None) {
        QString problem =
            analysis::attackProblemText(result.problem, settings.known, settings.crib);
        if (result.problem == analysis::AttackProblem::EmptyLine)
            problem.prepend(options.lastLineOnly ? QStringLiteral("последняя ")
                                                 : QStringLiteral("первая "));
        printError(problem);
        return result.problem == analysis::AttackProblem::NotFound ? exitKeyNotFound
                                                                   : exitInputOutputError;
    }
    if (result.shortLine && options.format == ReportFormat::Tsv)
        printWarning(shortLineWarning());

    return writeAttackReport(result, line, options.format == ReportFormat::Tsv,
                             settings.crib.has_value());
}

} // namespace cli
