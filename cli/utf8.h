// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#ifndef GAMMACRYPT_CLI_UTF8_H
#define GAMMACRYPT_CLI_UTF8_H

#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace cli {

// Decodes strict UTF-8 (no overlong forms, no encoded surrogates, nothing past U+10FFFF)
// into text, replacing what text held. Returns -1, or the offset within data of the first
// byte that does not start a complete, valid sequence; text is then unspecified.
qint64 decodeUtf8(const char *data, qint64 size, QString &text);

// The length (1 to 4) of the complete, valid UTF-8 sequence that starts at in, or 0 when
// the byte at in starts none; the rules are decodeUtf8's.
int validSequenceLength(const uchar *in, const uchar *end);

// The length of data without a multi-byte sequence that its end cuts short, so that data
// can be decoded in pieces: a lead byte in the last three bytes still waiting for some of
// its continuation bytes is left for the next piece.
qint64 utf8CompletePrefix(const char *data, qint64 size);

// Appends text in UTF-8 to bytes. A surrogate half without its partner has no UTF-8 form:
// it is written as U+FFFD and counted in the result.
int appendUtf8(const QString &text, QByteArray &bytes);

} // namespace cli

#endif // GAMMACRYPT_CLI_UTF8_H
