// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#ifndef GAMMACRYPT_CLI_ATTACK_H
#define GAMMACRYPT_CLI_ATTACK_H

#include "options.h"

namespace cli {

// Runs the attack command on the first line of the input and returns the exit status:
// 0 with at least one candidate printed, 1 for an input error or when no key agrees with
// --known.
int runAttack(const Options &options);

} // namespace cli

#endif // GAMMACRYPT_CLI_ATTACK_H
