// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#ifndef GAMMACRYPT_LAB_GAMMAPAGE_H
#define GAMMACRYPT_LAB_GAMMAPAGE_H

#include "gammakey.h"

#include <QWidget>

class GammaTableModel;
class QLabel;
class QLineEdit;
class QTableView;

// «Гамма»: the keystream under the line, position by position, and the transformed line.
class GammaPage : public QWidget
{
    Q_OBJECT

public:
    explicit GammaPage(QWidget *parent = nullptr);

    void showLine(const QString &line, const GammaKey &key);

private:
    void transformLine(const QString &verb);

    GammaTableModel *model = nullptr;
    QTableView *table = nullptr;
    QLabel *summary = nullptr;
    QLabel *resultLabel = nullptr;
    QLineEdit *result = nullptr;
    QString line;
    GammaKey key;
};

#endif // GAMMACRYPT_LAB_GAMMAPAGE_H
