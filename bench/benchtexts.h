// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#ifndef GAMMACRYPT_BENCHTEXTS_H
#define GAMMACRYPT_BENCHTEXTS_H

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <optional>

namespace bench {

// The attack benchmark's plain lines come from Debian packages of Russian text that
// tools/setup.sh installs, never from the texts the language model was counted from:
// literature and sayings from fortunes-ru, technical text from the Russian manual pages of
// manpages-ru.
enum class Genre { Literature, Technical };

struct GenreSource
{
    QString name;    // "literature", "technical"
    QString package; // the Debian package
    QString folder;  // where the package puts its texts
};

GenreSource genreSource(Genre genre);
std::optional<Genre> genreNamed(const QString &name);

// The genre's passages: runs of running text (a fortune file's sayings one after another;
// one paragraph of a manual page), whitespace collapsed, mark-up and attributions left out.
// Empty when the package's texts are not there.
QStringList genrePassages(Genre genre);

// Up to count lines of about length characters (length − length/5 .. length + length/5),
// cut at spaces from the passages; only running text (4 characters in 5 the alphabet's, at
// most 1 in 20 a digit), as a class encrypts it. Which lines, and in which order, follows the seed
// alone.
QStringList benchLines(const QStringList &passages, int length, int count, quint32 seed);

} // namespace bench

#endif // GAMMACRYPT_BENCHTEXTS_H
