// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#ifndef GAMMACRYPT_CLI_TEXTTABLE_H
#define GAMMACRYPT_CLI_TEXTTABLE_H

#include <QString>
#include <QStringList>
#include <QVector>

namespace cli {

// Rows of cells aligned in columns two spaces apart, one line each: the columns named in
// leftColumns are padded on the right (text), the others on the left (numbers).
QString alignedTable(const QVector<QStringList> &rows, const QVector<int> &leftColumns);

// A text written in one tab-separated cell: tab, backslash, CR and LF as \t, \\, \r, \n.
QString escapedCell(const QString &text);

} // namespace cli

#endif // GAMMACRYPT_CLI_TEXTTABLE_H
