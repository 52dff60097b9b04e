// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "attack.h"

#include "input.h"
#include "keysearch.h"
#include "messages.h"
#include "outputsink.h"
#include "texttable.h"
#include "utf8.h"

#include <QLocale>
#include <QStringList>
#include <QVector>

namespace cli {

namespace {

QString shortLineWarning()
{
    return QStringLiteral("Внимание: в строке мало букв, и ей подходит много разных текстов "
                          "почти одинаково — первый вариант лишь догадка. Если знаете слово "
                          "из текста (имя, дату, термин), укажите его: --crib \"слово\".");
}

QString scoreText(double score)
{
    return QString::number(score, 'f', 1);
}

QString confidenceText(double confidence)
{
    return QString::number(confidence, 'f', 3);
}

QString percentText(double confidence)
{
    return QLocale(QLocale::Russian).toString(confidence * 100, 'f', 0) + QLatin1Char('%');
}

QString tsvReport(const analysis::AttackResult &result, bool withCrib)
{
    QStringList header{QStringLiteral("rank"),       QStringLiteral("score"),
                       QStringLiteral("confidence"), QStringLiteral("A"),
                       QStringLiteral("C"),          QStringLiteral("T0")};
    if (withCrib)
        header << QStringLiteral("crib_position");
    header << QStringLiteral("text");
    QString text = header.join(QLatin1Char('\t')) + QLatin1Char('\n');
    int rank = 0;
    for (const analysis::Candidate &candidate : result.candidates) {
        QStringList row{QString::number(++rank),
                        scoreText(candidate.score),
                        confidenceText(candidate.confidence),
                        QString::number(candidate.key.a),
                        QString::number(candidate.key.c),
                        QString::number(candidate.key.t0)};
        if (withCrib)
            row << QString::number(candidate.cribPosition + 1);
        row << escapedCell(candidate.text);
        text += row.join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    return text;
}

QString decimal(double value, int digits)
{
    return QLocale(QLocale::Russian).toString(value, 'f', digits);
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
    if (!result.exhaustive)
        text += QStringLiteral(
            "Поиск остановлен досрочно: он проверил каждый класс остатков, но не каждую "
            "расстановку знаков, которая могла бы дать вариант лучше первого, — доказано "
            "только, что первый вариант лучший из найденных.\n");
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

// A cell's text without its trailing spaces: a line of one space shows nothing.
QString trimmedRight(const QString &text)
{
    int end = text.size();
    while (end > 0 && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.left(end);
}

QString tableReport(const analysis::AttackResult &result, int lineLength, bool withCrib)
{
    QVector<QStringList> rows;
    QStringList header{QStringLiteral("место"),       QStringLiteral("оценка"),
                       QStringLiteral("уверенность"), QStringLiteral("A"),
                       QStringLiteral("C"),           QStringLiteral("T0")};
    if (withCrib)
        header << QStringLiteral("фрагмент с позиции");
    header << QStringLiteral("текст");
    rows.append(header);
    int rank = 0;
    for (const analysis::Candidate &candidate : result.candidates) {
        QStringList row{QString::number(++rank),           scoreText(candidate.score),
                        percentText(candidate.confidence), QString::number(candidate.key.a),
                        QString::number(candidate.key.c),  QString::number(candidate.key.t0)};
        if (withCrib)
            row << QString::number(candidate.cribPosition + 1);
        row << escapedCell(trimmedRight(candidate.text));
        rows.append(row);
    }
    return alignedTable(rows, {int(header.size()) - 1}) + QLatin1Char('\n') +
           closingParagraph(result, lineLength);
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
    if (!decodedOption(options.known, "--known", settings.known) ||
        !decodedOption(options.crib, "--crib", settings.crib))
        return exitInputOutputError;
    if (settings.crib && settings.crib->isEmpty()) {
        printError(QStringLiteral("значение --crib пусто: искать нечего"));
        return exitUsageError;
    }
    const QString which =
        options.lastLineOnly ? QStringLiteral("последняя") : QStringLiteral("первая");
    const analysis::AttackResult result = analysis::attackLine(line, settings);
    switch (result.problem) {
    case analysis::AttackProblem::None:
        break;
    case analysis::AttackProblem::EmptyLine:
        printError(
            QStringLiteral("%1 строка шифртекста пуста: подбирать ключ не к чему").arg(which));
        return exitInputOutputError;
    case analysis::AttackProblem::NoAlphabetCharacter:
        printError(QStringLiteral("в строке шифртекста нет ни одного символа алфавита (пробел и "
                                  "русские буквы без Ё и Й): шифр её не менял, ключ по ней не "
                                  "подобрать"));
        return exitInputOutputError;
    case analysis::AttackProblem::KnownContradicts:
        printError(QStringLiteral("ни один ключ не даёт текст, который начинается с %1")
                       .arg(quoted(*settings.known)));
        return exitInputOutputError;
    case analysis::AttackProblem::CribAbsent:
        printError(settings.known
                       ? QStringLiteral("ни один ключ не даёт текст, который начинается с %1 и "
                                        "содержит %2")
                             .arg(quoted(*settings.known), quoted(*settings.crib))
                       : QStringLiteral("ни один ключ не даёт текст, который содержит %1")
                             .arg(quoted(*settings.crib)));
        return exitInputOutputError;
    case analysis::AttackProblem::NotFound:
        printError(QStringLiteral("подходящий ключ не найден, но и не доказано, что его нет: "
                                  "поиск остановился на своих пределах"));
        return exitKeyNotFound;
    }
    if (result.shortLine && options.format == ReportFormat::Tsv)
        printWarning(shortLineWarning());

    const bool withCrib = settings.crib.has_value();
    const QString report = options.format == ReportFormat::Tsv
                               ? tsvReport(result, withCrib)
                               : tableReport(result, int(line.size()), withCrib);
    return writeReport(report.toUtf8());
}

} // namespace cli
