// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#ifndef GAMMACRYPT_FILENAMES_H
#define GAMMACRYPT_FILENAMES_H

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace documentio {

// A path as the system sees it: bytes. QFile turns bytes that are not valid in the system's
// file-name encoding into U+FFFD, and so would open a different file. Here such bytes travel
// inside the QString as U+DC80..U+DCFF, one unit a byte, and come back out exactly.
QByteArray nativePath(const QString &path);
QString pathFromNative(const QByteArray &bytes);

// The program's arguments decoded as QCoreApplication decodes them, except that an argument
// whose bytes would not survive that is given by pathFromNative.
QStringList argumentsKeepingBytes(int argc, const char *const *argv);

// Whether a name taken from a file dialog leads to exactly the file it shows: it holds no
// U+FFFD (what the dialog shows for bytes it cannot decode) and survives the trip to bytes.
bool isExactName(const QString &path);

// The path for messages: native separators, bytes carried by pathFromNative as \xNN.
QString displayPath(const QString &path);

} // namespace documentio

#endif // GAMMACRYPT_FILENAMES_H
