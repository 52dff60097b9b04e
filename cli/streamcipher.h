#ifndef GAMMACRYPT_CLI_STREAMCIPHER_H
#define GAMMACRYPT_CLI_STREAMCIPHER_H

#include "commandline.h"

#include <QString>

namespace cli {

// Longer lines are refused: the whole line is held in memory, as text and as its result.
constexpr qint64 longestLine = 64 * 1024 * 1024;

// The last line as the window's editing area has it after Open: the area also breaks lines
// at U+2028, U+2029 and its frame marks U+FDD0 and U+FDD1, and its plain text turns the
// no-break space into an ordinary space, which the cipher then enciphers.
QString lastLineAsWindowHasIt(const QString &line);

// Runs encrypt or decrypt: reads, transforms and writes line by line, reports on standard
// error, and returns the exit status.
int runCipher(const Options &options);

} // namespace cli

#endif // GAMMACRYPT_CLI_STREAMCIPHER_H
