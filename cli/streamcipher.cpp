// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "streamcipher.h"

#include "bytecipher.h"
#include "documentio.h"
#include "fileaccess.h"
#include "filenames.h"
#include "gamma.h"
#include "linesplitter.h"
#include "messages.h"
#include "outputsink.h"
#include "stdstreams.h"
#include "utf8.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include <unistd.h>

namespace cli {

namespace {

// Large enough that reading costs a few system calls per megabyte, small enough to be
// negligible beside the memory budget.
constexpr qint64 chunkUnits = 256 * 1024;

QString inputName(const QString &path)
{
    return path.isEmpty() ? QStringLiteral("стандартный ввод")
                          : QStringLiteral("файл %1").arg(quoted(documentio::displayPath(path)));
}

class LineSource
{
public:
    enum class Result { Line, End, Failed };

    virtual ~LineSource() = default;
    virtual Result next(QString &text, LineEnd &end) = 0;

    QString failure() const { return failureText; }

protected:
    explicit LineSource(QFile &device) : device(device) {}

    template <typename Line> Result reportTooLong(const Line &line)
    {
        failureText = QStringLiteral("%1: строка %2 длиннее %3 МиБ; такие строки не обрабатываются")
                          .arg(inputName(device.objectName()))
                          .arg(line.number)
                          .arg(longestLine / (1024 * 1024));
        return Result::Failed;
    }

    Result reportReadError()
    {
        const QString reason = device.objectName().isEmpty()
                                   ? standardStreamFailure(STDIN_FILENO, readErrno)
                                   : documentio::systemErrorText(readErrno);
        failureText = QStringLiteral("не удалось прочитать %1: %2")
                          .arg(inputName(device.objectName()), reason);
        return Result::Failed;
    }

    // The system's error number is taken as soon as a read fails, for a Russian message.
    qint64 noteFailure(qint64 got)
    {
        if (got < 0)
            readErrno = errno;
        return got;
    }

    QFile &device;
    QString failureText;
    int readErrno = 0;
};

// Bytes cut into lines before any decoding: LF and CR never occur inside a multi-byte UTF-8
// sequence, and Windows-1251 has one byte a character. Each line's bytes keep their offsets
// in the stream for error messages. As a LineSource it gives the lines decoded from UTF-8.
class ByteLineSource : public LineSource
{
public:
    using Line = LineSplitter<char>::Line;

    explicit ByteLineSource(QFile &device)
        : LineSource(device),
          splitter(
              [this](char *dest, qint64 max) { return noteFailure(this->device.read(dest, max)); },
              chunkUnits, longestLine)
    {
    }

    Result nextBytes(Line &line)
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

    // Decodes a line known to be UTF-8, or reports its first invalid byte.
    Result decodeUtf8Line(const Line &line, QString &text)
    {
        const qint64 bad = decodeUtf8(line.data, line.size, text);
        return bad >= 0 ? reportInvalidByte(line, bad) : Result::Line;
    }

    Result reportInvalidByte(const Line &line, qint64 badInLine)
    {
        const auto byte = uchar(line.data[badInLine]);
        failureText =
            QStringLiteral("%1 — не UTF-8: байт 0x%2 со смещением %3 от начала (строка %4) не "
                           "начинает допустимую последовательность UTF-8")
                .arg(inputName(device.objectName()))
                .arg(byte, 2, 16, QLatin1Char('0'))
                .arg(line.offset + badInLine)
                .arg(line.number);
        return Result::Failed;
    }

    // The next line decoded from UTF-8, for the text path.
    Result next(QString &text, LineEnd &end) override
    {
        Line line;
        const Result result = nextBytes(line);
        if (result != Result::Line)
            return result;
        end = line.end;
        return decodeUtf8Line(line, text);
    }

private:
    LineSplitter<char> splitter;
};

// Windows-1251 is decoded by the same decoder the window's Open uses, with its
// byte-order-mark detection, and split into lines afterwards: in UTF-16 a line feed is
// two bytes.
class Windows1251LineSource : public LineSource
{
public:
    explicit Windows1251LineSource(QFile &device)
        : LineSource(device), raw(int(chunkUnits), Qt::Uninitialized),
          splitter([this](char16_t *dest, qint64 max) { return readDecoded(dest, max); },
                   chunkUnits, longestLine)
    {
    }

