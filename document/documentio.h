// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#ifndef GAMMACRYPT_DOCUMENTIO_H
#define GAMMACRYPT_DOCUMENTIO_H

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <memory>

class QTextDecoder;

namespace documentio {

// Files larger than this are refused on reading: the editing area cannot show them usefully.
constexpr qint64 maxDocumentSize = 64 * 1024 * 1024;

// Decodes a whole document file's bytes: Windows-1251, unless a Unicode byte-order mark
// at the start names another form. Line ends are left as they are.
QString decodeDocument(const QByteArray &bytes);

// Decodes a document file's bytes as they arrive, piece by piece, into the same text that
// decodeDocument gives for them whole, however the pieces fall: the byte-order mark is looked
// for in the first four bytes, and a character split between two pieces is joined.
class DocumentDecoder
{
public:
    DocumentDecoder();
    ~DocumentDecoder();
    DocumentDecoder(const DocumentDecoder &) = delete;
    DocumentDecoder &operator=(const DocumentDecoder &) = delete;

    // The text of the next piece; the first bytes, and the start of a character that the
    // piece cuts, are held back until more arrive.
    QString decode(const char *data, int size);
    // The text of what is still held back, once the input has ended.
    QString finish();

private:
    void chooseEncoding(const QByteArray &start);
    QString decodeHead();
    QString convert(const char *data, int size);

    QByteArray head; // the first bytes, until the byte-order mark can be judged
    QByteArray cut;  // in UTF-8, a sequence the last piece ended inside
    bool utf8 = false;
    std::unique_ptr<QTextDecoder> decoder;
};

// The last line of a text as the editing area holds it: the part after the last line break
// of any kind the area knows (LF, CR, the Unicode line and paragraph separators, and the
// area's frame marks U+FDD0 and U+FDD1). This is the line that Save writes and that Encrypt
// and Decrypt take as their source.
QString lastLine(const QString &text);

struct EncodedLine
{
    QByteArray bytes;
    int unrepresentable = 0; // characters Windows-1251 has no byte for
};

// Encodes one line in Windows-1251; characters it cannot represent are written as the
// codec writes them and counted.
EncodedLine encodeWindows1251(const QString &line);

struct ReadResult
{
    bool ok = false;
    QString text;
    QString error; // a Russian sentence naming the reason, when !ok
};

// Reads and decodes a whole document file. Folders, pipes and sockets are refused without
// waiting for anything, and so are files over maxDocumentSize. On failure, error holds the
// reason; the caller names the file.
ReadResult readDocument(const QString &path);

// Replaces the contents of path with bytes as documentio::FileWriter does (fileaccess.h), pipes
// and sockets refused. Returns an empty string on success, otherwise a Russian sentence
// naming the reason.
QString writeDocument(const QString &path, const QByteArray &bytes);

} // namespace documentio

#endif // GAMMACRYPT_DOCUMENTIO_H
