// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "texttable.h"

#include <QtGlobal>

namespace cli {

QString alignedTable(const QVector<QStringList> &rows, const QVector<int> &leftColumns)
{
    QVector<int> widths;
    for (const QStringList &cells : rows) {
        widths.resize(qMax(int(widths.size()), int(cells.size())));
        for (int i = 0; i < cells.size(); ++i)
            widths[i] = qMax(widths[i], int(cells.at(i).size()));
    }
    QString text;
    for (const QStringList &cells : rows) {
        QStringList padded;
        for (int i = 0; i < cells.size(); ++i) {
            padded << (leftColumns.contains(i) ? cells.at(i).leftJustified(widths[i])
                                               : cells.at(i).rightJustified(widths[i]));
        }
        QString line = padded.join(QStringLiteral("  "));
        while (line.endsWith(QLatin1Char(' ')))
            line.chop(1);
        text += line + QLatin1Char('\n');
    }
    return text;
}

namespace {

// Readers that split lines on any Unicode line break, or drop control characters, would
// break a row at these or lose them.
bool breaksRows(QChar ch)
{
    switch (ch.unicode()) {
    case 0x7F:
    case 0x85:
    case QChar::LineSeparator:
    case QChar::ParagraphSeparator:
        return true;
    default:
        return ch.unicode() < 0x20;
    }
}

} // namespace

QString escapedCell(const QString &text)
{
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar ch : text) {
        switch (ch.unicode()) {
        case u'\t':
            escaped += QStringLiteral("\\t");
            break;
        case u'\\':
            escaped += QStringLiteral("\\\\");
            break;
        case u'\r':
            escaped += QStringLiteral("\\r");
            break;
        case u'\n':
            escaped += QStringLiteral("\\n");
            break;
        default:
            if (breaksRows(ch))
                escaped += QStringLiteral("\\u%1").arg(ch.unicode(), 4, 16, QLatin1Char('0'));
            else
                escaped += ch;
        }
    }
    return escaped;
}

} // namespace cli
