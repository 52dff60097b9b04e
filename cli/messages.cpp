// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "messages.h"

#include <QByteArray>

#include <cstdio>

namespace cli {

namespace {

void printLine(const QString &text)
{
    const QByteArray bytes = QStringLiteral("gammacrypt-cli: %1\n").arg(text).toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

} // namespace

void printError(const QString &message)
{
    printLine(QStringLiteral("ошибка: %1").arg(message));
}

void printWarning(const QString &message)
{
    printLine(QStringLiteral("предупреждение: %1").arg(message));
}

void printUsageError(const QString &message)
{
    printLine(QStringLiteral("ошибка: %1\nПодробнее: gammacrypt-cli --help").arg(message));
}

void printOutOfMemory()
{
    std::fputs("gammacrypt-cli: ошибка: не хватило памяти; работа прервана\n", stderr);
    std::fflush(stderr);
}

QString quoted(const QString &text)
{
    return QStringLiteral("«%1»").arg(text);
}

} // namespace cli
