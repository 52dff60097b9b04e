// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "gammatablemodel.h"

#include <QBrush>
#include <QColor>
#include <QStringList>

namespace {

QString binary(int code)
{
    return QString::number(code, 2).rightJustified(5, QLatin1Char('0'));
}

// A space would vanish in a cell; the open-box sign shows where it is.
QString visibleCharacter(char32_t character)
{
    if (character == U' ')
        return QStringLiteral("␣");
    return QString::fromUcs4(&character, 1);
}

} // namespace

GammaTableModel::GammaTableModel(QObject *parent) : QAbstractTableModel(parent) {}

void GammaTableModel::setLine(const QString &line, const GammaKey &key)
{
    beginResetModel();
    rows.clear();
    generator = generatorCycle(key);
    const QVector<uint> characters = line.toUcs4();
    rows.reserve(characters.size());
    TraceWalker walker(key);
    for (const uint character : characters)
        rows.append(walker.step(char32_t(character)));
    endResetModel();
}

int GammaTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : rows.size();
}

int GammaTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString GammaTableModel::noteText(const TraceRow &row) const
{
    QStringList notes;
    if (row.position < generator.mu)
        notes << QStringLiteral("предпериод μ");
    else if (row.position == generator.mu)
        notes << QStringLiteral("начало цикла λ = %1").arg(generator.lambda);
    else if (row.position < qint64(generator.mu) + generator.lambda)
        notes << QStringLiteral("цикл λ");
    else
        notes << QStringLiteral("цикл λ, повтор позиции %1")
                     .arg(generator.mu + (row.position - generator.mu) % generator.lambda);
    if (row.code < 0)
        notes << QStringLiteral("вне алфавита: проходит без изменений");
    return notes.join(QStringLiteral("; "));
}

QString GammaTableModel::cellText(const TraceRow &row, int column) const
{
    const bool inAlphabet = row.code >= 0;
    switch (column) {
    case Position:
        return QString::number(row.position);
    case Character:
        return visibleCharacter(row.character);
    case Code:
        return inAlphabet ? QString::number(row.code) : QStringLiteral("—");
    case CodeBinary:
        return inAlphabet ? binary(row.code) : QStringLiteral("—");
    case Value:
        return QString::number(row.value);
    case GammaBinary:
        return binary(row.gamma);
    case ResultCode:
        return inAlphabet ? QString::number(row.resultCode) : QStringLiteral("—");
    case Result:
        return visibleCharacter(row.result);
    case Note:
        return noteText(row);
    default:
        return QString();
    }
}

QVariant GammaTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rows.size())
        return QVariant();
    const TraceRow &row = rows.at(index.row());
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return cellText(row, index.column());
    if (role == Qt::BackgroundRole) {
        if (row.code < 0)
            return QBrush(QColor(0xff, 0xd6, 0xd6)); // a leak: the character is not enciphered
        if (row.position < generator.mu)
            return QBrush(QColor(0xff, 0xf3, 0xc8));
    }
    if (role == Qt::TextAlignmentRole && index.column() != Note)
        return int(Qt::AlignCenter);
    return QVariant();
}

QVariant GammaTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Vertical)
        return QVariant();
    static const QStringList titles = {
        QStringLiteral("i"),         QStringLiteral("Символ"), QStringLiteral("Код"),
        QStringLiteral("Код (2)"),   QStringLiteral("T(i)"),   QStringLiteral("Гамма (2)"),
        QStringLiteral("Код итога"), QStringLiteral("Итог"),   QStringLiteral("Отметка")};
    return titles.value(section);
}
