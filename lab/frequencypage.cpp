// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "frequencypage.h"

#include "alphabet.h"
#include "gamma.h"
#include "languagemodel.h"

#include <QLabel>
#include <QStringList>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QStringList symbolCategories()
{
    QStringList categories{QStringLiteral("␣")};
    for (int code = 1; code < alphabetSize; ++code)
        categories << QString(QChar(letterUnit(code)));
    return categories;
}

void fillSet(QBarSet *set, const QVector<double> &values)
{
    QList<qreal> list;
    for (const double value : values)
        list << value;
    set->remove(0, set->count());
    set->append(list);
}

double largest(const QVector<double> &values)
{
    return values.isEmpty() ? 0.0 : *std::max_element(values.cbegin(), values.cend());
}

// The share, in per cent, of each alphabet code among the alphabet characters of a line; all
// zero for a line without any.
QVector<double> symbolPercentages(const QString &line)
{
    QVector<double> counts(alphabetSize, 0.0);
    const UnitCodeTable &codes = unitCodeTable();
    int total = 0;
    for (const QChar unit : line) {
        const quint8 code = codes[unit.unicode()];
        if (code == noCode)
            continue;
        counts[code] += 1;
        ++total;
    }
    if (total > 0) {
        for (double &count : counts)
            count = 100.0 * count / total;
    }
    return counts;
}

} // namespace

FrequencyPage::FrequencyPage(QWidget *parent)
    : QWidget(parent), chart(new QChart), plain(new QBarSet(QStringLiteral("строка"))),
      cipher(new QBarSet(QStringLiteral("строка под ключом"))),
      russian(new QBarSet(QStringLiteral("русский язык (модель)"))), shareAxis(new QValueAxis),
      note(new QLabel(this))
{
    QVector<double> model(alphabetSize);
    for (int code = 0; code < alphabetSize; ++code)
        model[code] = 100.0 * analysis::modelSymbolShare(code);
    fillSet(russian, model);

    auto *series = new QBarSeries;
    series->append(plain);
    series->append(cipher);
    series->append(russian);
    chart->addSeries(series);
    auto *symbolAxis = new QBarCategoryAxis;
    symbolAxis->append(symbolCategories());
    chart->addAxis(symbolAxis, Qt::AlignBottom);
    series->attachAxis(symbolAxis);
    shareAxis->setTitleText(QStringLiteral("доля, %"));
    shareAxis->setLabelFormat(QStringLiteral("%.0f"));
    chart->addAxis(shareAxis, Qt::AlignLeft);
    series->attachAxis(shareAxis);
    chart->setTitle(QStringLiteral("Частоты символов алфавита"));
    chart->legend()->setAlignment(Qt::AlignBottom);

    auto *view = new QChartView(chart, this);
    view->setObjectName(QStringLiteral("frequencyChart"));
    view->setAccessibleName(QStringLiteral("Частоты символов"));
    view->setMinimumHeight(260);

    note->setWordWrap(true);
    note->setText(QStringLiteral(
        "Гамма выравнивает частоты: под хорошим ключом столбцы шифртекста почти одинаковы. "
        "Под слабым ключом распределение открытого текста проступает, а где гамма равна 0, "
        "символ остаётся самим собой."));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(view, 1);
    layout->addWidget(note);
}

void FrequencyPage::showLine(const QString &line, const GammaKey &key)
{
    const QVector<double> plainShares = symbolPercentages(line);
    const QVector<double> cipherShares =
        symbolPercentages(gammaTransform(line, key.a, key.c, key.t0));
    fillSet(plain, plainShares);
    fillSet(cipher, cipherShares);
    const double top = std::max(
        {largest(plainShares), largest(cipherShares), 100.0 * analysis::modelSymbolShare(0)});
    shareAxis->setRange(0, std::max(5.0, top * 1.05));
    shareAxis->applyNiceNumbers();
}