    Result next(QString &text, LineEnd &end) override
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

private:
    qint64 readDecoded(char16_t *dest, qint64 max)
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

    QByteArray raw;
    documentio::DocumentDecoder decoder;
    QString decoded;
    qint64 taken = 0; // of decoded, already handed to the splitter
    bool ended = false;
    LineSplitter<char16_t> splitter;
};

// Encodes lines into one buffer that is reused, line after line, without allocating.
class LineEncoder
{
public:
    explicit LineEncoder(Encoding encoding) : encoding(encoding) {}

    const QByteArray &encode(const QString &line, LineEnd end)
    {
        bytes.resize(0);
        if (encoding == Encoding::Utf8) {
            unrepresentable += appendUtf8(line, bytes);
        } else {
            const documentio::EncodedLine encoded = documentio::encodeWindows1251(line);
            unrepresentable += encoded.unrepresentable;
            bytes += encoded.bytes;
        }
        bytes += lineEndBytes(end);
        return bytes;
    }

    qint64 unrepresentableCount() const { return unrepresentable; }
    QString encodingName() const
    {
        return encoding == Encoding::Utf8 ? QStringLiteral("UTF-8")
                                          : QStringLiteral("Windows-1251");
    }

private:
    Encoding encoding;
    QByteArray bytes;
    qint64 unrepresentable = 0;
};

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

// Reports a failure after dropping the partial output; returns false.
bool failed(OutputSink &sink, const QString &message)
{
    sink.discard();
    printError(message);
    return false;
}

// The text path: every line decoded to UTF-16, transformed and encoded again. The reference
// for the byte path, and the way for what that cannot decide.
struct CipherRun
{
    LineSource &source;
    OutputSink &sink;
    LineEncoder &encoder;
    GammaKey key;

    QString transformed(const QString &line) const
    {
        return gammaTransform(line, key.a, key.c, key.t0);
    }

    // Returns false after reporting the failure.
    bool everyLine()
    {
        QString line;
        LineEnd end = LineEnd::None;
        for (;;) {
            const LineSource::Result result = source.next(line, end);
            if (result == LineSource::Result::End)
                return true;
            if (result == LineSource::Result::Failed)
                return reportFailure(source.failure());
            if (!sink.write(encoder.encode(transformed(line), end)))
                return reportFailure(sink.failure());
        }
    }

    bool lastLineOnly()
    {
        QString line;
        QString last;
        LineEnd end = LineEnd::None;
        for (;;) {
            const LineSource::Result result = source.next(line, end);
            if (result == LineSource::Result::End)
                break;
            if (result == LineSource::Result::Failed)
                return reportFailure(source.failure());
            // Only a final line without a line end is kept: after a line end the last line
            // is the empty one that follows it.
            if (end == LineEnd::None)
                last.swap(line);
        }
        const QString result = transformed(documentio::lastLine(last));
        if (!sink.write(encoder.encode(result, LineEnd::None)))
            return reportFailure(sink.failure());
        return true;
    }

    bool reportFailure(const QString &message) { return failed(sink, message); }
};

// The byte path. A UTF-8 line holding a character the tables do not decide goes the text
// path; so does the one line --last-line writes, since its line breaks are the editing area's.
struct ByteRun
{
    ByteLineSource &source;
    OutputSink &sink;
    LineEncoder &encoder;
    const ByteCipher &cipher;
    GammaKey key;
    Encoding encoding;

    QString transformed(const QString &line) const
    {
        return gammaTransform(line, key.a, key.c, key.t0);
    }

