// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

// lab_bench: how the real gammacrypt-lab window keeps up, driven offscreen.
//
//   lab_bench [--runs N]
//
// - While an attack on a 100-character line runs, a key press is posted to the window every
//   10 ms and a repaint of a field asked for; the delay until each arrives is the window's
//   answer time (median and worst per attack).
// - «Гамма» filling a 10,000-character line: the line typed into «Строка» (every page follows
//   it) and the page alone, each until the table has repainted.
// - The charts after a key change: the key field changed until the chart has repainted, on
//   «Частоты» and on «Ключ» under the 100-character line, and on «Частоты» under the long one.
// Figures are medians over the runs; the machine's other load shows in them.

#include "gamma.h"
#include "gammapage.h"
#include "labwindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// Written for the benchmark: a hundred characters of ordinary Russian.
const QString sampleLine = QStringLiteral("ПОЕЗД ПРИШЁЛ НА СТАНЦИЮ ПОЗДНО ВЕЧЕРОМ И МЫ ДОЛГО "
                                          "ШЛИ ПО ТЁМНОЙ ДОРОГЕ К ДОМУ ГДЕ НАС ЖДАЛИ");

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double worst(const std::vector<double> &values)
{
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

template <typename T> T *child(QWidget *window, const char *name)
{
    T *found = window->findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("no child %s", name);
    return found;
}

// Records when posted events reach their widget.
class Arrivals : public QObject
{
public:
    QElapsedTimer clock;
    qint64 postedAt = -1;
    std::vector<double> delays;

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if ((event->type() == QEvent::KeyPress || event->type() == QEvent::Paint) &&
            postedAt >= 0) {
            delays.push_back((clock.nsecsElapsed() - postedAt) / 1e6);
            postedAt = -1;
        }
        return QObject::eventFilter(watched, event);
    }
};

struct AttackFigures
{
    std::vector<double> medians;
    std::vector<double> worsts;
    std::vector<double> durations;
};

void measureAttack(LabWindow &window, AttackFigures &figures)
{
    auto *crib = child<QLineEdit>(&window, "cribField");
    auto *attack = child<QPushButton>(&window, "attackButton");
    Arrivals arrivals;
    crib->installEventFilter(&arrivals);
    arrivals.clock.start();
    QTimer poke;
    bool keyNext = true;
    QObject::connect(&poke, &QTimer::timeout, [&] {
        if (arrivals.postedAt >= 0)
            return; // the last one has not arrived: that delay is still counting
        arrivals.postedAt = arrivals.clock.nsecsElapsed();
        if (keyNext) {
            // Shift alone changes nothing in the field, so the attack's settings stay put.
            QApplication::postEvent(crib,
                                    new QKeyEvent(QEvent::KeyPress, Qt::Key_Shift, Qt::NoModifier));
        } else {
            crib->update();
        }
        keyNext = !keyNext;
    });
    QEventLoop loop;
    QObject *page = attack->parent();
    QObject::connect(page, SIGNAL(attackEnded()), &loop, SLOT(quit()));
    QElapsedTimer duration;
    duration.start();
    attack->click();
    poke.start(10);
    loop.exec();
    poke.stop();
    figures.durations.push_back(duration.elapsed());
    figures.medians.push_back(median(arrivals.delays));
    figures.worsts.push_back(worst(arrivals.delays));
    crib->removeEventFilter(&arrivals);
}

double timeLineFill(LabWindow &window, const QString &line)
{
    auto *field = child<QLineEdit>(&window, "lineField");
    auto *table = child<QTableView>(&window, "gammaTable");
    field->clear();
    QApplication::processEvents();
    QElapsedTimer timer;
    timer.start();
    field->setText(line);
    table->viewport()->repaint();
    return timer.nsecsElapsed() / 1e6;
}

double timeGammaPage(LabWindow &window, const QString &line, qint32 seed)
{
    auto *page = window.findChild<GammaPage *>();
    auto *table = child<QTableView>(&window, "gammaTable");
    QElapsedTimer timer;
    timer.start();
    page->showLine(line, GammaKey{1103515245, 12345, seed});
    table->viewport()->repaint();
    return timer.nsecsElapsed() / 1e6;
}

