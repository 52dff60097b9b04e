// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#ifndef GAMMACRYPT_FIFOGUARD_H
#define GAMMACRYPT_FIFOGUARD_H

#include <csignal>
#include <unistd.h>

// If opening a FIFO ever waits again, the alarm ends the test as a failure instead of a hang.
class FifoGuard
{
public:
    FifoGuard()
    {
        std::signal(SIGPIPE, SIG_IGN);
        std::signal(SIGALRM, [](int) {
            static const char text[] = "FAIL!  : waited 20 s, for a FIFO's other end\n";
            ::_exit(::write(STDERR_FILENO, text, sizeof text - 1) > 0 ? 1 : 2);
        });
        ::alarm(20);
    }
    ~FifoGuard() { ::alarm(0); }
};

#endif // GAMMACRYPT_FIFOGUARD_H
