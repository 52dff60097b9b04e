// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#ifndef GAMMACRYPT_PROCESSRUN_H
#define GAMMACRYPT_PROCESSRUN_H

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

// A program run to its end with the given standard input, as a test sees it from outside.
struct ProcessRun
{
    int exitCode = -1; // -1: did not start, crashed or hung
    QByteArray out;
    QByteArray err;
};

inline ProcessRun runProcess(const QString &program, const QStringList &arguments,
                             const QByteArray &input = {}, int timeoutMs = 60000)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForStarted(30000);
    process.write(input);
    process.closeWriteChannel();
    const bool ended =
        process.waitForFinished(timeoutMs) && process.exitStatus() == QProcess::NormalExit;
    return {ended ? process.exitCode() : -1, process.readAllStandardOutput(),
            process.readAllStandardError()};
}

#endif // GAMMACRYPT_PROCESSRUN_H
