// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#ifndef GAMMACRYPT_CLI_MESSAGES_H
#define GAMMACRYPT_CLI_MESSAGES_H

#include <QString>

namespace cli {

// The tool's exit statuses.
enum ExitStatus : int {
    exitSuccess = 0,
    exitInputOutputError = 1,
    exitUsageError = 2,
    exitKeyNotFound = 3, // attack: no key found, and none proven absent either
};

// Messages go to standard error in UTF-8 whatever the locale says, one line each, prefixed
// with the program's name so that they stand out in a pipeline's combined output.
void printError(const QString &message);
void printWarning(const QString &message);

// A usage error also tells where the help is.
void printUsageError(const QString &message);

// Said when memory ran out; allocates nothing itself.
void printOutOfMemory();

// A name or value set in guillemets, as in the window's messages.
QString quoted(const QString &text);

} // namespace cli

#endif // GAMMACRYPT_CLI_MESSAGES_H
