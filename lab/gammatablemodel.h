// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#ifndef GAMMACRYPT_LAB_GAMMATABLEMODEL_H
#define GAMMACRYPT_LAB_GAMMATABLEMODEL_H

#include "gammatrace.h"
#include "generatorcycle.h"

#include <QAbstractTableModel>
#include <QString>
#include <QVector>

// The keystream under the line, one row per character: what the «Гамма» page shows.
class GammaTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column {
        Position,
        Character,
        Code,
        CodeBinary,
        Value,
        GammaBinary,
        ResultCode,
        Result,
        Note,
        ColumnCount
    };

    explicit GammaTableModel(QObject *parent = nullptr);

    void setLine(const QString &line, const GammaKey &key);
    const QVector<TraceRow> &traceRows() const { return rows; }
    const GeneratorCycle &cycle() const { return generator; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QString cellText(const TraceRow &row, int column) const;
    QString noteText(const TraceRow &row) const;

    QVector<TraceRow> rows;
    GeneratorCycle generator;
};

#endif // GAMMACRYPT_LAB_GAMMATABLEMODEL_H
