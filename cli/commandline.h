#ifndef GAMMACRYPT_CLI_COMMANDLINE_H
#define GAMMACRYPT_CLI_COMMANDLINE_H

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <optional>

namespace cli {

struct GammaKey
{
    qint32 a = 0;
    qint32 c = 0;
    qint32 t0 = 0;
};

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
    std::optional<QString> traceText; // none: the first line of standard input
    std::optional<QString> known;     // attack: the plain text begins with this
    int top = 5;                      // attack: candidates printed
    int length = 100;                 // analyze: positions looked at
};

struct CommandLine
{
    std::optional<Options> options;
    QString error; // a Russian usage message when options is empty
};

// Parses the arguments (the program name first). --help and --version print and end the
// process, as QCommandLineParser does.
CommandLine parseCommandLine(const QStringList &arguments);

} // namespace cli

#endif // GAMMACRYPT_CLI_COMMANDLINE_H
