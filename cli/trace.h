#ifndef GAMMACRYPT_CLI_TRACE_H
#define GAMMACRYPT_CLI_TRACE_H

#include "commandline.h"

#include <QString>
#include <QVector>
#include <QtGlobal>

#include <optional>

namespace cli {

// One position of a line under the cipher, as a student follows it by hand.
struct TraceRow
{
    int position = 0;
    QChar character;
    std::optional<int> code; // none outside the alphabet
    qint32 value = 0;        // T(i)
    int gamma = 0;           // g(i)
    std::optional<int> resultCode;
    QChar result;
};

QVector<TraceRow> traceRows(const QString &text, const GammaKey &key);

// The generator's cycle: from position mu on the values repeat with period lambda, and
// mu is the first position whose value comes again later.
struct GeneratorCycle
{
    int mu = 0;
    int lambda = 0;
    qint32 value = 0; // T(mu)
};

GeneratorCycle generatorCycle(const GammaKey &key);

// Runs the trace command and returns the exit status.
int runTrace(const Options &options);

} // namespace cli

#endif // GAMMACRYPT_CLI_TRACE_H
