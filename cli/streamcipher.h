// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#ifndef GAMMACRYPT_CLI_STREAMCIPHER_H
#define GAMMACRYPT_CLI_STREAMCIPHER_H

#include "commandline.h"

#include <QString>

namespace cli {

// Longer lines are refused: the whole line is held in memory, as text and as its result.
constexpr qint64 longestLine = 64 * 1024 * 1024;

// Runs encrypt or decrypt: reads, transforms and writes line by line, reports on standard
// error, and returns the exit status.
int runCipher(const Options &options);

// Reads the first line of the input (path, or standard input when empty) as encrypt and
// decrypt read their input; an empty input gives an empty line. Reports a failure on
// standard error and returns false.
bool readFirstInputLine(const QString &path, Encoding encoding, QString &line);

// Reads the last line of the input as decrypt --last-line reads it: the window's files keep
// the cipher line last, and a final line end leaves an empty last line.
bool readLastInputLine(const QString &path, Encoding encoding, QString &line);

} // namespace cli

#endif // GAMMACRYPT_CLI_STREAMCIPHER_H