    bool everyLine()
    {
        ByteLineSource::Line line;
        QByteArray bytes;
        QString text;
        for (;;) {
            const LineSource::Result result = source.nextBytes(line);
            if (result == LineSource::Result::End)
                return true;
            if (result == LineSource::Result::Failed)
                return failed(sink, source.failure());
            bytes.resize(0);
            qint64 invalidAt = -1;
            switch (cipher.appendLine(line.data, line.size, bytes, invalidAt)) {
            case ByteCipher::Result::Done:
                bytes += lineEndBytes(line.end);
                break;
            case ByteCipher::Result::Invalid:
                source.reportInvalidByte(line, invalidAt);
                return failed(sink, source.failure());
            case ByteCipher::Result::Undecided:
                if (source.decodeUtf8Line(line, text) == LineSource::Result::Failed)
                    return failed(sink, source.failure());
                bytes = encoder.encode(transformed(text), line.end);
                break;
            }
            if (!sink.write(bytes))
                return failed(sink, sink.failure());
        }
    }

    bool lastLineOnly()
    {
        ByteLineSource::Line line;
        QByteArray last;
        QString text;
        for (;;) {
            const LineSource::Result result = source.nextBytes(line);
            if (result == LineSource::Result::End)
                break;
            if (result == LineSource::Result::Failed)
                return failed(sink, source.failure());
            // Every line must be valid UTF-8, though only the last is written.
            if (encoding == Encoding::Utf8 &&
                source.decodeUtf8Line(line, text) == LineSource::Result::Failed)
                return failed(sink, source.failure());
            // Only a final line without a line end is kept, as on the text path.
            if (line.end == LineEnd::None)
                last = QByteArray(line.data, int(line.size));
        }
        if (encoding == Encoding::Utf8)
            decodeUtf8(last.constData(), last.size(), text);
        else
            text = ByteCipher::decodeWindows1251(last.constData(), last.size());
        const QString result = transformed(documentio::lastLine(text));
        if (!sink.write(encoder.encode(result, LineEnd::None)))
            return failed(sink, sink.failure());
        return true;
    }
};

// The byte path gives the text path's bytes unless the tables are incomplete for the
// encoding, or a byte-order mark makes Open decode a Windows-1251 input as Unicode.
bool bytePathDecides(const ByteCipher &cipher, Encoding encoding, QFile &input)
{
    if (!cipher.usable())
        return false;
    return encoding == Encoding::Utf8 || !ByteCipher::switchesDecoding(input.peek(4));
}

bool transformLines(const Options &options, QFile &input, OutputSink &sink, LineEncoder &encoder)
{
    const ByteCipher cipher(options.encoding, options.key);
    if (bytePathDecides(cipher, options.encoding, input)) {
        ByteLineSource source(input);
        ByteRun run{source, sink, encoder, cipher, options.key, options.encoding};
        return options.lastLineOnly ? run.lastLineOnly() : run.everyLine();
    }
    const std::unique_ptr<LineSource> source = makeLineSource(options.encoding, input);
    CipherRun run{*source, sink, encoder, options.key};
    return options.lastLineOnly ? run.lastLineOnly() : run.everyLine();
}

} // namespace

int runCipher(const Options &options)
{
    QFile input;
    if (!openInput(input, options.inputPath))
        return exitInputOutputError;
    OutputSink sink;
    if (!sink.open(options.outputPath)) {
        printError(sink.failure());
        return exitInputOutputError;
    }
    LineEncoder encoder(options.encoding);
    if (!transformLines(options, input, sink, encoder))
        return exitInputOutputError;
    if (!sink.finish()) {
        printError(sink.failure());
        return exitInputOutputError;
    }
    if (encoder.unrepresentableCount() > 0) {
        printWarning(QStringLiteral("символов, которых нет в кодировке %1: %2; они записаны "
                                    "неточно")
                         .arg(encoder.encodingName())
                         .arg(encoder.unrepresentableCount()));
    }
    return exitSuccess;
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

bool readLastInputLine(const QString &path, Encoding encoding, QString &line)
{
    QFile input;
    if (!openInput(input, path))
        return false;
    const std::unique_ptr<LineSource> source = makeLineSource(encoding, input);
    QString next;
    QString last;
    LineEnd end = LineEnd::None;
    for (;;) {
        switch (source->next(next, end)) {
        case LineSource::Result::Line:
            if (end == LineEnd::None)
                last.swap(next);
            continue;
        case LineSource::Result::End:
            line = documentio::lastLine(last);
            return true;
        case LineSource::Result::Failed:
            break;
        }
        printError(source->failure());
        return false;
    }
}

} // namespace cli
