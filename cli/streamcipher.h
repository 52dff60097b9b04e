// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#ifndef GAMMACRYPT_CLI_STREAMCIPHER_H
#define GAMMACRYPT_CLI_STREAMCIPHER_H

#include "options.h"

namespace cli {

// Runs encrypt or decrypt: reads, transforms and writes line by line, reports on standard
// error, and returns the exit status.
int runCipher(const Options &options);

} // namespace cli

#endif // GAMMACRYPT_CLI_STREAMCIPHER_H
