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

QString scoreText(double score)
{
    return QString::number(score, 'f', 1);
}

QString tsvReport(const analysis::AttackResult &result)
{
    QString text = QStringLiteral("rank\tscore\tA\tC\tT0\ttext\n");
    int rank = 0;
    for (const analysis::Candidate &candidate : result.candidates) {
        text += QStringList{QString::number(++rank),           scoreText(candidate.score),
                            QString::number(candidate.key.a),  QString::number(candidate.key.c),
                            QString::number(candidate.key.t0), escapedCell(candidate.text)}
                    .join(QLatin1Char('\t')) +
                QLatin1Char('\n');
    }
    return text;
}

QString decimal(double value, int digits)
{
    return QLocale(QLocale::Russian).toString(value, 'f', digits);
}

// What a person should take away: how much was searched, and why 2^96 keys are no defence.
QString closingParagraph(const analysis::AttackResult &result, int lineLength)
{
    const double keystreams = analysis::keystreamCountLog2(lineLength);
    return QStringLiteral(
               "Рассмотрено классов ключей: %1 — все сочетания остатков A, C и T0 от деления на "
               "32; в %2 из них перебраны знаки значений датчика (оценено вариантов гаммы: %3). "
               "Затрачено %4 с.\n"
               "Номинально ключей 2^96 (три 32-битных числа), но над строкой из %5 символов "
               "датчик даёт не больше 2^%6 различных гамм. Это верхняя оценка: 32^3 классов "
               "остатков, три случая для T0 (в 0..31; вне, и T(1) ≥ 0; вне, и T(1) < 0) и "
               "знаки A·t + C для t от −31 до 31, какие вообще дают 32-битные A и C, — но не "
               "больше 2^%5 на класс. Всё остальное в ключе на шифр не влияет, поэтому "
               "перебрать приходится гаммы, а не ключи.\n")
        .arg(result.residueClasses)
        .arg(result.classesInDepth)
        .arg(result.patternsScored)
        .arg(decimal(result.elapsedMs / 1000.0, 2))
        .arg(lineLength)
        .arg(decimal(keystreams, 1));
}

QString tableReport(const analysis::AttackResult &result, int lineLength)
{
    QVector<QStringList> rows;
    rows.append({QStringLiteral("место"), QStringLiteral("оценка"), QStringLiteral("A"),
                 QStringLiteral("C"), QStringLiteral("T0"), QStringLiteral("текст")});
    int rank = 0;
    for (const analysis::Candidate &candidate : result.candidates) {
        rows.append({QString::number(++rank), scoreText(candidate.score),
                     QString::number(candidate.key.a), QString::number(candidate.key.c),
                     QString::number(candidate.key.t0), escapedCell(candidate.text)});
    }
    return alignedTable(rows, {5}) + QLatin1Char('\n') + closingParagraph(result, lineLength);
}

} // namespace

int runAttack(const Options &options)
{
    QString line;
    if (!readFirstInputLine(options.inputPath, options.encoding, line))
        return exitInputOutputError;
    analysis::AttackSettings settings;
    settings.top = options.top;
    if (options.known) {
        QString known;
        const qint64 bad = decodeUtf8(options.known->constData(), options.known->size(), known);
        if (bad >= 0) {
            printError(QStringLiteral("значение --known — не UTF-8: байт 0x%1 со смещением %2 "
                                      "не начинает допустимую последовательность UTF-8")
                           .arg(uchar(options.known->at(int(bad))), 2, 16, QLatin1Char('0'))
                           .arg(bad));
            return exitInputOutputError;
        }
        settings.known = known;
    }
    const analysis::AttackResult result = analysis::attackLine(line, settings);
    if (result.problem == analysis::AttackProblem::EmptyLine) {
        printError(QStringLiteral("первая строка шифртекста пуста: подбирать ключ не к чему"));
        return exitInputOutputError;
    }
    if (result.problem == analysis::AttackProblem::NoAlphabetCharacter) {
        printError(QStringLiteral("в первой строке нет ни одного символа алфавита (пробел и "
                                  "русские буквы без Ё и Й): шифр её не менял, ключ по ней не "
                                  "подобрать"));
        return exitInputOutputError;
    }
    if (result.candidates.isEmpty()) {
        printError(options.known
                       ? QStringLiteral("ни один ключ не даёт текст, который начинается с %1")
                             .arg(quoted(*settings.known))
                       : QStringLiteral("не найден ни один ключ"));
        return exitInputOutputError;
    }

    const QString report = options.format == ReportFormat::Tsv
                               ? tsvReport(result)
                               : tableReport(result, int(line.size()));
    return writeReport(report.toUtf8());
}

} // namespace cli
