#include "documentio.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextCodec>

#include <utility>

namespace documentio {

namespace {

QTextCodec *windows1251()
{
    static QTextCodec *const codec = QTextCodec::codecForName("Windows-1251");
    return codec;
}

QString quoted(const QString &path)
{
    return QStringLiteral("«%1»").arg(QDir::toNativeSeparators(path));
}

// Most file systems here allow 255 bytes a name; past that the system refuses the name.
constexpr int longestFileName = 255;

QString reasonForFailedWrite(const QString &path, const QFileDevice &device, bool opened)
{
    return QStringLiteral("%1.\nСообщение системы: %2")
        .arg(writeFailureReason(path, opened), device.errorString());
}

// Devices such as /dev/null cannot be replaced atomically (and must not be renamed over),
// so they are written in place.
QString writeInPlace(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return reasonForFailedWrite(path, file, false);
    if (file.write(bytes) != bytes.size() || !file.flush())
        return reasonForFailedWrite(path, file, true);
    file.close();
    if (file.error() != QFileDevice::NoError)
        return reasonForFailedWrite(path, file, true);
    return QString();
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

QString fileSizeText(qint64 bytes)
{
    return QStringLiteral("%1 МиБ").arg(double(bytes) / (1024 * 1024), 0, 'f', 1);
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
    return QStringLiteral("файл слишком большой (%1); открыть можно файл не больше %2")
        .arg(sizeText, fileSizeText(maxDocumentSize));
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

// The first bytes go to the decoder together with the rest of their piece, never on their
// own: Qt 6's UTF-8 decoder swallows the byte that follows a bad sequence cut between two
// calls.
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
    // Qt 5's UTF-8 decoder loses a character it holds the start of when handed zero bytes.
    return size > 0 ? decoder->toUnicode(data, size) : QString();
}

QString DocumentDecoder::finish()
{
    return decoder ? QString() : decodeHead();
}

QString DocumentDecoder::decodeHead()
{
    chooseEncoding(head);
    const QByteArray bytes = std::exchange(head, QByteArray());
    return bytes.isEmpty() ? QString() : decoder->toUnicode(bytes.constData(), int(bytes.size()));
}

void DocumentDecoder::chooseEncoding(const QByteArray &start)
{
    // A Unicode byte-order mark names its form and is dropped; otherwise Windows-1251.
    decoder.reset(QTextCodec::codecForUtfText(start, windows1251())->makeDecoder());
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
    const QFileInfo info(path);
    if (!info.exists()) {
        result.error = QStringLiteral("файл не найден");
        return result;
    }
    if (info.isDir()) {
        result.error = QStringLiteral("это папка, а не файл");
        return result;
    }
    if (info.size() > maxDocumentSize) {
        result.error = tooLargeMessage(fileSizeText(info.size()));
        return result;
    }

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error =
            QStringLiteral("нет доступа на чтение.\nСообщение системы: %1").arg(file.errorString());
        return result;
    }

    // Read in bounded pieces: a device or a growing file may report no size at all.
    QByteArray bytes;
    bytes.reserve(int(info.size()));
    constexpr qint64 piece = 1024 * 1024;
    while (bytes.size() <= maxDocumentSize) {
        const QByteArray chunk = file.read(qMin(piece, maxDocumentSize + 1 - bytes.size()));
        if (chunk.isEmpty())
            break;
        bytes += chunk;
    }
    if (file.error() != QFileDevice::NoError) {
        result.error =
            QStringLiteral("ошибка чтения.\nСообщение системы: %1").arg(file.errorString());
        return result;
    }
    if (bytes.size() > maxDocumentSize) {
        result.error =
            tooLargeMessage(QStringLiteral("больше %1").arg(fileSizeText(maxDocumentSize)));
        return result;
    }

    result.text = decodeDocument(bytes);
    result.ok = true;
    return result;
}

QString writeFailureReason(const QString &path, bool opened)
{
    const QFileInfo target(path);
    const QFileInfo folder(target.absolutePath());
    if (target.isDir())
        return QStringLiteral("это папка, а не файл");
    if (!folder.exists())
        return QStringLiteral("папка %1 не существует").arg(quoted(folder.filePath()));
    if (!folder.isDir())
        return QStringLiteral("%1 — это файл, а не папка").arg(quoted(folder.filePath()));
    if (QFile::encodeName(target.fileName()).size() > longestFileName)
        return QStringLiteral("имя файла слишком длинное");
    if (opened)
        return QStringLiteral("не удалось записать данные; возможно, на диске нет места");
    return QStringLiteral("нет доступа на запись");
}

bool mustWriteInPlace(const QString &path)
{
    const QFileInfo target(path);
    return target.exists() && !target.isFile() && !target.isDir();
}

QString writeDocument(const QString &path, const QByteArray &bytes)
{
    if (mustWriteInPlace(path))
        return writeInPlace(path, bytes);

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return reasonForFailedWrite(path, file, false);
    if (file.write(bytes) != bytes.size()) {
        const QString reason = reasonForFailedWrite(path, file, true);
        file.cancelWriting();
        return reason;
    }
    if (!file.commit())
        return reasonForFailedWrite(path, file, true);
    return QString();
}

} // namespace documentio
