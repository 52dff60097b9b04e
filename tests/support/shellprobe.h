// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#ifndef GAMMACRYPT_SHELLPROBE_H
#define GAMMACRYPT_SHELLPROBE_H

#include <QByteArray>
#include <QProcess>
#include <QString>

// Setting up and reading back what the file tests keep: a line of shell, and a file's ACL as
// getfacl prints it (empty when getfacl cannot run).
inline bool runShell(const QString &line)
{
    return QProcess::execute(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), line}) == 0;
}

inline QByteArray aclOf(const QString &path)
{
    QProcess getfacl;
    getfacl.start(QStringLiteral("getfacl"), {QStringLiteral("-cp"), path});
    return getfacl.waitForFinished() ? getfacl.readAllStandardOutput() : QByteArray();
}

#endif // GAMMACRYPT_SHELLPROBE_H
