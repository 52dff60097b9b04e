#include "outputsink.h"

#include "documentio.h"
#include "messages.h"
#include "stdstreams.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

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
    path = outputPath;
    pending.reserve(blockSize + blockSize / 4);
    if (path.isEmpty()) {
        auto standardOutput = std::make_unique<QFile>();
        const bool opened =
            standardOutput->open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered);
        device = std::move(standardOutput);
        if (!opened)
            fail(false);
        return opened;
    }

    atomic = !documentio::mustWriteInPlace(path);
    if (atomic)
        device = std::make_unique<QSaveFile>(path);
    else
        device = std::make_unique<QFile>(path);
    if (!device->open(QIODevice::WriteOnly)) {
        fail(false);
        device.reset();
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
    if (!device)
        return false;
    if (!pending.isEmpty() && device->write(pending) != pending.size()) {
        fail(true);
        return false;
    }
    pending.resize(0); // keeps the reserved block
    return true;
}

bool OutputSink::finish()
{
    if (!flushPending())
        return false;
    if (atomic) {
        if (!static_cast<QSaveFile *>(device.get())->commit()) {
            fail(true);
            return false;
        }
        device.reset();
        return true;
    }
    if (!device->flush()) {
        fail(true);
        return false;
    }
    device->close();
    if (device->error() != QFileDevice::NoError) {
        fail(true);
        return false;
    }
    device.reset();
    return true;
}

void OutputSink::discard()
{
    pending.clear();
    if (atomic && device)
        static_cast<QSaveFile *>(device.get())->cancelWriting();
    device.reset();
}

void OutputSink::fail(bool opened)
{
    if (path.isEmpty()) {
        failureText = QStringLiteral("не удалось записать в стандартный вывод (%1)")
                          .arg(standardStreamFailure(STDOUT_FILENO, device->errorString()));
        return;
    }
    failureText = QStringLiteral("не удалось записать файл %1: %2 (сообщение системы: %3)")
                      .arg(quoted(QDir::toNativeSeparators(path)),
                           documentio::writeFailureReason(path, opened), device->errorString());
}

} // namespace cli
