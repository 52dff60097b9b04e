// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#ifndef GAMMACRYPT_LAB_CHARTS_H
#define GAMMACRYPT_LAB_CHARTS_H

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QLineSeries>
#include <QValueAxis>

// Qt 5 keeps the chart classes in the QtCharts namespace; Qt 6 has them in the global one.
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
QT_CHARTS_USE_NAMESPACE
#endif

#endif // GAMMACRYPT_LAB_CHARTS_H
