#include "streamcipher.h"

#include "documentio.h"
#include "gamma.h"
#include "linesplitter.h"
#include "messages.h"
#include "outputsink.h"
#include "utf8.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextCodec>
#include <QTextStream>

#include <cstdio>
#include <cstring>
#include <memory>

namespace cli {

namespace {

// Large enough that reading costs a few system calls per megabyte, small enough to be
// negligible beside the memory budget.
constexpr qint64 chunkUnits = 256 * 1024;

QString inputName(const QString &path)
{
    return path.isEmpty() ? QStringLiteral("стандартный ввод")
                          : QStringLiteral("файл %1").arg(quoted(QDir::toNativeSeparators(path)));
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
                          .arg(inputName(device.fileName()))
                          .arg(line.number)
                          .arg(longestLine / (1024 * 1024));
        return Result::Failed;
    }

    Result reportReadError()
    {
        failureText = QStringLiteral("не удалось прочитать %1 (сообщение системы: %2)")
                          .arg(inputName(device.fileName()), device.errorString());
        return Result::Failed;
    }

    QFile &device;
    QString failureText;
};

// UTF-8 is split into lines before decoding: LF and CR never occur inside a multi-byte
// sequence, and so each line's bytes keep their offsets in the stream for error messages.
class Utf8LineSource : public LineSource
{
public:
    explicit Utf8LineSource(QFile &device)
        : LineSource(device),
          splitter([&device](char *dest, qint64 max) { return device.read(dest, max); }, chunkUnits,
                   longestLine)
    {
    }

    Result next(QString &text, LineEnd &end) override
    {
        LineSplitter<char>::Line line;
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
        const qint64 bad = decodeUtf8(line.data, line.size, text);
        if (bad >= 0)
            return reportInvalidByte(line, bad);
        end = line.end;
        return Result::Line;
    }

private:
    Result reportInvalidByte(const LineSplitter<char>::Line &line, qint64 badInLine)
    {
        const auto byte = uchar(line.data[badInLine]);
        failureText =
            QStringLiteral("%1 — не UTF-8: байт 0x%2 со смещением %3 от начала (строка %4) не "
                           "начинает допустимую последовательность UTF-8")
                .arg(inputName(device.fileName()))
                .arg(byte, 2, 16, QLatin1Char('0'))
                .arg(line.offset + badInLine)
                .arg(line.number);
        return Result::Failed;
    }

    LineSplitter<char> splitter;
};

// Windows-1251 is decoded by the same text stream the window's Open uses, with its
// byte-order-mark detection on, and split into lines afterwards: in UTF-16 a line feed is
// two bytes.
class Windows1251LineSource : public LineSource
{
public:
    explicit Windows1251LineSource(QFile &device)
        : LineSource(device), stream(&device),
          splitter([this](char16_t *dest, qint64 max) { return readDecoded(dest, max); },
                   chunkUnits, longestLine)
    {
        stream.setCodec(QTextCodec::codecForName("Windows-1251"));
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
        const QString piece = stream.read(max);
        if (piece.isEmpty())
            return device.error() == QFileDevice::NoError ? 0 : -1;
        std::memcpy(dest, piece.utf16(), size_t(piece.size()) * sizeof(char16_t));
        return piece.size();
    }

    QTextStream stream;
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
        printError(QStringLiteral("не удалось открыть стандартный ввод (сообщение системы: %1)")
                       .arg(input.errorString()));
        return false;
    }
    const QFileInfo info(path);
    const QString name = quoted(QDir::toNativeSeparators(path));
    if (!info.exists()) {
        printError(QStringLiteral("файл %1 не найден").arg(name));
        return false;
    }
    if (info.isDir()) {
        printError(QStringLiteral("%1 — это папка, а не файл").arg(name));
        return false;
    }
    input.setFileName(path);
    if (!input.open(QIODevice::ReadOnly)) {
        printError(QStringLiteral("не удалось открыть файл %1: нет доступа на чтение (сообщение "
                                  "системы: %2)")
                       .arg(name, input.errorString()));
        return false;
    }
    return true;
}

std::unique_ptr<LineSource> makeLineSource(Encoding encoding, QFile &input)
{
    if (encoding == Encoding::Utf8)
        return std::make_unique<Utf8LineSource>(input);
    return std::make_unique<Windows1251LineSource>(input);
}

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

    bool reportFailure(const QString &message)
    {
        sink.discard();
        printError(message);
        return false;
    }
};

} // namespace

int runCipher(const Options &options)
{
    QFile input;
    if (!openInput(input, options.inputPath))
        return exitInputOutputError;
    const std::unique_ptr<LineSource> source = makeLineSource(options.encoding, input);

    OutputSink sink;
    if (!sink.open(options.outputPath)) {
        printError(sink.failure());
        return exitInputOutputError;
    }
    LineEncoder encoder(options.encoding);
    CipherRun run{*source, sink, encoder, options.key};
    const bool transformed = options.lastLineOnly ? run.lastLineOnly() : run.everyLine();
    if (!transformed)
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

} // namespace cli
