#include "commandline.h"
#include "messages.h"
#include "qttranslation.h"
#include "streamcipher.h"
#include "trace.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("gammacrypt-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(GAMMACRYPT_VERSION));
    installQtTranslation();

    const cli::CommandLine commandLine = cli::parseCommandLine(QCoreApplication::arguments());
    if (!commandLine.options) {
        cli::printUsageError(commandLine.error);
        return cli::exitUsageError;
    }
    const cli::Options &options = *commandLine.options;
    if (options.command == cli::Command::Trace)
        return cli::runTrace(options);
    return cli::runCipher(options);
}
