#include "commandline.h"
#include "filenames.h"
#include "messages.h"
#include "streamcipher.h"
#include "trace.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("gammacrypt-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(GAMMACRYPT_VERSION));

    const cli::CommandLine commandLine = cli::parseCommandLine(QCoreApplication::arguments());
    if (!commandLine.options) {
        cli::printUsageError(commandLine.error);
        return cli::exitUsageError;
    }
    cli::Options options = *commandLine.options;
    // File names as the bytes given: decoded text may have lost some of them, and would
    // then name another file. The rest of the arguments stay as they were decoded.
    const cli::CommandLine exact =
        cli::parseCommandLine(documentio::argumentsKeepingBytes(argc, argv));
    if (exact.options) {
        options.inputPath = exact.options->inputPath;
        options.outputPath = exact.options->outputPath;
    }
    if (options.command == cli::Command::Trace)
        return cli::runTrace(options);
    return cli::runCipher(options);
}
