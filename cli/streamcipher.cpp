// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "streamcipher.h"

#include "bytecipher.h"
#include "documentio.h"
#include "gamma.h"
#include "input.h"
#include "messages.h"
#include "outputsink.h"
#include "utf8.h"

#include <QFile>

#include <memory>

namespace cli {

namespace {

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

    QString transformed(const QString &line) const { return gammaTransform(line, key); }

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
        QString last;
        if (!takeLastLine(source, last))
            return reportFailure(source.failure());
        if (!sink.write(encoder.encode(transformed(last), LineEnd::None)))
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

    QString transformed(const QString &line) const { return gammaTransform(line, key); }

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

} // namespace cli
