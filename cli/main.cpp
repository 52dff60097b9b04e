#include "analyze.h"
#include "attack.h"
#include "commandline.h"
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
    const cli::Options &options = *commandLine.options;
    if (options.command == cli::Command::Trace)
        return cli::runTrace(options);
    if (options.command == cli::Command::Attack)
        return cli::runAttack(options);
    if (options.command == cli::Command::Analyze)
        return cli::runAnalyze(options);
    return cli::runCipher(options);
}
