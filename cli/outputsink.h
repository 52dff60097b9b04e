// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#ifndef GAMMACRYPT_CLI_OUTPUTSINK_H
#define GAMMACRYPT_CLI_OUTPUTSINK_H

#include "fileaccess.h"

#include <QByteArray>
#include <QFileDevice>
#include <QString>

#include <memory>

namespace cli {

// Where the result goes: standard output, or a named file written by documentio::FileWriter:
// replaced, or written in place, only when the whole result is there, so that a failed run
// leaves the old file as it was. Devices and pipes named as the output are written as the
// result comes.
// Writes are gathered into large blocks: one system call per line would cost more than the
// cipher itself.
class OutputSink
{
public:
    OutputSink();
    ~OutputSink();
    OutputSink(const OutputSink &) = delete;
    OutputSink &operator=(const OutputSink &) = delete;

    // An empty path, or "-", means standard output. Returns false with failure() set.
    bool open(const QString &path);

    bool write(const char *data, qint64 size);
    bool write(const QByteArray &bytes) { return write(bytes.constData(), bytes.size()); }

    // Flushes and, for a named file, puts the new contents in place.
    bool finish();

    // Drops everything written so far; a named file keeps its previous contents.
    void discard();

    // A Russian sentence naming the output and the reason, after a false result.
    QString failure() const { return failureText; }

private:
    bool flushPending();
    void fail();

    QString path;
    std::unique_ptr<QFileDevice> device; // standard output
    std::unique_ptr<documentio::FileWriter> file;
    QByteArray pending;
    QString failureText;
};

// Writes a whole report to standard output; returns the exit status, with the message
// printed on failure.
int writeReport(const QByteArray &report);

} // namespace cli

#endif // GAMMACRYPT_CLI_OUTPUTSINK_H
