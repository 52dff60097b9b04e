// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "stdstreams.h"

#include "fileaccess.h"

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace cli {

namespace {

bool closedAtStart[3] = {};

} // namespace

bool occupyClosedStandardDescriptors()
{
    for (int descriptor = STDIN_FILENO; descriptor <= STDERR_FILENO; ++descriptor) {
        if (fcntl(descriptor, F_GETFD) != -1 || errno != EBADF)
            continue;
        closedAtStart[descriptor] = true;
        // open() takes the lowest free number, and the lower ones are open by now.
        const int flags = descriptor == STDIN_FILENO ? O_WRONLY : O_RDONLY;
        if (open("/dev/null", flags) != descriptor)
            return false;
    }
    return true;
}

QString standardStreamFailure(int descriptor, int error)
{
    if (descriptor >= 0 && descriptor <= 2 && closedAtStart[descriptor])
        return QStringLiteral("он был закрыт при запуске программы");
    return documentio::systemErrorText(error);
}

bool closeStandardOutput()
{
    const bool failedBefore = std::ferror(stdout) != 0;
    return std::fclose(stdout) == 0 && !failedBefore;
}

} // namespace cli
