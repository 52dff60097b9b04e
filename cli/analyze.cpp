// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "analyze.h"

#include "keyreport.h"
#include "messages.h"
#include "outputsink.h"
#include "texttable.h"

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

QString smallestKeyText(const KeyReport &report)
{
    return report.smallest ? keyText(*report.smallest) : analysis::noSmallestKeyText(report);
}

QString tableReport(const KeyReport &report)
{
    const int length = report.gamma.size();
    const QVector<QStringList> rows = {
        {QStringLiteral("ключ"), keyText(report.key)},
        {QStringLiteral("позиций"), QString::number(length)},
        {QStringLiteral("μ"), QString::number(report.cycle.mu)},
        {QStringLiteral("λ"), QString::number(report.cycle.lambda)},
        {QStringLiteral("гамма"), gammaLine(report.gamma)},
        {QStringLiteral("нулей в гамме"), analysis::zeroShareText(report)},
        {QStringLiteral("период гаммы"), QString::number(report.period)},
        {QStringLiteral("слабый ключ"), analysis::weaknessText(report)},
        {QStringLiteral("наименьший неотрицательный ключ с той же гаммой"),
         smallestKeyText(report)},
    };
    return alignedTable(rows, {0, 1}) +
           QStringLiteral("\nЦикл датчика: μ = %1, λ = %2: с позиции μ значения T(i) идут по "
                          "кругу с периодом λ, а с ними и гамма. Ключ с той же гаммой %3 шифрует "
                          "строки такой длины точно так же.\n")
               .arg(report.cycle.mu)
               .arg(report.cycle.lambda)
               .arg(analysis::positionsText(length));
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
