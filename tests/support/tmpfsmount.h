// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#ifndef GAMMACRYPT_TMPFSMOUNT_H
#define GAMMACRYPT_TMPFSMOUNT_H

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <sys/mount.h>

// A small file system that fills up at once, for the full-disk cases; mounting needs root.
// Unmounted again when the test ends.
struct TmpfsMount
{
    TmpfsMount(const QString &folder, const char *size) : path(folder)
    {
        mounted = QDir().mkpath(folder) &&
                  ::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0,
                          QByteArray("size=").append(size).constData()) == 0;
    }
    ~TmpfsMount()
    {
        if (mounted)
            ::umount2(QFile::encodeName(path).constData(), MNT_DETACH);
    }
    TmpfsMount(const TmpfsMount &) = delete;
    TmpfsMount &operator=(const TmpfsMount &) = delete;

    QString path;
    bool mounted = false;
};

#endif // GAMMACRYPT_TMPFSMOUNT_H
