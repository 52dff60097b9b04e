// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#ifndef GAMMACRYPT_CLI_TRACE_H
#define GAMMACRYPT_CLI_TRACE_H

#include "commandline.h"

namespace cli {

// Runs the trace command and returns the exit status. The rows are written as they are
// made: memory holds the line's bytes and little else, however long the line.
int runTrace(const Options &options);

} // namespace cli

#endif // GAMMACRYPT_CLI_TRACE_H
