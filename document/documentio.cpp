#include "documentio.h"

#include "fileaccess.h"

#include <QTextCodec>
#include <QTextStream>

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
    QTextStream stream(bytes, QIODevice::ReadOnly);
    stream.setCodec(windows1251()); // the stream's byte-order-mark detection stays on
    return stream.readAll();
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
