// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#ifndef GAMMACRYPT_CLI_COMMANDLINE_H
#define GAMMACRYPT_CLI_COMMANDLINE_H

#include "gammakey.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <optional>

namespace cli {

// A key written "A,C,T0": three decimal integers within signed 32 bits, each with an
// optional leading minus and nothing else. On failure error names the bad part.
struct KeyParse
{
    std::optional<GammaKey> key;
    QString error;
};
KeyParse parseKey(const QString &text);

enum class Command { Encrypt, Decrypt, Trace, Attack, Analyze };
enum class Encoding { Utf8, Windows1251 };
enum class TraceFormat { Table, Tsv };

struct Options
{
    Command command = Command::Encrypt;
    GammaKey key;
    Encoding encoding = Encoding::Utf8;
    bool lastLineOnly = false;
    QString outputPath; // empty: standard output
    QString inputPath;  // empty: standard input
    TraceFormat format = TraceFormat::Table;
    std::optional<QByteArray> traceText; // as given, undecoded; none: first line of standard input
    std::optional<QByteArray> known; // attack: the plain text begins with this; as given, undecoded
    std::optional<QByteArray> crib;  // attack: the plain text holds this somewhere; as given
    int top = 5;                     // attack: candidates printed
    int length = 100;                // analyze: positions looked at
};

struct CommandLine
{
    std::optional<Options> options;
    QString error; // a Russian usage message when options is empty
    QString reply; // what --help or --version prints; options and error are then empty
};

// Parses the arguments (the program name first), decoded and as the bytes they came in.
CommandLine parseCommandLine(const QStringList &arguments, const QList<QByteArray> &rawArguments);

} // namespace cli

#endif // GAMMACRYPT_CLI_COMMANDLINE_H
