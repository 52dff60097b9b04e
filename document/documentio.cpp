// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "documentio.h"

#include "fileaccess.h"

#include <QTextCodec>

#include <utility>

namespace documentio {

namespace {

QTextCodec *windows1251()
{
    static QTextCodec *const codec = QTextCodec::codecForName("Windows-1251");
    return codec;
}

// A surrogate without its other half becomes U+FFFD. The codec holds a high half back for
// the low one that should follow: at the end of a line, or before another high half, it
// vanished from the file without being counted. U+FFFD is written and counted like any
// character Windows-1251 lacks.
QString withLoneSurrogatesReplaced(const QString &line)
{
    QString result = line;
    for (int i = 0; i < result.size(); ++i) {
        const QChar ch = result.at(i);
        if (ch.isHighSurrogate() && i + 1 < result.size() && result.at(i + 1).isLowSurrogate())
            ++i; // a whole pair
        else if (ch.isSurrogate())
            result[i] = QChar::ReplacementCharacter;
    }
    return result;
}

bool isLineBreak(QChar ch)
{
    switch (ch.unicode()) {
    case u'\n':
    case u'\r':
    case QChar::LineSeparator:
    case QChar::ParagraphSeparator:
    case 0xFDD0: // the editing area's frame marks
    case 0xFDD1:
        return true;
    default:
        return false;
    }
}

QString tooLargeMessage(const QString &sizeText)
{
    return QStringLiteral(
               "файл слишком большой: %1; наибольший размер, который можно открыть, — %2")
        .arg(sizeText, byteCountText(maxDocumentSize));
}

} // namespace

QString decodeDocument(const QByteArray &bytes)
{
    DocumentDecoder decoder;
    QString text = decoder.decode(bytes.constData(), int(bytes.size()));
    text += decoder.finish();
    return text;
}

DocumentDecoder::DocumentDecoder() = default;
DocumentDecoder::~DocumentDecoder() = default;

// The longest byte-order mark, UTF-32's, has four bytes.
constexpr int longestByteOrderMark = 4;

namespace {

// How many bytes at the end start a UTF-8 sequence that they do not complete.
int cutSequenceLength(const QByteArray &bytes)
{
    for (int back = 1; back <= qMin(3, int(bytes.size())); ++back) {
        const uchar byte = uchar(bytes.at(bytes.size() - back));
        if ((byte & 0xC0) == 0x80)
            continue;
        const int length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        return back < length ? back : 0;
    }
    return 0;
}

} // namespace

QString DocumentDecoder::decode(const char *data, int size)
{
    if (!decoder) {
        if (head.isEmpty() && size >= longestByteOrderMark) {
            chooseEncoding(QByteArray::fromRawData(data, longestByteOrderMark));
        } else {
            head.append(data, size);
            return head.size() < longestByteOrderMark ? QString() : decodeHead();
        }
    }
    return convert(data, size);
}

QString DocumentDecoder::finish()
{
    if (!decoder)
        return decodeHead();
    const QByteArray rest = std::exchange(cut, QByteArray());
    if (rest.isEmpty())
        return QString();
    // The decoder would hold a sequence the input ends inside for ever: a character after it
    // makes it decode as it would anywhere else in the text (U+FFFD), and is then dropped.
    QString text = decoder->toUnicode((rest + '\n').constData(), int(rest.size()) + 1);
    text.chop(1);
    return text;
}

// Qt 6's UTF-8 decoder swallows the byte that follows a bad sequence cut between two calls:
// a sequence cut at the end of a piece goes to the decoder whole, with the next piece. Qt 5's
// loses a character it holds the start of when handed zero bytes.
QString DocumentDecoder::convert(const char *data, int size)
{
    if (!utf8)
        return size > 0 ? decoder->toUnicode(data, size) : QString();
    QByteArray bytes = std::exchange(cut, QByteArray()) + QByteArray::fromRawData(data, size);
    cut = bytes.right(cutSequenceLength(bytes));
    bytes.chop(cut.size());
    return bytes.isEmpty() ? QString() : decoder->toUnicode(bytes.constData(), int(bytes.size()));
}

QString DocumentDecoder::decodeHead()
{
    chooseEncoding(head);
    const QByteArray bytes = std::exchange(head, QByteArray());
    return convert(bytes.constData(), int(bytes.size()));
}

void DocumentDecoder::chooseEncoding(const QByteArray &start)
{
    // A Unicode byte-order mark names its form and is dropped; otherwise Windows-1251.
    QTextCodec *codec = QTextCodec::codecForUtfText(start, windows1251());
    utf8 = codec->mibEnum() == 106;
    decoder.reset(codec->makeDecoder());
}

QString lastLine(const QString &text)
{
    int start = text.size();
    while (start > 0 && !isLineBreak(text.at(start - 1)))
        --start;
    return text.mid(start);
}

EncodedLine encodeWindows1251(const QString &line)
{
    QTextCodec::ConverterState state(QTextCodec::IgnoreHeader);
    const QString whole = withLoneSurrogatesReplaced(line);
    EncodedLine encoded;
    encoded.bytes = windows1251()->fromUnicode(whole.constData(), whole.size(), &state);
    encoded.unrepresentable = state.invalidChars;
    return encoded;
}

ReadResult readDocument(const QString &path)
{
    ReadResult result;
    const FileDescriptor file = openForReading(path, Pipes::Refuse, result.error);
    if (!file.isOpen())
        return result;
    // A device or a growing file may report no size, or a wrong one: the reading is
    // bounded all the same.
    const FileStatus status = descriptorStatus(file.get());
    if (status.kind == FileKind::Regular && status.size > maxDocumentSize) {
        result.error = tooLargeMessage(byteCountText(status.size));
        return result;
    }
    QString readError;
    const QByteArray bytes = readUpTo(file.get(), maxDocumentSize, readError);
    if (!readError.isEmpty()) {
        result.error = QStringLiteral("ошибка чтения: %1").arg(readError);
        return result;
    }
    if (bytes.size() > maxDocumentSize) {
        result.error = tooLargeMessage(QStringLiteral("в нём больше байт, чем можно открыть"));
        return result;
    }
    result.text = decodeDocument(bytes);
    result.ok = true;
    return result;
}

QString writeDocument(const QString &path, const QByteArray &bytes)
{
    return writeWholeFile(path, bytes);
}

} // namespace documentio
