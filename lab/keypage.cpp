// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "keypage.h"

#include "gamma.h"
#include "keyreport.h"
#include "keysearch.h"

#include <QFormLayout>
#include <QLabel>
#include <QLocale>
#include <QVBoxLayout>

namespace {

QString keyText(const GammaKey &key)
{
    return QStringLiteral("A = %1, C = %2, T0 = %3").arg(key.a).arg(key.c).arg(key.t0);
}

// The values after the seed lie in −31..31; a seed far outside would flatten the plot.
bool seedFitsPlot(qint32 t0)
{
    return t0 >= -32 && t0 <= 32;
}

} // namespace

KeyPage::KeyPage(QWidget *parent)
    : QWidget(parent), chart(new QChart), prePeriod(new QLineSeries), cycleValues(new QLineSeries),
      positionAxis(new QValueAxis), valueAxis(new QValueAxis)
{
    auto *form = new QFormLayout;
    mu = addRow(form, QStringLiteral("Предпериод μ:"), QStringLiteral("muValue"));
    lambda = addRow(form, QStringLiteral("Цикл λ:"), QStringLiteral("lambdaValue"));
    period = addRow(form, QStringLiteral("Период гаммы:"), QStringLiteral("periodValue"));
    zeros = addRow(form, QStringLiteral("Нулей в гамме:"), QStringLiteral("zerosValue"));
    verdict = addRow(form, QStringLiteral("Слабый ключ:"), QStringLiteral("weakVerdict"));
    smallest = addRow(form, QStringLiteral("Наименьший неотрицательный ключ с той же гаммой:"),
                      QStringLiteral("smallestKey"));
    keystreams = addRow(form, QStringLiteral("Различных гамм:"), QStringLiteral("keystreamCount"));

    prePeriod->setName(QStringLiteral("предпериод (до μ)"));
    cycleValues->setName(QStringLiteral("цикл (с μ, два оборота)"));
    prePeriod->setPointsVisible(true);
    cycleValues->setPointsVisible(true);
    chart->addSeries(prePeriod);
    chart->addSeries(cycleValues);
    positionAxis->setTitleText(QStringLiteral("i"));
    positionAxis->setLabelFormat(QStringLiteral("%d"));
    valueAxis->setTitleText(QStringLiteral("T(i)"));
    valueAxis->setLabelFormat(QStringLiteral("%d"));
    chart->addAxis(positionAxis, Qt::AlignBottom);
    chart->addAxis(valueAxis, Qt::AlignLeft);
    for (QLineSeries *series : {prePeriod, cycleValues}) {
        series->attachAxis(positionAxis);
        series->attachAxis(valueAxis);
    }
    chart->setTitle(QStringLiteral("Значения датчика T(i)"));
    chart->legend()->setAlignment(Qt::AlignBottom);

    auto *view = new QChartView(chart, this);
    view->setObjectName(QStringLiteral("valueChart"));
    view->setAccessibleName(QStringLiteral("График T(i)"));
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumHeight(220);

    plotNote = new QLabel(this);
    plotNote->setWordWrap(true);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(view, 1);
    layout->addWidget(plotNote);
}

QLabel *KeyPage::addRow(QFormLayout *form, const QString &title, const QString &name)
{
    auto *value = new QLabel(this);
    value->setObjectName(name);
    value->setWordWrap(true);
    value->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    value->setFocusPolicy(Qt::StrongFocus); // read with the keyboard and a screen reader
    value->setAccessibleName(QString(title).remove(QLatin1Char(':')));
    form->addRow(title, value);
    return value;
}

void KeyPage::showKey(const GammaKey &key, int length)
{
    const analysis::KeyReport report = analysis::analyseKey(key, length);
    const QLocale russian(QLocale::Russian);
    mu->setText(QString::number(report.cycle.mu));
    lambda->setText(QString::number(report.cycle.lambda));
    period->setText(QString::number(report.period));
    zeros->setText(analysis::zeroShareText(report));
    verdict->setText(analysis::weaknessText(report));
    smallest->setText(report.smallest ? keyText(*report.smallest)
                                      : analysis::noSmallestKeyText(report));
    keystreams->setText(
        QStringLiteral("на %1 позициях не больше 2^%2 из 2^96 номинальных ключей: перебирать "
                       "приходится гаммы, а не ключи")
            .arg(length)
            .arg(russian.toString(analysis::keystreamCountLog2(length), 'f', 1)));
    drawValues(key, report.cycle);
}

void KeyPage::drawValues(const GammaKey &key, const GeneratorCycle &cycle)
{
    const int last = cycle.mu + 2 * cycle.lambda;
    QVector<QPointF> before;
    QVector<QPointF> after;
    qint32 value = key.t0;
    const int first = seedFitsPlot(key.t0) ? 0 : 1;
    for (int i = 0; i <= last; ++i) {
        if (i > 0)
            value = nextGammaValue(value, key.a, key.c);
        if (i < first)
            continue;
        if (i <= cycle.mu)
            before.append(QPointF(i, value));
        if (i >= cycle.mu)
            after.append(QPointF(i, value));
    }
    prePeriod->replace(before);
    cycleValues->replace(after);
    positionAxis->setRange(0, qMax(last, 1));
    valueAxis->setRange(-32, 32);
    plotNote->setText(first == 0 ? QString()
                                 : QStringLiteral("T(0) = %1 лежит далеко вне −31..31 и не "
                                                  "нарисовано; график начинается с i = 1.")
                                       .arg(key.t0));
}
