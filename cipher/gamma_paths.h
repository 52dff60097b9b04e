// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#ifndef GAMMACRYPT_GAMMA_PATHS_H
#define GAMMACRYPT_GAMMA_PATHS_H

#include <QString>
#include <QtGlobal>

// The ways gammaTransform can work through a line. It takes the fastest one the machine
// has; the tests run each of them, so that a path this machine would not pick is checked
// all the same.
enum class TransformPath {
    Table,  // one unit at a time through the table of all code units
    Narrow, // eight units per 128-bit register (SSE2), the rest by table
    Wide,   // 32 units per 512-bit register (AVX-512BW), the rest as Narrow
};

bool transformPathAvailable(TransformPath path);

// gammaTransform through the given path, which must be available.
QString gammaTransformVia(TransformPath path, const QString &source, qint32 A, qint32 C, qint32 T0);

#endif // GAMMACRYPT_GAMMA_PATHS_H
