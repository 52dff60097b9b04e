#include "commandline.h"
#include "messages.h"
#include "stdstreams.h"
#include "streamcipher.h"
#include "trace.h"

#include <QCoreApplication>

#include <cerrno>
#include <cstdio>
#include <new>

#include <unistd.h>

namespace {

int runCommand(const QStringList &arguments, const QList<QByteArray> &rawArguments)
{
    const cli::CommandLine commandLine = cli::parseCommandLine(arguments, rawArguments);
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
    if (options.command == cli::Command::Trace)
        return cli::runTrace(options);
    return cli::runCipher(options);
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
        // Taken after QCoreApplication has removed the arguments it handles itself.
        QList<QByteArray> rawArguments;
        for (int i = 0; i < argc; ++i)
            rawArguments.append(QByteArray(argv[i]));
        status = runCommand(QCoreApplication::arguments(), rawArguments);
    } catch (const std::bad_alloc &) {
        cli::printOutOfMemory();
        return cli::exitInputOutputError;
    }
    if (!cli::closeStandardOutput() && status == cli::exitSuccess) {
        cli::printError(
            QStringLiteral("не удалось записать в стандартный вывод (%1)")
                .arg(cli::standardStreamFailure(STDOUT_FILENO, qt_error_string(errno))));
        return cli::exitInputOutputError;
    }
    return status;
}
