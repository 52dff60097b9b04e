// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "input.h"

#include "documentio.h"
#include "fileaccess.h"
#include "filenames.h"
#include "messages.h"
#include "stdstreams.h"
#include "utf8.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <unistd.h>

namespace cli {

namespace {

// Large enough that reading costs a few system calls per megabyte, small enough to be
// negligible beside the memory budget.
constexpr qint64 chunkUnits = 256 * 1024;

} // namespace

QString inputName(const QString &path)
{
    return path.isEmpty() ? QStringLiteral("стандартный ввод")
                          : QStringLiteral("файл %1").arg(quoted(documentio::displayPath(path)));
}

LineSource::Result LineSource::reportReadError()
{
    const QString reason = device.objectName().isEmpty()
                               ? standardStreamFailure(STDIN_FILENO, readErrno)
                               : documentio::systemErrorText(readErrno);
    failureText =
        QStringLiteral("не удалось прочитать %1: %2").arg(inputName(device.objectName()), reason);
    return Result::Failed;
}

qint64 LineSource::noteFailure(qint64 got)
{
    if (got < 0)
        readErrno = errno;
    return got;
}

ByteLineSource::ByteLineSource(QFile &device)
    : LineSource(device),
      splitter([this](char *dest, qint64 max) { return noteFailure(this->device.read(dest, max)); },
               chunkUnits, longestLine)
{
}

LineSource::Result ByteLineSource::nextBytes(Line &line)
{
    switch (splitter.next(line)) {
    case LineSplitter<char>::Status::End:
        return Result::End;
    case LineSplitter<char>::Status::ReadError:
        return reportReadError();
    case LineSplitter<char>::Status::TooLong:
        return reportTooLong(line);
    case LineSplitter<char>::Status::Line:
        break;
    }
    return Result::Line;
}

LineSource::Result ByteLineSource::decodeUtf8Line(const Line &line, QString &text)
{
    const qint64 bad = decodeUtf8(line.data, line.size, text);
    return bad >= 0 ? reportInvalidByte(line, bad) : Result::Line;
}

LineSource::Result ByteLineSource::reportInvalidByte(const Line &line, qint64 badInLine)
{
    const auto byte = uchar(line.data[badInLine]);
    failureText =
        QStringLiteral("%1 — не UTF-8: байт 0x%2 со смещением %3 от начала (строка %4) не "
                       "начинает допустимую последовательность UTF-8; файлы окна gammacrypt "
                       "читаются с --encoding windows-1251")
            .arg(inputName(device.objectName()))
            .arg(byte, 2, 16, QLatin1Char('0'))
            .arg(line.offset + badInLine)
            .arg(line.number);
    return Result::Failed;
}

LineSource::Result ByteLineSource::next(QString &text, LineEnd &end)
{
    Line line;
    const Result result = nextBytes(line);
    if (result != Result::Line)
        return result;
    end = line.end;
    return decodeUtf8Line(line, text);
}

Windows1251LineSource::Windows1251LineSource(QFile &device)
    : LineSource(device), raw(int(chunkUnits), Qt::Uninitialized),
      splitter([this](char16_t *dest, qint64 max) { return readDecoded(dest, max); }, chunkUnits,
               longestLine)
{
}

LineSource::Result Windows1251LineSource::next(QString &text, LineEnd &end)
{
    LineSplitter<char16_t>::Line line;
    switch (splitter.next(line)) {
    case LineSplitter<char16_t>::Status::End:
        return Result::End;
    case LineSplitter<char16_t>::Status::ReadError:
        return reportReadError();
    case LineSplitter<char16_t>::Status::TooLong:
        return reportTooLong(line);
    case LineSplitter<char16_t>::Status::Line:
        break;
    }
    text.setUnicode(reinterpret_cast<const QChar *>(line.data), int(line.size));
    end = line.end;
    return Result::Line;
}

qint64 Windows1251LineSource::readDecoded(char16_t *dest, qint64 max)
{
    while (taken == decoded.size() && !ended) {
        const qint64 bytes = device.read(raw.data(), raw.size());
        if (bytes < 0)
            return noteFailure(-1);
        ended = bytes == 0;
        decoded = ended ? decoder.finish() : decoder.decode(raw.constData(), int(bytes));
        taken = 0;
    }
    const qint64 count = qMin(max, qint64(decoded.size() - taken));
    std::memcpy(dest, decoded.utf16() + taken, size_t(count) * sizeof(char16_t));
    taken += count;
    return count;
}

bool openInput(QFile &input, const QString &path)
{
    if (path.isEmpty()) {
        if (input.open(stdin, QIODevice::ReadOnly))
            return true;
        printError(QStringLiteral("не удалось открыть стандартный ввод: %1")
                       .arg(standardStreamFailure(STDIN_FILENO, errno)));
        return false;
    }
    QString reason;
    documentio::FileDescriptor file =
        documentio::openForReading(path, documentio::Pipes::Allow, reason);
    // A QFile opened on a descriptor has no file name: the path goes with it as its object
    // name, for the messages.
    input.setObjectName(path);
    if (!file.isOpen() ||
        !input.open(file.get(), QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        printError(QStringLiteral("не удалось открыть %1: %2")
                       .arg(inputName(path), reason.isEmpty() ? input.errorString() : reason));
        return false;
    }
    file.release(); // the QFile closes it
    return true;
}

std::unique_ptr<LineSource> makeLineSource(Encoding encoding, QFile &input)
{
    if (encoding == Encoding::Utf8)
        return std::make_unique<ByteLineSource>(input);
    return std::make_unique<Windows1251LineSource>(input);
}

bool readFirstInputLine(const QString &path, Encoding encoding, QString &line)
{
    QFile input;
    if (!openInput(input, path))
        return false;
    const std::unique_ptr<LineSource> source = makeLineSource(encoding, input);
    LineEnd end = LineEnd::None;
    switch (source->next(line, end)) {
    case LineSource::Result::Line:
        return true;
    case LineSource::Result::End:
        line.clear();
        return true;
    case LineSource::Result::Failed:
        break;
    }
    printError(source->failure());
    return false;
}

bool takeLastLine(LineSource &source, QString &line)
{
    QString next;
    QString last;
    LineEnd end = LineEnd::None;
    for (;;) {
        switch (source.next(next, end)) {
        case LineSource::Result::Line:
            // Only a final line without a line end is kept: after a line end the last line
            // is the empty one that follows it.
            if (end == LineEnd::None)
                last.swap(next);
            continue;
        case LineSource::Result::End:
            line = documentio::lastLine(last);
            return true;
        case LineSource::Result::Failed:
            return false;
        }
    }
}

bool readLastInputLine(const QString &path, Encoding encoding, QString &line)
{
    QFile input;
    if (!openInput(input, path))
        return false;
    const std::unique_ptr<LineSource> source = makeLineSource(encoding, input);
    if (takeLastLine(*source, line))
        return true;
    printError(source->failure());
    return false;
}

} // namespace cli
