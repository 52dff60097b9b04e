#include "outputsink.h"

#include "messages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cstdio>

namespace cli {

namespace {

constexpr int blockSize = 1024 * 1024;

// Most file systems here allow 255 bytes a name; past that the system refuses the name.
constexpr int longestFileName = 255;

QString reasonForFailedWrite(const QString &path, const QFileDevice &device, bool opened)
{
    const QFileInfo target(path);
    const QFileInfo folder(target.absolutePath());
    QString reason;
    if (target.isDir())
        reason = QStringLiteral("это папка, а не файл");
    else if (!folder.exists())
        reason = QStringLiteral("папка %1 не существует")
                     .arg(quoted(QDir::toNativeSeparators(folder.filePath())));
    else if (!folder.isDir())
        reason = QStringLiteral("%1 — это файл, а не папка")
                     .arg(quoted(QDir::toNativeSeparators(folder.filePath())));
    else if (QFile::encodeName(target.fileName()).size() > longestFileName)
        reason = QStringLiteral("имя файла слишком длинное");
    else if (opened)
        reason = QStringLiteral("не удалось записать данные; возможно, на диске нет места");
    else
        reason = QStringLiteral("нет доступа на запись");
    return QStringLiteral("%1 (сообщение системы: %2)").arg(reason, device.errorString());
}

// A device or a pipe cannot be renamed over (and replacing /dev/null would be a disaster).
bool mustWriteInPlace(const QString &path)
{
    const QFileInfo target(path);
    return target.exists() && !target.isFile() && !target.isDir();
}

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

    atomic = !mustWriteInPlace(path);
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
        failureText =
            QStringLiteral("не удалось записать в стандартный вывод (сообщение системы: %1)")
                .arg(device->errorString());
        return;
    }
    failureText = QStringLiteral("не удалось записать файл %1: %2")
                      .arg(quoted(QDir::toNativeSeparators(path)),
                           reasonForFailedWrite(path, *device, opened));
}

} // namespace cli
