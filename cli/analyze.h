// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#ifndef GAMMACRYPT_CLI_ANALYZE_H
#define GAMMACRYPT_CLI_ANALYZE_H

#include "options.h"

namespace cli {

// Runs the analyze command: what a student should see about one key. Returns the exit
// status.
int runAnalyze(const Options &options);

} // namespace cli

#endif // GAMMACRYPT_CLI_ANALYZE_H
