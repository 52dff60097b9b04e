// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#ifndef GAMMACRYPT_CLI_OPTIONS_H
#define GAMMACRYPT_CLI_OPTIONS_H

#include "gammakey.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace cli {

enum class Command { Encrypt, Decrypt, Trace, Attack, Analyze };
enum class Encoding { Utf8, Windows1251 };
// How every report is written: trace's rows, attack's candidates, analyze's fields.
enum class ReportFormat { Table, Tsv };

// The bounds of the counts, shared by the defaults, the help and the messages.
constexpr int defaultTop = 5;
constexpr int largestTop = 100;
constexpr int defaultLength = 100;
constexpr int largestLength = 100000;

struct Options
{
    Command command = Command::Encrypt;
    GammaKey key;
    Encoding encoding = Encoding::Utf8;
    bool lastLineOnly = false;
    QString outputPath; // empty: standard output
    QString inputPath;  // empty: standard input
    ReportFormat format = ReportFormat::Table;
    std::optional<QByteArray> traceText; // as given, undecoded; none: first line of standard input
    std::optional<QByteArray> known; // attack: the plain text begins with this; as given, undecoded
    std::optional<QByteArray> crib;  // attack: a fragment somewhere in the plain text; as given
    int top = defaultTop;            // attack: candidates printed
    int length = defaultLength;      // analyze: positions looked at
};

} // namespace cli

#endif // GAMMACRYPT_CLI_OPTIONS_H
