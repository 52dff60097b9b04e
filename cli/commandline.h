// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#ifndef GAMMACRYPT_CLI_COMMANDLINE_H
#define GAMMACRYPT_CLI_COMMANDLINE_H

#include "options.h"
#include "result.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVector>

#include <optional>

namespace cli {

// A key written "A,C,T0": three decimal integers within signed 32 bits, each with an
// optional leading minus and nothing else. A failure names the bad part.
Result<GammaKey> parseKey(const QString &text);

enum class OptionId { Key, Encoding, LastLine, Output, Format, Known, Crib, Top, Length };

// What a command's one operand is, if it takes one.
enum class Operand {
    None,
    InputFile, // a path; none or "-": standard input
    Text,      // kept as its bytes; none: the first line of standard input
};

// An option a command takes, with what it means for that command (the general wording
// when null).
struct CommandOption
{
    OptionId id;
    const char *description = nullptr;
};

// One command: everything the parser, the help and the dispatch need to know about it.
struct CommandSpec
{
    Command command;
    const char *name;
    const char *summary; // its line in the general help
    QVector<CommandOption> options;
    Operand operand;
    bool takesKey;
    int (*run)(const Options &options);
};

const QVector<CommandSpec> &commandTable();
const CommandSpec &commandSpec(Command command);

struct CommandLine
{
    std::optional<Options> options;
    QString error; // a Russian usage message when options is empty
    QString reply; // what --help or --version prints; options and error are then empty
};

// Parses the arguments (the program name first) once, as the bytes they came in. Names and
// numbers are read as the locale decodes them; paths keep every byte (see
// documentio::pathFromNative); texts for the commands (--known, --crib, trace's TEXT) stay
// bytes.
CommandLine parseCommandLine(const QList<QByteArray> &arguments);

} // namespace cli

#endif // GAMMACRYPT_CLI_COMMANDLINE_H
