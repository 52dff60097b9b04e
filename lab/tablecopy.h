// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#ifndef GAMMACRYPT_LAB_TABLECOPY_H
#define GAMMACRYPT_LAB_TABLECOPY_H

#include <QString>

class QTableView;

// The selected rows (all rows when none is selected) with the header, tab-separated, one line
// a row: what pastes into a spreadsheet as a table.
QString selectedRowsText(const QTableView *view);

// Gives the view a «Копировать строки» action on Ctrl+C and in its context menu.
void addRowCopying(QTableView *view);

#endif // GAMMACRYPT_LAB_TABLECOPY_H
