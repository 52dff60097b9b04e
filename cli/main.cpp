// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "commandline.h"
#include "fileaccess.h"
#include "filenames.h"
#include "messages.h"
#include "qttranslation.h"
#include "stdstreams.h"

#include <QCoreApplication>

#include <cerrno>
#include <cstdio>
#include <new>

#include <unistd.h>

namespace {

// argc and argv as QCoreApplication has left them, without the arguments it handles itself.
int runCommand(int argc, char *argv[])
{
    QList<QByteArray> arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QByteArray(argv[i]));
    const cli::CommandLine commandLine = cli::parseCommandLine(arguments);
    if (!commandLine.reply.isEmpty()) {
        const QByteArray reply = commandLine.reply.toUtf8();
        std::fwrite(reply.constData(), 1, size_t(reply.size()), stdout);
        return cli::exitSuccess; // whether it was written, closeStandardOutput() tells
    }
    if (!commandLine.options) {
        cli::printUsageError(commandLine.error);
        return cli::exitUsageError;
    }
    const cli::Options &options = *commandLine.options;
    return cli::commandSpec(options.command).run(options);
}

} // namespace

int main(int argc, char *argv[])
{
    if (!cli::occupyClosedStandardDescriptors())
        return cli::exitInputOutputError;
    int status = cli::exitInputOutputError;
    try {
        QCoreApplication application(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("gammacrypt-cli"));
        QCoreApplication::setApplicationVersion(QStringLiteral(GAMMACRYPT_VERSION));
        installQtTranslation();
        documentio::removeTemporaryFilesOnSignals();
        status = runCommand(argc, argv);
    } catch (const std::bad_alloc &) {
        cli::printOutOfMemory();
        return cli::exitInputOutputError;
    }
    if (!cli::closeStandardOutput() && status == cli::exitSuccess) {
        cli::printError(QStringLiteral("не удалось записать в стандартный вывод: %1")
                            .arg(cli::standardStreamFailure(STDOUT_FILENO, errno)));
        return cli::exitInputOutputError;
    }
    return status;
}
