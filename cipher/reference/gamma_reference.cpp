// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "gamma_reference.h"

#include <QVector>

namespace reference {

std::optional<int> lookupCode(const AlphabetTable &table, QChar ch)
{
    const QString upper(ch.toUpper());
    for (const AlphabetEntry &row : table) {
        if (row.letter.size() == 1 && row.letter == upper)
            return row.code;
    }
    return std::nullopt;
}

std::optional<QString> lookupLetter(const AlphabetTable &table, int code)
{
    for (const AlphabetEntry &row : table) {
        if (row.code == code)
            return row.letter;
    }
    return std::nullopt;
}

qint32 generatorStep(qint32 previous, qint32 a, qint32 c)
{
    const qint64 exact = qint64(a) * qint64(previous) + qint64(c);
    qint64 low = exact & 0xFFFFFFFFLL;
    if (low >= 0x80000000LL)
        low -= 0x100000000LL;
    const qint64 quotient = low / 32; // rounds toward zero
    return qint32(low - quotient * 32);
}

namespace {

int code(qint32 t)
{
    return (t >= 0 && t <= 31) ? int(t) : 0;
}

} // namespace

QString gammaTransform(const AlphabetTable &table, const QString &source, qint32 A, qint32 C,
                       qint32 T0)
{
    const int n = source.size();
    if (n == 0)
        return QString();

    QVector<qint32> values(n);
    values[0] = T0;
    for (int i = 1; i < n; ++i)
        values[i] = generatorStep(values[i - 1], A, C);

    QString result;
    for (int j = 0; j < n; ++j) {
        const std::optional<int> s = lookupCode(table, source.at(j));
        if (s)
            result += *lookupLetter(table, *s ^ code(values[j]));
        else
            result += source.at(j);
    }
    return result;
}

QString upperCaseAlphabetCharacters(const AlphabetTable &table, const QString &source)
{
    QString result;
    for (const QChar ch : source) {
        const std::optional<int> s = lookupCode(table, ch);
        result += s ? *lookupLetter(table, *s) : QString(ch);
    }
    return result;
}

} // namespace reference
