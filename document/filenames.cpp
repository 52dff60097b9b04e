// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "filenames.h"

#include <QDir>
#include <QFile>

namespace documentio {

namespace {

constexpr char16_t firstEscape = 0xDC80;
constexpr char16_t lastEscape = 0xDCFF;

bool isEscapedByte(const QString &text, int i)
{
    const QChar ch = text.at(i);
    return ch.unicode() >= firstEscape && ch.unicode() <= lastEscape &&
           !(i > 0 && text.at(i - 1).isHighSurrogate());
}

QChar escaped(char byte)
{
    return QChar(char16_t(0xDC00 + uchar(byte)));
}

// The length of the valid UTF-8 sequence at bytes[i], or 0: no overlong forms, no
// surrogates, nothing past U+10FFFF.
int utf8SequenceLength(const QByteArray &bytes, int i)
{
    const auto at = [&bytes](int k) { return k < bytes.size() ? uchar(bytes.at(k)) : 0; };
    const uchar lead = at(i);
    if (lead < 0x80)
        return 1;
    const int length = lead >= 0xC2 && lead <= 0xDF   ? 2
                       : lead >= 0xE0 && lead <= 0xEF ? 3
                       : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                      : 0;
    const uchar lowest = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
    const uchar highest = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
    for (int k = 1; k < length; ++k) {
        const uchar next = at(i + k);
        if (next < (k == 1 ? lowest : 0x80) || next > (k == 1 ? highest : 0xBF))
            return 0;
    }
    return length;
}

// Valid UTF-8 decoded, every other byte escaped; with asciiOnly every byte from 0x80 on.
QString escapedPath(const QByteArray &bytes, bool asciiOnly)
{
    QString path;
    for (int i = 0; i < bytes.size();) {
        const int length = asciiOnly ? (uchar(bytes.at(i)) < 0x80) : utf8SequenceLength(bytes, i);
        if (length == 0) {
            path += escaped(bytes.at(i++));
            continue;
        }
        path += QFile::decodeName(bytes.mid(i, length));
        i += length;
    }
    return path;
}

} // namespace

QByteArray nativePath(const QString &path)
{
    QByteArray bytes;
    int plainFrom = 0;
    for (int i = 0; i <= path.size(); ++i) {
        if (i < path.size() && !isEscapedByte(path, i))
            continue;
        bytes += QFile::encodeName(path.mid(plainFrom, i - plainFrom));
        if (i < path.size())
            bytes += char(path.at(i).unicode() - 0xDC00);
        plainFrom = i + 1;
    }
    return bytes;
}

QString pathFromNative(const QByteArray &bytes)
{
    const QString decoded = QFile::decodeName(bytes);
    if (QFile::encodeName(decoded) == bytes)
        return decoded;
    // Decoding UTF-8 piecewise is exact when the system's encoding is UTF-8; otherwise only
    // ASCII is taken as text.
    const QString path = escapedPath(bytes, false);
    return nativePath(path) == bytes ? path : escapedPath(bytes, true);
}

QStringList argumentsKeepingBytes(int argc, const char *const *argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments += pathFromNative(QByteArray(argv[i]));
    return arguments;
}

bool isExactName(const QString &path)
{
    return !path.contains(QChar::ReplacementCharacter) &&
           QFile::decodeName(QFile::encodeName(path)) == path;
}

QString displayPath(const QString &path)
{
    QString shown;
    for (int i = 0; i < path.size(); ++i) {
        if (isEscapedByte(path, i))
            shown +=
                QStringLiteral("\\x%1").arg(path.at(i).unicode() - 0xDC00, 2, 16, QLatin1Char('0'));
        else
            shown += path.at(i);
    }
    return QDir::toNativeSeparators(shown);
}

} // namespace documentio
