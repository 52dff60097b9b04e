// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#ifndef GAMMACRYPT_CLI_INPUT_H
#define GAMMACRYPT_CLI_INPUT_H

#include "documentio.h"
#include "linesplitter.h"
#include "options.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <memory>

namespace cli {

// Longer lines are refused: the whole line is held in memory, as text and as its result.
constexpr qint64 longestLine = 64 * 1024 * 1024;

// "стандартный ввод", or the file by its path, for messages.
QString inputName(const QString &path);

// The lines of an input, decoded, each with its line end.
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

    Result reportReadError();

    // The system's error number is taken as soon as a read fails, for a Russian message.
    qint64 noteFailure(qint64 got);

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

    explicit ByteLineSource(QFile &device);

    Result nextBytes(Line &line);

    // Decodes a line known to be UTF-8, or reports its first invalid byte.
    Result decodeUtf8Line(const Line &line, QString &text);

    Result reportInvalidByte(const Line &line, qint64 badInLine);

    // The next line decoded from UTF-8, for the text path.
    Result next(QString &text, LineEnd &end) override;

private:
    LineSplitter<char> splitter;
};

// Windows-1251 is decoded by the same decoder the window's Open uses, with its
// byte-order-mark detection, and split into lines afterwards: in UTF-16 a line feed is
// two bytes.
class Windows1251LineSource : public LineSource
{
public:
    explicit Windows1251LineSource(QFile &device);

    Result next(QString &text, LineEnd &end) override;

private:
    qint64 readDecoded(char16_t *dest, qint64 max);

    QByteArray raw;
    documentio::DocumentDecoder decoder;
    QString decoded;
    qint64 taken = 0; // of decoded, already handed to the splitter
    bool ended = false;
    LineSplitter<char16_t> splitter;
};

// Opens the input: the file at path, or standard input when path is empty. Reports a
// failure on standard error and returns false.
bool openInput(QFile &input, const QString &path);

std::unique_ptr<LineSource> makeLineSource(Encoding encoding, QFile &input);

// Reads the first line of the input (path, or standard input when empty) as encrypt and
// decrypt read their input; an empty input gives an empty line. Reports a failure on
// standard error and returns false.
bool readFirstInputLine(const QString &path, Encoding encoding, QString &line);

// The last line as the window takes it: the text after the source's last line break, empty
// when the input ends with one. Every line is read, so that a fault anywhere is reported;
// false on one, which source.failure() describes.
bool takeLastLine(LineSource &source, QString &line);

// Reads the last line of the input as decrypt --last-line reads it (takeLastLine): the
// window's files keep the cipher line last. Reports a failure on standard error and returns
// false.
bool readLastInputLine(const QString &path, Encoding encoding, QString &line);

} // namespace cli

#endif // GAMMACRYPT_CLI_INPUT_H
