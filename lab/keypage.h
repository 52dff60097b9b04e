// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#ifndef GAMMACRYPT_LAB_KEYPAGE_H
#define GAMMACRYPT_LAB_KEYPAGE_H

#include "charts.h"
#include "generatorcycle.h"

#include <QWidget>

class QFormLayout;
class QLabel;

// «Ключ»: the key's cycle, its gamma, whether it is weak, and T(i) drawn over i.
class KeyPage : public QWidget
{
    Q_OBJECT

public:
    explicit KeyPage(QWidget *parent = nullptr);

    // length: the positions the report covers (the line's, within bounds).
    void showKey(const GammaKey &key, int length);

private:
    QLabel *addRow(QFormLayout *form, const QString &title, const QString &name);
    void drawValues(const GammaKey &key, const GeneratorCycle &cycle);

    QLabel *mu = nullptr;
    QLabel *lambda = nullptr;
    QLabel *period = nullptr;
    QLabel *zeros = nullptr;
    QLabel *verdict = nullptr;
    QLabel *smallest = nullptr;
    QLabel *keystreams = nullptr;
    QLabel *plotNote = nullptr;
    QChart *chart = nullptr;
    QLineSeries *prePeriod = nullptr;
    QLineSeries *cycleValues = nullptr;
    QValueAxis *positionAxis = nullptr;
    QValueAxis *valueAxis = nullptr;
};

#endif // GAMMACRYPT_LAB_KEYPAGE_H
