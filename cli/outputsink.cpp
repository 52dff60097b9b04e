// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "outputsink.h"

#include "filenames.h"
#include "messages.h"
#include "stdstreams.h"

#include <QFile>

#include <cerrno>
#include <cstdio>

#include <unistd.h>

namespace cli {

namespace {

constexpr int blockSize = 1024 * 1024;

} // namespace

OutputSink::OutputSink() = default;

OutputSink::~OutputSink()
{
    discard();
}

bool OutputSink::open(const QString &outputPath)
{
    // "-" names standard output, as it names standard input.
    path = outputPath == QLatin1String("-") ? QString() : outputPath;
    pending.reserve(blockSize + blockSize / 4);
    if (path.isEmpty()) {
        auto standardOutput = std::make_unique<QFile>();
        const bool opened =
            standardOutput->open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered);
        device = std::move(standardOutput);
        if (!opened)
            fail();
        return opened;
    }

    file = std::make_unique<documentio::FileWriter>();
    if (!file->open(path, documentio::Pipes::Allow)) {
        fail();
        file.reset();
        return false;
    }
    return true;
}

bool OutputSink::write(const char *data, qint64 size)
{
    pending.append(data, int(size));
    if (pending.size() < blockSize)
        return true;
    return flushPending();
}

bool OutputSink::flushPending()
{
    if (!device && !file)
        return false;
    if (!pending.isEmpty() &&
        !(file ? file->write(pending) : device->write(pending) == pending.size())) {
        fail();
        return false;
    }
    pending.resize(0); // keeps the reserved block
    return true;
}

bool OutputSink::finish()
{
    if (!flushPending())
        return false;
    if (file) {
        if (!file->commit()) {
            fail();
            return false;
        }
        file.reset();
        return true;
    }
    if (!device->flush()) {
        fail();
        return false;
    }
    device->close();
    if (device->error() != QFileDevice::NoError) {
        fail();
        return false;
    }
    device.reset();
    return true;
}

void OutputSink::discard()
{
    pending.clear();
    if (file)
        file->cancel();
    file.reset();
    device.reset();
}

void OutputSink::fail()
{
    if (path.isEmpty()) {
        failureText = QStringLiteral("не удалось записать в стандартный вывод: %1")
                          .arg(standardStreamFailure(STDOUT_FILENO, errno));
        return;
    }
    failureText = QStringLiteral("не удалось записать файл %1: %2")
                      .arg(quoted(documentio::displayPath(path)), file->failure());
}

int writeReport(const QByteArray &report)
{
    OutputSink sink;
    if (!sink.open(QString()) || !sink.write(report) || !sink.finish()) {
        printError(sink.failure());
        return exitInputOutputError;
    }
    return exitSuccess;
}

} // namespace cli
