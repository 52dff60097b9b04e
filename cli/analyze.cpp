// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "analyze.h"

#include "keyreport.h"
#include "messages.h"
#include "outputsink.h"
#include "texttable.h"

#include <QLocale>
#include <QStringList>
#include <QVector>

namespace cli {

namespace {

using analysis::KeyReport;

QString keyText(const GammaKey &key)
{
    return QStringLiteral("%1,%2,%3").arg(key.a).arg(key.c).arg(key.t0);
}

QString gammaLine(const QVector<int> &gamma)
{
    QStringList codes;
    for (const int code : gamma)
        codes << QString::number(code);
    return codes.join(QLatin1Char(' '));
}

QString tsvReport(const KeyReport &report)
{
    const QVector<QStringList> rows = {
        {QStringLiteral("key"), keyText(report.key)},
        {QStringLiteral("length"), QString::number(report.gamma.size())},
        {QStringLiteral("mu"), QString::number(report.cycle.mu)},
        {QStringLiteral("lambda"), QString::number(report.cycle.lambda)},
        {QStringLiteral("gamma"), gammaLine(report.gamma)},
        {QStringLiteral("zero_count"), QString::number(report.zeros)},
        {QStringLiteral("zero_share"),
         QString::number(double(report.zeros) / report.gamma.size(), 'f', 4)},
        {QStringLiteral("gamma_period"), QString::number(report.period)},
        {QStringLiteral("weak"), report.weak ? QStringLiteral("yes") : QStringLiteral("no")},
        {QStringLiteral("smallest_key"),
         report.smallest ? keyText(*report.smallest) : QStringLiteral("-")},
    };
    QString text = QStringLiteral("field\tvalue\n");
    for (const QStringList &row : rows)
        text += row.join(QLatin1Char('\t')) + QLatin1Char('\n');
    return text;
}

QString weaknessText(const KeyReport &report)
{
    return report.weak ? QStringLiteral("да: ") + report.weakReason : QStringLiteral("нет");
}

// "на позициях 0–69": a range needs no agreement with its count, as "на этих 21 позициях"
// would.
QString positionsText(int length)
{
    return length == 1 ? QStringLiteral("на позиции 0")
                       : QStringLiteral("на позициях 0–%1").arg(length - 1);
}

QString smallestKeyText(const KeyReport &report)
{
    if (report.smallest)
        return keyText(*report.smallest);
    return QStringLiteral("нет: ни один ключ с неотрицательными A, C и T0 не даёт такую гамму ") +
           positionsText(report.gamma.size());
}

QString tableReport(const KeyReport &report)
{
    const int length = report.gamma.size();
    const QLocale russian(QLocale::Russian);
    const QVector<QStringList> rows = {
        {QStringLiteral("ключ"), keyText(report.key)},
        {QStringLiteral("позиций"), QString::number(length)},
        {QStringLiteral("μ"), QString::number(report.cycle.mu)},
        {QStringLiteral("λ"), QString::number(report.cycle.lambda)},
        {QStringLiteral("гамма"), gammaLine(report.gamma)},
        {QStringLiteral("нулей в гамме"),
         QStringLiteral("%1 из %2 (%3 %)")
             .arg(report.zeros)
             .arg(length)
             .arg(russian.toString(100.0 * report.zeros / length, 'f', 1))},
        {QStringLiteral("период гаммы"), QString::number(report.period)},
        {QStringLiteral("слабый ключ"), weaknessText(report)},
        {QStringLiteral("наименьший неотрицательный ключ с той же гаммой"),
         smallestKeyText(report)},
    };
    return alignedTable(rows, {0, 1}) +
           QStringLiteral("\nЦикл датчика: μ = %1, λ = %2: с позиции μ значения T(i) идут по "
                          "кругу с периодом λ, а с ними и гамма. Ключ с той же гаммой %3 шифрует "
                          "строки такой длины точно так же.\n")
               .arg(report.cycle.mu)
               .arg(report.cycle.lambda)
               .arg(positionsText(length));
}

} // namespace

int runAnalyze(const Options &options)
{
    const KeyReport report = analysis::analyseKey(options.key, options.length);
    const QString text =
        options.format == ReportFormat::Tsv ? tsvReport(report) : tableReport(report);
    return writeReport(text.toUtf8());
}

} // namespace cli
