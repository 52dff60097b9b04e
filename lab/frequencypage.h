// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#ifndef GAMMACRYPT_LAB_FREQUENCYPAGE_H
#define GAMMACRYPT_LAB_FREQUENCYPAGE_H

#include "charts.h"
#include "gammakey.h"

#include <QVector>
#include <QWidget>

class QLabel;

// «Частоты»: the symbols' shares in the line, in the line under the key, and in Russian.
class FrequencyPage : public QWidget
{
    Q_OBJECT

public:
    explicit FrequencyPage(QWidget *parent = nullptr);

    void showLine(const QString &line, const GammaKey &key);

private:
    QChart *chart = nullptr;
    QBarSet *plain = nullptr;
    QBarSet *cipher = nullptr;
    QBarSet *russian = nullptr;
    QValueAxis *shareAxis = nullptr;
    QLabel *note = nullptr;
};

#endif // GAMMACRYPT_LAB_FREQUENCYPAGE_H