double timeKeyChange(LabWindow &window, const char *chartName, qint32 value)
{
    auto *a = child<QSpinBox>(&window, "aField");
    QWidget *chart = child<QWidget>(&window, chartName);
    QElapsedTimer timer;
    timer.start();
    a->setValue(value);
    chart->repaint();
    return timer.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    int runs = 5;
    const QStringList arguments = QApplication::arguments();
    const int runsAt = int(arguments.indexOf(QStringLiteral("--runs")));
    if (runsAt >= 0 && runsAt + 1 < arguments.size())
        runs = std::max(1, arguments.at(runsAt + 1).toInt());

    LabWindow window;
    window.resize(980, 680);
    window.show();
    auto *pages = child<QTabWidget>(&window, "pages");

    AttackFigures attack;
    child<QLineEdit>(&window, "lineField")->setText(gammaTransform(sampleLine, 5, 3, 7));
    pages->setCurrentIndex(3);
    for (int run = 0; run < runs; ++run)
        measureAttack(window, attack);

    QString longLine;
    while (longLine.size() < 10000)
        longLine += sampleLine + QLatin1Char(' ');
    longLine.truncate(10000);
    pages->setCurrentIndex(0);
    std::vector<double> fills;
    std::vector<double> pageFills;
    for (int run = 0; run < runs; ++run) {
        fills.push_back(timeLineFill(window, longLine));
        pageFills.push_back(timeGammaPage(window, longLine, run));
    }

    std::vector<double> frequencyCharts;
    std::vector<double> keyCharts;
    std::vector<double> longFrequencyCharts;
    child<QLineEdit>(&window, "lineField")->setText(sampleLine);
    for (int run = 0; run < 4 * runs; ++run) {
        pages->setCurrentIndex(2);
        frequencyCharts.push_back(timeKeyChange(window, "frequencyChart", 1000 + 2 * run));
        pages->setCurrentIndex(1);
        keyCharts.push_back(timeKeyChange(window, "valueChart", 1001 + 2 * run));
    }
    child<QLineEdit>(&window, "lineField")->setText(longLine);
    pages->setCurrentIndex(2);
    for (int run = 0; run < 4 * runs; ++run)
        longFrequencyCharts.push_back(timeKeyChange(window, "frequencyChart", 3000 + run));

    std::printf("attack on a 100-character line, %d runs: %.0f ms each (median)\n", runs,
                median(attack.durations));
    std::printf("  input and repaint answered during the attack: median %.2f ms, worst %.2f ms "
                "(worst run's median %.2f ms)\n",
                median(attack.medians), worst(attack.worsts), worst(attack.medians));
    std::printf("10,000-character line typed into «Строка», every page refreshed and the "
                "table repainted: %.1f ms (median)\n",
                median(fills));
    std::printf("  «Гамма» alone filled and repainted: %.1f ms (median)\n", median(pageFills));
    std::printf("key changed, «Частоты» chart repainted: %.1f ms (median), %.1f ms worst\n",
                median(frequencyCharts), worst(frequencyCharts));
    std::printf("key changed, «Ключ» chart repainted: %.1f ms (median), %.1f ms worst\n",
                median(keyCharts), worst(keyCharts));
    // The longest line the window takes: once, since it is slow enough to show on its own.
    QString longestLine;
    while (longestLine.size() < LabWindow::longestLine)
        longestLine += sampleLine + QLatin1Char(' ');
    longestLine.truncate(LabWindow::longestLine);
    pages->setCurrentIndex(0);
    const double longestFill = timeLineFill(window, longestLine);
    auto *field = child<QLineEdit>(&window, "lineField");
    QElapsedTimer typing;
    typing.start();
    QTest::keyClick(field, Qt::Key_End);
    QTest::keyClick(field, Qt::Key_A);
    field->repaint();
    const double longestKey = typing.nsecsElapsed() / 1e6;
    std::printf("1,000,000-character line taken into «Строка», every page refreshed: %.0f ms; one "
                "more letter typed at its end: %.0f ms\n",
                longestFill, longestKey);
    std::printf("key changed under the 10,000-character line, «Частоты» chart repainted: %.1f ms "
                "(median), %.1f ms worst\n",
                median(longFrequencyCharts), worst(longFrequencyCharts));
    return 0;
}
