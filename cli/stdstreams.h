// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#ifndef GAMMACRYPT_CLI_STDSTREAMS_H
#define GAMMACRYPT_CLI_STDSTREAMS_H

#include <QString>

namespace cli {

// Makes sure descriptors 0, 1 and 2 are open before anything else opens a descriptor. A
// closed one is taken by /dev/null opened the wrong way round (standard input for writing,
// the others for reading), so that every use of it fails: otherwise the next descriptor
// opened, Qt's own event descriptor for one, would take its number and receive the output.
// Returns false when that is not possible.
bool occupyClosedStandardDescriptors();

// Why a standard stream failed: that it was closed when the program started, or else the
// system's error number in words.
QString standardStreamFailure(int descriptor, int error);

// Flushes and closes standard output. Returns false when something written to it has not
// reached it, so that a lost result never ends in success.
bool closeStandardOutput();

} // namespace cli

#endif // GAMMACRYPT_CLI_STDSTREAMS_H
