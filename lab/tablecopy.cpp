// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "tablecopy.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QStringList>
#include <QTableView>

#include <algorithm>

namespace {

QString rowText(const QAbstractItemModel *model, int row)
{
    QStringList cells;
    for (int column = 0; column < model->columnCount(); ++column)
        cells << model->index(row, column).data().toString();
    return cells.join(QLatin1Char('\t'));
}

QString headerText(const QAbstractItemModel *model)
{
    QStringList cells;
    for (int column = 0; column < model->columnCount(); ++column)
        cells << model->headerData(column, Qt::Horizontal).toString();
    return cells.join(QLatin1Char('\t'));
}

void copyRows(const QTableView *view)
{
    QApplication::clipboard()->setText(selectedRowsText(view));
}

// A table view answers Ctrl+C itself, with the current cell alone, before any shortcut sees
// the keys; this takes the keys first.
class CopyKeyFilter : public QObject
{
public:
    explicit CopyKeyFilter(QTableView *view) : QObject(view), view(view) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent *>(event)->matches(QKeySequence::Copy)) {
            copyRows(view);
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QTableView *view;
};

} // namespace

QString selectedRowsText(const QTableView *view)
{
    const QAbstractItemModel *model = view->model();
    QVector<int> rows;
    if (view->selectionModel()) {
        for (const QModelIndex &index : view->selectionModel()->selectedIndexes())
            rows.append(index.row());
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    if (rows.isEmpty()) {
        for (int row = 0; row < model->rowCount(); ++row)
            rows.append(row);
    }
    QStringList lines{headerText(model)};
    for (const int row : rows)
        lines << rowText(model, row);
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

void addRowCopying(QTableView *view)
{
    auto *copy = new QAction(QStringLiteral("Копировать строки"), view);
    copy->setShortcut(QKeySequence::Copy); // shown in the menu; the filter takes the keys
    copy->setShortcutContext(Qt::WidgetShortcut);
    QObject::connect(copy, &QAction::triggered, view, [view] { copyRows(view); });
    view->addAction(copy);
    view->setContextMenuPolicy(Qt::ActionsContextMenu);
    view->installEventFilter(new CopyKeyFilter(view));
}
